// The mail tool inside the program: the window with its four panes, reply
// and forward, the source in SkyPad, and "mailto:" on the command line.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <filesystem>
#include <memory>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "core/mail/mail_store.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/default_browser.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/mail/address_book_view.h"
#include "ui/mail/compose_window.h"
#include "ui/mail/mail_doc.h"
#include "ui/mail/mail_frame.h"
#include "ui/mail/message_list_model.h"
#include "ui/mail/message_pane.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/skypad/skypad_view.h"

using namespace sky;
using namespace sky::ui;

namespace {

class NoQuestion : public DefaultBrowser {
public:
    std::optional<bool> IsDefault() override { return true; }
    bool MakeDefault(QString*) override { return true; }
};

QList<ComposeWindow*> ComposeWindows() {
    QList<ComposeWindow*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* c = qobject_cast<ComposeWindow*>(w); c && c->isVisible()) out << c;
    return out;
}

QString Field(ComposeWindow* w, const char* name) {
    QLineEdit* edit = std::string(name) == "to" ? w->toEdit() : w->subjectEdit();
    return edit->text();
}

// A picture for a person to look at; a web view draws only on the screen.
void Shot(QWidget* w, const char* name, bool screen) {
    if (!qEnvironmentVariableIsSet("SKYHARBOR_SHOTS")) return;
    QPixmap picture = screen ? w->screen()->grabWindow(w->winId()) : w->grab();
    picture.save(qEnvironmentVariable("SKYHARBOR_SHOTS") + QLatin1Char('/') + QLatin1String(name));
}

}  // namespace

class MailAppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    NoQuestion browser_;

    std::unique_ptr<CK7App> Start(const QStringList& args) {
        SettingsStore& s = SettingsStore::App();
        s.WriteString("local", "zip", "10001");
        test::WriteFile(MainChannelFilePath(), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
        s.WriteInt("Service", "EmbeddedPort", 0);
        auto app = std::make_unique<CK7App>(args, CK7App::Options{false, &browser_});
        if (!app->InitInstance()) return nullptr;
        return app;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        SetMessageHook([](MessageKind, const QString&, const QString&) { return true; });
        SetDialogHook([](QDialog& dialog) {
            return dialog.objectName() == QLatin1String("CRegPropertySheet") ? int(QDialog::Rejected) : -1;
        });
    }
    void cleanup() {
        for (ComposeWindow* w : ComposeWindows()) delete w;
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
    }

    void mailtoOnTheCommandLineComposes() {
        auto app = Start(
            {QStringLiteral("skyharbor"), QStringLiteral("mailto:ann@example.org?subject=Hello%20there")});
        QVERIFY(app);
        QTRY_COMPARE(ComposeWindows().size(), 1);
        ComposeWindow* compose = ComposeWindows().first();
        QCOMPARE(compose->windowTitle(), QStringLiteral("Compose Mail"));
        QCOMPARE(Field(compose, "to"), QStringLiteral("ann@example.org"));
        QCOMPARE(Field(compose, "subject"), QStringLiteral("Hello there"));

        // A later start hands its mailto: to this copy, which composes it.
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QStringLiteral(SKYHARBOR_BIN), {QStringLiteral("mailto:bo@example.org?subject=Second")});
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ComposeWindows().size(), 2, 10000);
        ComposeWindow* handed =
            ComposeWindows().first() == compose ? ComposeWindows().last() : ComposeWindows().first();
        QCOMPARE(Field(handed, "to"), QStringLiteral("bo@example.org"));
        QCOMPARE(Field(handed, "subject"), QStringLiteral("Second"));
        app->ExitInstance();
    }

    // The window of the program: four panes, and a reply quotes the message shown.
    void replyAndForwardQuoteTheMessage() {
        test::WriteFile(GetMailFolderPath("InBox") + "S1.mail",
                        "From: Bob <bob@example.org>\r\nSubject: plans\r\nDate: Mon, 12 Jan 1998 10:20:30 "
                        "-0500\r\n\r\nLet us meet.\r\n");
        auto app = Start({QStringLiteral("skyharbor")});
        QVERIFY(app);
        QVERIFY(app->context()->registry().Invoke(QStringLiteral("tools.email")));
        QMdiSubWindow* sub = app->frame()->mdiArea()->activeSubWindow();
        auto* mail = sub ? qobject_cast<CK7EmailFrame*>(sub->widget()) : nullptr;
        QVERIFY(mail);
        QVERIFY(mail->findChild<CAddressBookView*>());
        QCOMPARE(mail->model()->rowCount(), 1);
        mail->list()->setCurrentIndex(mail->model()->index(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!mail->pane()->decoded().plainText.empty(), 20000);
        Shot(app->frame(), "mail-app.png", true);

        // The source in SkyPad, which must not write over the stored message.
        const QString stored = mail->model()->path(0);
        const std::string before = test::ReadFile(stored.toStdString());
        QAction* source = nullptr;
        for (QAction* a : mail->actions())
            if (a->text() == QLatin1String("View Mail &Source")) source = a;
        QVERIFY(source);
        source->trigger();
        auto* pad = qobject_cast<CSkyPadFrame*>(app->frame()->mdiArea()->activeSubWindow()->widget());
        QVERIFY(pad);
        QCOMPARE(pad->document().path(), stored);
        QVERIFY(pad->view()->toPlainText().contains(QStringLiteral("Let us meet.")));
        Shot(pad, "mail-source.png", false);
        QTest::keyClicks(pad->view(), QStringLiteral("typed"));
        pad->view()->ReplaceAll(QStringLiteral("meet"), QStringLiteral("part"), false);
        QString saveTo = stored, warned;
        SetDialogHook([&](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files) return int(QDialog::Rejected);
            files->selectFile(saveTo);
            return int(QDialog::Accepted);
        });
        SetMessageHook([&](MessageKind, const QString&, const QString& text) {
            warned = text;
            return true;
        });
        QVERIFY(!pad->Save());
        QVERIFY(warned.contains(QStringLiteral("read-only")));
        saveTo = QString::fromStdString(sandbox_->path("copy.mail"));
        QVERIFY(pad->SaveAs());
        QCOMPARE(test::ReadFile(saveTo.toStdString()), before);
        QCOMPARE(test::ReadFile(stored.toStdString()), before);
        QVERIFY(pad->CanClose());
        app->frame()->mdiArea()->activeSubWindow()->close();
        app->frame()->mdiArea()->setActiveSubWindow(sub);

        mail->document()->Broadcast(CK7EmailDoc::Reply);
        QTRY_COMPARE(ComposeWindows().size(), 1);
        ComposeWindow* reply = ComposeWindows().first();
        QCOMPARE(Field(reply, "to"), QStringLiteral("Bob <bob@example.org>"));
        QCOMPARE(Field(reply, "subject"), QStringLiteral("re: plans"));
        QPlainTextEdit* body = reply->bodyEdit();
        QVERIFY(body);
        QVERIFY(body->toPlainText().contains(QStringLiteral("> Let us meet.")));
        Shot(reply, "compose-reply.png", false);
        delete reply;

        mail->document()->Broadcast(CK7EmailDoc::Forward);
        QTRY_COMPARE(ComposeWindows().size(), 1);
        QCOMPARE(Field(ComposeWindows().first(), "to"), QString());
        QCOMPARE(Field(ComposeWindows().first(), "subject"), QStringLiteral("fw: plans"));

        // Contacts from a vCard file, through the window's menu.
        std::string card = sandbox_->path("friends.vcf");
        test::WriteFile(card,
                        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lind;Åsa;;;\r\nFN:Åsa Lind\r\n"
                        "EMAIL:asa@example.se\r\nEND:VCARD\r\n");
        SetDialogHook([&](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files) return -1;
            files->selectFile(QString::fromStdString(card));
            return int(QDialog::Accepted);
        });
        QAction* import = nullptr;
        for (QAction* menu : mail->menuBar()->actions())
            if (menu->menu())
                for (QAction* a : menu->menu()->actions())
                    if (a->text() == QLatin1String("&Import vCard...")) import = a;
        QVERIFY(import);
        import->trigger();
        auto* book = mail->findChild<CAddressBookView*>();
        QVERIFY(!book->findItems(QStringLiteral("Åsa Lind"), Qt::MatchRecursive).isEmpty());

        // Opening it again brings the one window forward.
        int windows = app->frame()->mdiArea()->subWindowList().size();
        app->context()->registry().Invoke(QStringLiteral("tools.email"));
        QCOMPARE(app->frame()->mdiArea()->subWindowList().size(), windows);
        app->ExitInstance();
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    MailAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mail_app_test.moc"
