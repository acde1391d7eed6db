#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <memory>
#include <utility>

#include "core/base/settings_store.h"
#include "local_page.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "support/scripted_server.h"
#include "ui/app/address_box.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/web_search_dialog.h"

using namespace sky;
using namespace sky::ui;

class UiBrowserKeysTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<test::ScriptedServer> server_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    bool waitedForActive_ = false;

    CMainFrame* frame() { return app_->frame(); }
    QUrl Url(const char* path) { return QUrl(QString::fromStdString(server_->url(path))); }
    int Hits(const char* path) {
        int n = 0;
        for (size_t i = 0; i < server_->requests(); ++i)
            n += server_->requestLine(i) == "GET " + std::string(path) + " HTTP/1.1";
        return n;
    }
    CK7View* view() { return frame()->context().browser->MainBrowserView(); }

    QUrl Page(const char* name, const QString& body) { return test::WriteLocalPage(*sandbox_, name, body); }
    bool Loaded(const QUrl& url) {
        return QTest::qWaitFor(
            [&] { return view()->LocationUrl() == url.toString() && !view()->IsLoading(); }, 15000);
    }
    bool Go(const QUrl& url) {
        view()->NavigateUrl(url);
        return Loaded(url);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(frame(), Qt::Key(key), mods);
    }
    // Types into the real address box and presses `enter` (unless Key_unknown).
    void Type(const QString& text, Qt::Key enter) {
        QLineEdit* edit = frame()->addressBox()->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(KeyTarget(), Qt::Key_Backspace);
        QTest::keyClicks(KeyTarget(), text);
        if (enter != Qt::Key_unknown) QTest::keyClick(KeyTarget(), enter);
    }
    // Before the window manager has made the frame active there is no focus
    // widget yet; the box is where its keys go then.
    QWidget* KeyTarget() {
        if (!QApplication::focusWidget() && !std::exchange(waitedForActive_, true))
            (void)QTest::qWaitForWindowActive(frame(), 2000);
        QWidget* w = QApplication::focusWidget();
        return w ? w : static_cast<QWidget*>(frame()->addressBox());
    }
    // Neither the view nor the status bar's padlock claims a secure page.
    bool Insecure() {
        for (QLabel* l : frame()->findChildren<QLabel*>())
            if (l->property("secure").isValid())
                return !view()->IsSecure() && !l->property("secure").toBool();
        return false;
    }

private slots:
    void init() {
        waitedForActive_ = false;
        sandbox_ = std::make_unique<test::Sandbox>();
        const std::string page = "<html><body>sail boat sail</body></html>";
        server_ = std::make_unique<test::ScriptedServer>(std::vector<test::ScriptedReply>{
            {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
                 "\r\nConnection: close\r\n\r\n",
             page}});
        SetMessageHook([](MessageKind, const QString&, const QString&) { return false; });
        SetDialogHook([](QDialog&) { return int(QDialog::Rejected); });
        SettingsStore::App().WriteString("Startup", "Home", "about:blank");
        SettingsStore::App().WriteInt("Service", "Embedded", 0);
        SettingsStore::App().WriteString("Misc", "Account", "UNREGISTERED");
        test::WriteFile(sandbox_->path("skychan1.sky"), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!view()->IsLoading(), 15000);
        frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame()));
    }
    void cleanup() {
        app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        server_.reset();
        sandbox_.reset();
    }

    void enterInTheAddressBoxLoadsThePage() {
        QUrl file = Page("typed.htm", "typed");
        Type(file.toString(), Qt::Key_Return);
        QVERIFY(Loaded(file));
        QUrl http = Url("/typed");
        Type(http.toString(), Qt::Key_Enter);
        QVERIFY(Loaded(http));
        QCOMPARE(Hits("/typed"), 1);

        // Enter takes the completion showing; deleted, it takes what was typed.
        QUrl longer = Url("/typed/more"), prefix = Url("/typed/m");
        frame()->addressBox()->AddVisited(longer.toString());
        frame()->addressBox()->AddVisited(http.toString());
        for (bool clear : {false, true}) {
            Type(prefix.toString(), Qt::Key_unknown);
            QCOMPARE(frame()->addressBox()->lineEdit()->selectedText(), QStringLiteral("ore"));
            if (clear) QTest::keyClick(KeyTarget(), Qt::Key_Delete);
            QTest::keyClick(KeyTarget(), Qt::Key_Return);
            QVERIFY(Loaded(clear ? prefix : longer));
        }
        QCOMPARE(Hits("/typed/more"), 1);
        QCOMPARE(Hits("/typed/m"), 1);
    }

    void historyAndPageKeys() {
        QUrl a = Url("/a"), b = Url("/b");
        for (const QUrl& u : {b, a, b}) QVERIFY(Go(u));
        QStringList entries = frame()->addressBox()->entries();
        QCOMPARE(entries.count(a.toString()) + entries.count(b.toString()), 2);
        QCOMPARE(entries.mid(0, 2), (QStringList{b.toString(), a.toString()}));

        view()->setFocus();
        for (auto [key, mods] : {std::pair{Qt::Key_F5, Qt::NoModifier}, {Qt::Key_R, Qt::ControlModifier}}) {
            int hits = Hits("/b");
            Key(key, mods);
            QTRY_COMPARE_WITH_TIMEOUT(Hits("/b"), hits + 1, 10000);
            QVERIFY(Loaded(b));
        }
        Key(Qt::Key_Left, Qt::AltModifier);
        QVERIFY(Loaded(a));
        Key(Qt::Key_Right, Qt::AltModifier);
        QVERIFY(Loaded(b));

        // Zoom is kept per site.
        Key(Qt::Key_Plus, Qt::ControlModifier);
        Key(Qt::Key_Plus, Qt::ControlModifier);
        double zoomed = view()->ZoomFactor();
        QVERIFY(zoomed > 1.1);
        QUrl file = Page("other.htm", "other");
        QVERIFY(Go(file));
        QCOMPARE(view()->ZoomFactor(), 1.0);
        Key(Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(view()->ZoomFactor() < 1.0);
        QVERIFY(Go(a));
        QCOMPARE(view()->ZoomFactor(), zoomed);
        Key(Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(view()->ZoomFactor(), 1.0);
        QVERIFY(Go(file));
        QVERIFY(view()->ZoomFactor() < 1.0);

        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        view()->NavigateUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort())));
        QTRY_VERIFY_WITH_TIMEOUT(view()->IsLoading(), 5000);
        view()->setFocus();
        Key(Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!view()->IsLoading(), 5000);
    }

    void findBarFindsAndEscCloses() {
        QVERIFY(Go(Page("find.htm", "<p>sail boat sail and sail</p>")));
        view()->setFocus();
        Key(Qt::Key_F, Qt::ControlModifier);
        FindBar* bar = view()->findBar();
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), bar->field());
        QTest::keyClicks(bar->field(), QStringLiteral("sail"));
        QTRY_COMPARE_WITH_TIMEOUT(bar->countLabel()->text(), QStringLiteral("1 of 3"), 5000);
        QTest::keyClick(bar->field(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(bar->countLabel()->text(), QStringLiteral("2 of 3"), 5000);
        QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(bar->countLabel()->text(), QStringLiteral("1 of 3"), 5000);
        bar->field()->setText(QStringLiteral("harbour"));
        QTRY_COMPARE_WITH_TIMEOUT(bar->countLabel()->text(), QStringLiteral("No matches"), 5000);
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QTRY_VERIFY(!bar->isVisible());
    }

    void printNewWindowKeysAndSearchMnemonic() {
        WebSearchDialog dialog(*frame()->context().browser, QStringList{});
        int buddies = 0;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            buddies += l->text().contains(QLatin1String("words")) && l->buddy() == dialog.searchEdit();
        QCOMPARE(buddies, 1);

        int windows = frame()->mdiArea()->subWindowList().size();
        Key(Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(frame()->mdiArea()->subWindowList().size(), windows + 1, 5000);
        QVERIFY(qobject_cast<CK7View*>(frame()->mdiArea()->activeSubWindow()->widget()));

        bool printAsked = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget(), 5000);
            printAsked = true;
            QApplication::activeModalWidget()->close();
        });
        Key(Qt::Key_P, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(printAsked, 5000);
    }

    void padlockOnlyForAValidTlsPage() {
        QVERIFY(Go(Url("/plain")));
        QVERIFY(Insecure());
        // https to a port that speaks plain http: an error page.
        QVERIFY(Go(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(server_->port()))));
        QVERIFY(Insecure());

        // A real TLS server with a certificate nobody vouches for.
        QString key = QString::fromStdString(sandbox_->path("key.pem")), cert = key + QStringLiteral(".crt");
        QCOMPARE(QProcess::execute(QStringLiteral("openssl"),
                                   {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
                                    "-days", "1", "-keyout", key, "-out", cert}),
                 0);
        quint16 port = quint16(test::FreePort());
        QProcess tls;
        tls.start(QStringLiteral("openssl"), {"s_server", "-quiet", "-www", "-accept", QString::number(port),
                                              "-cert", cert, "-key", key});
        QVERIFY(test::WaitFor([&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        }));
        QVERIFY(Go(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(port))));
        QVERIFY(Insecure());
        tls.kill();
        tls.waitForFinished();
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiBrowserKeysTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_browser_keys_test.moc"
