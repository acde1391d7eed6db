#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEngineView>
#include <memory>

#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "local_page.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
#include "ui/app/address_box.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/default_browser.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/explorer.h"
#include "ui/browser/link_drag.h"
#include "ui/browser/sky_web_page.h"
#include "ui/browser/web_search_dialog.h"
#include "ui/channels/channels_tool.h"
#include "ui/service/download_manager.h"
#include "ui/service/member_session.h"

using namespace sky;
using namespace sky::ui;

namespace {

// A loopback web server that records what reaches it.
class PageServer : public QObject {
public:
    struct Hit {
        QByteArray method, target, body;
    };
    QList<Hit> hits;
    int connections = 0;

    PageServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++connections;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { Read(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    QString url(const QString& path) const { return QStringLiteral("http://") + host() + path; }
    bool saw(const QByteArray& target) const {
        for (const Hit& h : hits)
            if (h.target == target) return true;
        return false;
    }
    QByteArray bodyOf(const QByteArray& target) const {
        for (const Hit& h : hits)
            if (h.target == target) return h.body;
        return {};
    }

private:
    void Read(QTcpSocket* s) {
        QByteArray& buf = buffers_[s];
        buf += s->readAll();
        int end = buf.indexOf("\r\n\r\n");
        if (end < 0) return;
        QList<QByteArray> lines = buf.left(end).split('\n');
        QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        int length = 0;
        for (const QByteArray& l : lines)
            if (l.toLower().startsWith("content-length:")) length = l.mid(15).trimmed().toInt();
        if (buf.size() < end + 4 + length) return;
        Hit hit{first.value(0), first.value(1), buf.mid(end + 4, length)};
        hits.append(hit);
        buffers_.remove(s);
        QByteArray page =
            "<html><head><title>" + hit.target + "</title></head><body>" + hit.target + "</body></html>";
        QByteArray response;
        if (hit.target.startsWith("/redirect-to-command"))
            response =
                "HTTP/1.1 302 Found\r\nLocation: skycommand://cond_agree\r\nContent-Length: 0\r\n"
                "Connection: close\r\n\r\n";
        else
            response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                       QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
        s->write(response);
        s->disconnectFromHost();
    }
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

}  // namespace

class UiBrowserTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<PageServer> server_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;

    CMainFrame* frame() { return app_->frame(); }
    CK7View* mainView() { return frame()->context().browser->MainBrowserView(); }

    // A local page in the sandbox; returns its URL.
    QUrl Page(const char* name, const QString& body) { return test::WriteLocalPage(*sandbox_, name, body); }
    void LoadAndWait(BrowserPane* pane, const QUrl& url) {
        pane->NavigateUrl(url);
        QTRY_COMPARE_WITH_TIMEOUT(pane->LocationUrl(), url.toString(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!pane->IsLoading(), 15000);
        // The page script talks to us once its channel is up.
        QTest::qWait(300);
    }
    void RunJs(BrowserPane* pane, const QString& js) { pane->page()->runJavaScript(js); }
    int VisibleTools() {
        int n = 0;
        for (QMdiSubWindow* w : frame()->mdiArea()->subWindowList()) n += w->isVisible();
        return n;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        server_ = std::make_unique<PageServer>();
        boxes_.clear();
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return false;
        });
        SettingsStore::App().WriteString("Startup", "Home", "about:blank");
        SettingsStore::App().WriteInt("Service", "Embedded", 0);
        // Channels of its own so nothing is imported; the first-run sheets are declined.
        SetDialogHook([](QDialog&) { return int(QDialog::Rejected); });
        SettingsStore::App().WriteString("Misc", "Account", "UNREGISTERED");
        test::WriteFile(sandbox_->path("skychan1.sky"), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
        SettingsStore::App().WriteString("Service", "WebHost", server_->host().toStdString());
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 15000);
    }
    void cleanup() {
        app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        server_.reset();
        sandbox_.reset();
    }

    void commandTargetLinksRunWithoutLoading() {
        QUrl url = Page("links.htm",
                        "<a id=z target='_skycmd' href='command:zoom'>zoom</a>"
                        "<a id=u target='_SKYCMDframe' href='command:ZOOM'>ZOOM</a>"
                        "<a id=f target='_skycmd' href='command:fileman'>fm</a>");
        LoadAndWait(mainView(), url);
        RunJs(mainView(), QStringLiteral("document.getElementById('u').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(
            boxes_, QStringList{QStringLiteral("Unknown SkyCommand Encountered: \n\nCommand[ZOOM]")}, 5000);
        QVERIFY(!frame()->IsZoomed());
        RunJs(mainView(), QStringLiteral("document.getElementById('z').click()"));
        QTRY_VERIFY_WITH_TIMEOUT(frame()->IsZoomed(), 5000);
        QCOMPARE(mainView()->LocationUrl(), url.toString());
        // A page script opening a command window: the command runs, no window stays.
        int tools = VisibleTools();
        RunJs(mainView(), QStringLiteral("window.open('command:fileman', '_skycmd')"));
        auto fileManagerShown = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle() == QLatin1String("Web Space File Manager"))
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(fileManagerShown(), 5000);
        QCOMPARE(VisibleTools(), tools);
        QVERIFY(server_->hits.isEmpty());
    }

    void skycommandLinksAndRedirectsNeverLoad() {
        QUrl url = Page("cmd.htm",
                        "<a id=b href='skycommand://frobnicate'>bad</a>"
                        "<a id=n href='skycommand://newsearch'>nothing</a>"
                        "<a id=r href='" +
                            server_->url("/redirect-to-command") + "'>redirect</a>");
        LoadAndWait(mainView(), url);
        RunJs(mainView(), QStringLiteral("document.getElementById('n').click()"));
        RunJs(mainView(), QStringLiteral("document.getElementById('b').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(
            boxes_, QStringList{QStringLiteral("Bad SkyCommand.\n\n==>  skycommand://frobnicate")}, 5000);
        QCOMPARE(mainView()->LocationUrl(), url.toString());
        // A server that redirects to a command address gets the engine's refusal.
        RunJs(mainView(), QStringLiteral("document.getElementById('r').click()"));
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/redirect-to-command"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!mainView()->IsLoading(), 10000);
        QVERIFY(!mainView()->LocationUrl().startsWith(QLatin1String("skycommand")));
        QCOMPARE(server_->hits.size(), 1);
    }

    void pagesThatOpenWindowsGetPopups() {
        QUrl other = Page("other.htm", "other");
        QUrl url = Page("opener.htm", "opener");
        LoadAndWait(mainView(), url);
        RunJs(mainView(), QStringLiteral("window.open('%1', 'news')").arg(other.toString()));
        // The pop-up rule takes the requested window's first address into a popup of its own.
        QTRY_COMPARE_WITH_TIMEOUT(frame()->context().browser->popups().size(), 1, 10000);
        CExplorerFrame* popup = frame()->context().browser->popups().first();
        QCOMPARE(popup->windowName(), QStringLiteral("news"));
        QTRY_COMPARE_WITH_TIMEOUT(popup->view()->LocationUrl(), other.toString(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(popup->windowTitle(), other.toString(), 10000);
        QTest::qWait(300);
        int visiblePopups = 0;
        for (QMdiSubWindow* w : frame()->mdiArea()->subWindowList())
            visiblePopups += w->isVisible() && qobject_cast<CExplorerFrame*>(w->widget());
        QCOMPARE(visiblePopups, 1);

        // With the pop-up rule off, links in a popup stay in it.
        app_->ExitInstance();
        SettingsStore::App().WriteInt("misc", "popup", 0);
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        CExplorerFrame* own = frame()->context().browser->OpenPopup(
            Page("p.htm", "<a id=l href='other.htm'>o</a>"), QStringLiteral("w"));
        QTRY_VERIFY_WITH_TIMEOUT(own->view()->LocationUrl().endsWith(QLatin1String("p.htm")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!own->view()->IsLoading(), 10000);
        QTest::qWait(300);
        RunJs(own->view(), QStringLiteral("document.getElementById('l').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(own->view()->LocationUrl(), other.toString(), 10000);
        QCOMPARE(frame()->context().browser->popups().size(), 1);
    }

    void startPageAndPostalCodeRewriting() {
        mainView()->NavigateUrl(QUrl(server_->url("/SkyStart.htm")));
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/scripts/show.dll?Start&Z=10001&U=UNREGISTERED&V=test"),
                                 10000);
        QVERIFY(!server_->saw("/SkyStart.htm"));

        mainView()->NavigateUrl(QUrl(server_->url("/local?z=__Zip__")));
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/local?z=000000"), 10000);
        SettingsStore::App().WriteString("local", "zip", "02134");
        mainView()->NavigateUrl(QUrl(server_->url("/Local?Z=__ZIP__")));
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/local?z=02134"), 10000);

        // A form posted to a marked address keeps its data.
        QUrl form = Page("form.htm", "<form id=f method=post action='" + server_->url("/post/__zip__") +
                                         "'><input name=q value='sail boats'></form>");
        LoadAndWait(mainView(), form);
        RunJs(mainView(), QStringLiteral("document.getElementById('f').requestSubmit()"));
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/post/02134"), 10000);
        QCOMPARE(server_->bodyOf("/post/02134"), QByteArray("q=sail+boats"));
        for (const auto& h : server_->hits) QVERIFY(!h.target.toLower().contains("__zip__"));
    }

    void statusPopupWaitingWords() {
        // Only this test turns the pop-up on, so the count starts here.
        QCOMPARE(CK7View::NavigationCount(), 0L);
        SettingsStore::App().WriteInt("misc", "statuspopup", 1);
        QStringList words;
        connect(mainView(), &CK7View::statusPopupTextChanged, this, [&](const QString& text) {
            if (text.contains(QLatin1String(": Accessing Internet [")))
                words << text.section(QLatin1Char(']'), -1);
        });
        for (int i = 1; i <= 12; ++i) {
            mainView()->NavigateUrl(QUrl(server_->url(QStringLiteral("/n%1").arg(i))));
            QTRY_COMPARE_WITH_TIMEOUT(CK7View::NavigationCount(), long(i), 10000);
        }
        QCOMPARE(words,
                 (QStringList{" Please Wait...", " Patience...", " Please Wait...", " Patience...",
                              " Courage...", " Please Wait...", " Patience...", " Please Wait...",
                              " Working on it...", " Please Wait...", " Patience...", " Patience..."}));
    }

    void typedCommandsAndSearch() {
        frame()->HandleAddress(QStringLiteral("  GO Pilot"), false);
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/~pilot"), 10000);
        frame()->HandleAddress(QStringLiteral("FINGER Pilot"), false);
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/~pilot/finger.htm"), 10000);

        SettingsStore::App().WriteString("Service", "SearchHost", server_->host().toStdString());
        WebSearchDialog empty(*frame()->context().browser, QStringList{});
        empty.searchEdit()->setText(QStringLiteral("   "));
        QVERIFY(!empty.WebSearch());
        QCOMPARE(boxes_.last(), QStringLiteral("You must enter some search words"));
        QVERIFY(!empty.NewsSearch());
        QCOMPARE(boxes_.last(), QStringLiteral("You must enter a search string"));
        WebSearchDialog dialog(*frame()->context().browser, QStringList{});
        dialog.searchEdit()->setText(QStringLiteral("  sail  boats & #1 "));
        QVERIFY(dialog.WebSearch());
        QTRY_VERIFY_WITH_TIMEOUT(server_->saw("/r?look=&key=sail++boats+&+"), 10000);
        // The words come back next time.
        WebSearchDialog again(*frame()->context().browser, QStringList{});
        QCOMPARE(again.searchEdit()->text(), QStringLiteral("sail  boats & #1"));
    }

    void linkDragOffersAShortcut() {
        CLinkDragSource src(QUrl(QStringLiteral("http://example.org/a b")), QStringLiteral("Sailing News"));
        std::unique_ptr<QMimeData> data(src.MakeMimeData());
        QCOMPARE(data->urls(), QList<QUrl>{QUrl(QStringLiteral("http://example.org/a b"))});
        QCOMPARE(data->text(), QStringLiteral("http://example.org/a%20b"));
        QByteArray moz = data->data(QStringLiteral("text/x-moz-url"));
        QString decoded =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(moz.constData()), moz.size() / 2);
        QCOMPARE(decoded, QStringLiteral("http://example.org/a%20b\nSailing News"));
        CLinkDragSource dflt;
        QCOMPARE(dflt.description(), QStringLiteral("Skyharbor the alternative web browser"));
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiBrowserTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_browser_test.moc"
