// The service session end to end: the program with its embedded member
// service, driven as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "core/app/sky_reg_client.h"
#include "core/app/software_version.h"
#include "core/base/paths.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "member_service/member_service.h"
#include "support/no_desktop.h"
#include "support/sandbox.h"
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
#include "ui/browser/sky_web_page.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/channels_tool.h"
#include "ui/channels/local_sheet.h"
#include "ui/service/download_manager.h"
#include "ui/service/download_progress.h"
#include "ui/service/login_dialog.h"
#include "ui/service/member_session.h"
#include "ui/service/registration_sheet.h"

using namespace sky;
using namespace sky::ui;

class UiServiceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    test::NoDesktop desktop_;
    std::unique_ptr<CK7App> app_;
    QStringList boxes_;
    bool answerYes_ = true;
    QStringList dialogs_;
    // Answers the next modal dialogs; -1 lets one run.
    std::function<int(QDialog&)> onDialog_;

    SettingsStore& S() { return SettingsStore::App(); }
    CMainFrame* frame() { return app_->frame(); }
    std::string DataDir() { return JoinPath(DataRoot(), "MemberService"); }
    CChannelList& channels() { return frame()->context().mainChannels(); }

    void Start() {
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &desktop_});
        QVERIFY(app_->InitInstance());
        QVERIFY(app_->embeddedService());
    }
    // The start-up import of the public channels has run its course.
    void WaitForStartUpImport() {
        QVERIFY(QTest::qWaitFor([&] { return !frame()->context().downloads().busy() && !channels().empty(); },
                                20000));
        // Quietly: the channels simply appear.
        for (const QString& box : boxes_)
            QVERIFY2(!box.contains(QLatin1String("Channel File")), qPrintable(box));
        boxes_.clear();
    }
    // A running program whose service knows the member "walker" (password "trail-42").
    void StartWithWalker() {
        S().WriteString("local", "zip", "10001");
        S().WriteString("Misc", "Account", "UNREGISTERED");
        Start();
        std::string error;
        QVERIFY2(member::AddMember(DataDir(), "walker", "trail-42", "the long walk", "w@example.org", &error),
                 error.c_str());
        WaitForStartUpImport();
    }
    // Runs the dialog with `drive` called once it is on screen.
    static int Drive(QDialog& dialog, std::function<void()> drive) {
        QTimer::singleShot(0, &dialog, std::move(drive));
        return -1;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        dialogs_.clear();
        answerYes_ = true;
        onDialog_ = {};
        S().WriteInt("Service", "EmbeddedPort", 0);
        S().WriteString("Startup", "Home", "about:blank");
        SetMessageHook([this](MessageKind, const QString&, const QString& text) {
            boxes_ << text;
            return answerYes_;
        });
        SetDialogHook([this](QDialog& dialog) {
            dialogs_ << dialog.objectName();
            if (onDialog_) return onDialog_(dialog);
            return int(QDialog::Rejected);
        });
    }
    void cleanup() {
        if (app_) app_->ExitInstance();
        app_.reset();
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
    }

    void firstStartAsksForRegistrationAndCancelLeavesUnregistered() {
        Start();
        QCOMPARE(dialogs_,
                 (QStringList{QStringLiteral("CRegPropertySheet"), QStringLiteral("LocalPropertySheet")}));
        QCOMPARE(S().GetString("Misc", "Account"), std::string("UNREGISTERED"));
        QCOMPARE(frame()->context().session().account(), QStringLiteral("UNREGISTERED"));
        QVERIFY(!frame()->context().session().loggedIn());
        // The public channels arrive while the user has none; the first
        // import of an installation asks nothing.
        WaitForStartUpImport();
        QCOMPARE(S().GetInt("misc", "FirstChannelImport", 0), 1);
        QVERIFY(channels().size() >= 3);
        // A second start with an account and a postal code shows no sheet.
        app_->ExitInstance();
        S().WriteString("local", "zip", "10001");
        dialogs_.clear();
        Start();
        QVERIFY(dialogs_.isEmpty());
    }

    void registrationSheetRegistersAndRefusesATakenName() {
        S().WriteString("local", "zip", "10001");
        int sheets = 0;
        onDialog_ = [&](QDialog& dialog) -> int {
            auto* sheet = qobject_cast<CRegPropertySheet*>(&dialog);
            if (!sheet) return QDialog::Rejected;
            ++sheets;
            return Drive(dialog, [sheet] {
                sheet->next();
                sheet->page2()->member->setText(QStringLiteral("  New.Member "));
                sheet->page2()->password->setText(QStringLiteral("Secret-1"));
                sheet->page2()->password2->setText(QStringLiteral("secret-1"));
                sheet->page2()->prompt->setText(QStringLiteral("my dog's name"));
                sheet->next();
                sheet->page3()->email->setText(QStringLiteral("me@example.org"));
                sheet->page3()->firstName->setText(QStringLiteral("Ann Marie"));
                sheet->button(QWizard::FinishButton)->click();
            });
        };
        Start();
        QCOMPARE(sheets, 1);
        QCOMPARE(S().GetString("Misc", "Account"), std::string("new.member"));
        QCOMPARE(frame()->context().session().account(), QStringLiteral("new.member"));
        QVERIFY(frame()->context().session().loggedIn());
        QVERIFY(boxes_.contains(QStringLiteral(
            "Congrats... You are now a member\n\nYou'll be contacted soon with further information...")));
        WaitForStartUpImport();

        // The same name again: refused, and the sheet stays open on its last page.
        boxes_.clear();
        bool stayedOpen = false;
        onDialog_ = [&](QDialog& dialog) -> int {
            auto* sheet = qobject_cast<CRegPropertySheet*>(&dialog);
            if (!sheet) return QDialog::Rejected;
            return Drive(dialog, [&, sheet] {
                sheet->next();
                sheet->page2()->member->setText(QStringLiteral("NEW.MEMBER"));
                sheet->page2()->password->setText(QStringLiteral("x"));
                sheet->page2()->password2->setText(QStringLiteral("x"));
                sheet->page2()->prompt->setText(QStringLiteral("p"));
                sheet->next();
                sheet->page3()->email->setText(QStringLiteral("a@b"));
                sheet->button(QWizard::FinishButton)->click();
                QVERIFY(QTest::qWaitFor([&] { return !boxes_.isEmpty(); }, 10000));
                stayedOpen = sheet->isVisible() && sheet->currentPage() == sheet->page3();
                sheet->reject();
            });
        };
        QVERIFY(!frame()->context().session().RunRegistration());
        QCOMPARE(boxes_, QStringList{QStringLiteral("Sorry, that name has already been taken")});
        QVERIFY(stayedOpen);
    }

    void loginShowsTheHintThenLogsInAndPings() {
        StartWithWalker();
        QStringList passwords{QStringLiteral("wrong"), QStringLiteral(" TRAIL-42 ")};
        int attempt = 0;
        onDialog_ = [&](QDialog& dialog) -> int {
            auto* login = qobject_cast<CLoginDlg*>(&dialog);
            if (!login) return QDialog::Rejected;
            return Drive(dialog, [&, login] {
                login->accountEdit()->setText(QStringLiteral("Walker"));
                for (const QString& password : passwords) {
                    ++attempt;
                    login->passwordEdit()->setText(password);
                    login->accept();
                    QVERIFY(
                        QTest::qWaitFor([&] { return !login->busy() && login->lastResult() != 1; }, 10000));
                    if (!login->isVisible()) return;
                }
                login->reject();
            });
        };
        int pingsBefore = frame()->context().session().pingsSent();
        QVERIFY(frame()->context().session().RunLogin());
        QCOMPARE(attempt, 2);
        QCOMPARE(boxes_.value(0), QStringLiteral("Incorrect password. Here's your hint: the long walk"));
        QCOMPARE(S().GetString("Misc", "Account"), std::string("walker"));
        QVERIFY(frame()->context().session().loggedIn());
        QCOMPARE(frame()->context().session().pingsSent(), pingsBefore + 1);
    }

    void cancelGivesUpALoginTheServiceNeverAnswers() {
        // A service that takes the connection and says nothing.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket*> held;
        connect(&silent, &QTcpServer::newConnection, [&] { held << silent.nextPendingConnection(); });
        CSkyRegClient client(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()).toStdString());
        CLoginDlg login(client, QStringLiteral("walker"));
        login.show();
        login.passwordEdit()->setText(QStringLiteral("pw"));
        login.accept();
        QVERIFY(QTest::qWaitFor([&] { return !held.isEmpty(); }, 5000));
        QVERIFY(login.busy() && login.isVisible());
        QElapsedTimer clock;
        clock.start();
        login.reject();
        QVERIFY(QTest::qWaitFor([&] { return !login.isVisible(); }, 5000));
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(login.result(), int(QDialog::Rejected));
        QVERIFY(boxes_.isEmpty());
    }

    void postedBulletinOpensAtTheNextPing() {
        S().WriteString("local", "zip", "10001");
        S().WriteString("Misc", "Account", "UNREGISTERED");
        Start();
        WaitForStartUpImport();
        QString url =
            QStringLiteral("http://127.0.0.1:%1/sky_start/skydata.htm").arg(app_->embeddedService()->port());
        // Posted by the service's own admin command, as an operator would.
        QProcess post;
        post.start(QStringLiteral(SKYHARBOR_MEMBER_SERVICE_PATH),
                   {QStringLiteral("--data"), QString::fromStdString(DataDir()), QStringLiteral("post"),
                    QStringLiteral("bulletin"), url});
        QVERIFY(post.waitForFinished(20000));
        QCOMPARE(post.exitCode(), 0);

        auto bulletins = [&] {
            int n = 0;
            for (CExplorerFrame* popup : frame()->context().browser->popups())
                if (popup->windowName() == QLatin1String("Bulletin")) ++n;
            return n;
        };
        frame()->context().session().OnTimer(MemberSession::kTimerFirstPing);
        QVERIFY(QTest::qWaitFor([&] { return bulletins() == 1; }, 15000));
        QCOMPARE(S().GetInt("Ping", "LastBulletin", 0), 1);
        // The next ping reports serial 1: nothing new opens.
        frame()->context().session().OnTimer(MemberSession::kTimerPing);
        QTest::qWait(1500);
        QCOMPARE(bulletins(), 1);
        QCOMPARE(frame()->context().session().pingCount(), 1);
        // A line naming a local file is counted as seen but not opened.
        frame()->context().session().OnServerLine(QStringLiteral("BROADCAST=4=file:///etc/passwd"));
        QCOMPARE(S().GetInt("Ping", "LastBroadcast", 0), 4);
        QCOMPARE(frame()->context().browser->popups().size(), 1);
    }

    void publicChannelLinksImportAndReplace() {
        S().WriteString("local", "zip", "10001");
        S().WriteString("Misc", "Account", "UNREGISTERED");
        Start();
        WaitForStartUpImport();
        size_t before = channels().size();
        QString host = QStringLiteral("127.0.0.1:%1").arg(app_->embeddedService()->port());
        CK7View* view = frame()->context().browser->MainBrowserView();

        // A second import asks first; No leaves the channels alone.
        answerYes_ = false;
        view->Navigate(QStringLiteral("http://%1/channels/news.sdf").arg(host));
        QVERIFY(QTest::qWaitFor([&] { return !boxes_.isEmpty(); }, 10000));
        QVERIFY(boxes_.value(0).startsWith(QStringLiteral("A Public Channel file will now be imported")));
        QTest::qWait(300);
        QVERIFY(!frame()->context().downloads().busy());
        QCOMPARE(channels().size(), before);

        // The start page's "rlc:" link swaps the whole list for the service's file.
        boxes_.clear();
        answerYes_ = true;
        channels().AppendChannel("Mine");
        view->Navigate(QStringLiteral("http://%1/sky_start/skydata.htm").arg(host));
        QVERIFY(QTest::qWaitFor(
            [&] { return view->LocationUrl().endsWith(QLatin1String("skydata.htm")) && !view->IsLoading(); },
            15000));
        view->page()->runJavaScript(
            QStringLiteral("document.querySelector('a[href^=\"skycommand://rlc:\"]').click()"));
        QVERIFY(QTest::qWaitFor([&] { return boxes_.size() >= 2; }, 15000));
        QCOMPARE(boxes_.value(0),
                 QStringLiteral("Your channels will now be replaced.\n\nReplacement file: http://") + host +
                     QStringLiteral("/skychan1.sky\n\nDo you want to continue ?"));
        QCOMPARE(boxes_.value(1), QStringLiteral("Channel File has been processed !"));
        QCOMPARE(channels().size(), before);
        for (const auto& c : channels().channels()) QVERIFY(c->name != "Mine");
        // Saved at once: nothing is left for the question at close.
        QVERIFY(!frame()->context().channels->setupChanged());
        CChannelList onDisk;
        QVERIFY(onDisk.Load(MainChannelFilePath()));
        QCOMPARE(onDisk.size(), before);
    }

    void softwareUpdateDownloadsCancelsAndReportsAMissingInstaller() {
        S().WriteString("local", "zip", "10001");
        S().WriteString("Misc", "Account", "UNREGISTERED");
        Start();
        WaitForStartUpImport();
        // None on the service: nothing is offered or downloaded.
        frame()->context().downloads().UpdateSoftware();
        QVERIFY(QTest::qWaitFor([&] { return !frame()->context().downloads().busy() && !boxes_.isEmpty(); },
                                15000));
        QCOMPARE(boxes_, QStringList{QStringLiteral("SkyHarbor is up to date.")});
        QVERIFY(!frame()->context().downloads().downloadWindow() ||
                !frame()->context().downloads().downloadWindow()->isVisible());

        std::string installer(24 << 20, '\0');
        for (size_t i = 0; i < installer.size(); i += 4096) installer[i] = char('A' + (i / 4096) % 26);
        std::filesystem::create_directories(DataDir() + "/bin");
        test::WriteFile(DataDir() + "/bin/skysetup.exe", installer);
        test::WriteFile(DataDir() + "/bin/version.txt", "99.0\n");
        // The question comes once the service has named a newer version; Yes starts the download.
        // (the question and the start come together.)

        // Cancelled at once: "Update Aborted", nothing run.
        QString ran;
        frame()->context().downloads().SetInstallerRunner([&](const QString& path) {
            ran = path;
            return true;
        });
        boxes_.clear();
        frame()->context().downloads().UpdateSoftware();
        QVERIFY(QTest::qWaitFor([&] { return boxes_.size() == 1; }, 15000));
        QVERIFY(boxes_.value(0).startsWith(QStringLiteral("We will now download an updated version")));
        QVERIFY(frame()->context().downloads().busy());
        // A running download keeps the ping back; the count goes on.
        int sent = frame()->context().session().pingsSent();
        frame()->context().session().OnTimer(MemberSession::kTimerPing);
        QCOMPARE(frame()->context().session().pingsSent(), sent);
        QCOMPARE(frame()->context().session().pingCount(), 1);
        frame()->context().downloads().CancelDownload();
        QVERIFY(QTest::qWaitFor([&] { return boxes_.size() == 2; }, 15000));
        QCOMPARE(boxes_.last(), QStringLiteral("Update Aborted"));
        QVERIFY(ran.isEmpty());
        QVERIFY(
            !QFileInfo::exists(QFileInfo(frame()->context().downloads().downloadTarget()).absolutePath()));

        // Through to the end: the bar is full, the installer runs once the
        // frame has closed, and the next start deletes it.
        boxes_.clear();
        frame()->context().downloads().UpdateSoftware();
        QVERIFY(QTest::qWaitFor([&] { return boxes_.size() == 1; }, 15000));
        CDownloadProgressDlg* progress = frame()->context().downloads().downloadWindow();
        QCOMPARE(progress->windowTitle(), QStringLiteral("Downloading Software Updates"));
        QVERIFY(QTest::qWaitFor([&] { return !ran.isEmpty(); }, 20000));
        QCOMPARE(progress->bar()->value(), progress->bar()->maximum());
        QVERIFY(progress->statusLine()->text().startsWith(QStringLiteral("Downloaded '")));
        QVERIFY(!frame()->isVisible());
        QCOMPARE(QString::fromStdString(test::ReadFile(ran.toStdString())).size(),
                 qsizetype(installer.size()));
        QVERIFY(test::ReadFile(ran.toStdString()) == installer);
        QCOMPARE(S().GetString("Misc", "DeleteUpdateFile"), ran.toStdString());
        app_->ExitInstance();
        app_.reset();
        Start();
        QVERIFY(!QFile::exists(ran));
        QCOMPARE(S().GetString("Misc", "DeleteUpdateFile"), std::string());
    }

    void softwareUpdateOffersOnlyANewerVersion() {
        S().WriteString("local", "zip", "10001");
        S().WriteString("Misc", "Account", "UNREGISTERED");
        Start();
        WaitForStartUpImport();
        DownloadManager& downloads = frame()->context().downloads();
        bool ran = false;
        downloads.SetInstallerRunner([&](const QString&) { return ran = true; });
        // An installer of this very version is nothing new.
        std::filesystem::create_directories(DataDir() + "/bin");
        test::WriteFile(DataDir() + "/bin/skysetup.exe", "MZ installer");
        test::WriteFile(DataDir() + "/bin/version.txt", ProgramVersion().text + "\n");
        downloads.UpdateSoftware();
        QVERIFY(QTest::qWaitFor([&] { return !downloads.busy() && !boxes_.isEmpty(); }, 15000));
        QCOMPARE(boxes_, QStringList{QStringLiteral("SkyHarbor is up to date.")});
        QVERIFY(!downloads.downloadWindow() || !downloads.downloadWindow()->isVisible());
        QVERIFY(!ran);

        // A service that cannot be reached is still a connection error.
        boxes_.clear();
        app_->embeddedService()->Stop();
        downloads.UpdateSoftware();
        QVERIFY(QTest::qWaitFor([&] { return !downloads.busy() && !boxes_.isEmpty(); }, 15000));
        QCOMPARE(boxes_, QStringList{QStringLiteral("Error connecting to the server.  Please try again")});
        QVERIFY(!downloads.downloadWindow() || !downloads.downloadWindow()->isVisible());
    }

    void loginLoadsTheMemberStartPageAndLogoutEndsTheSession() {
        StartWithWalker();
        onDialog_ = [&](QDialog& dialog) -> int {
            auto* login = qobject_cast<CLoginDlg*>(&dialog);
            if (!login) return QDialog::Rejected;
            return Drive(dialog, [login] {
                login->accountEdit()->setText(QStringLiteral("walker"));
                login->passwordEdit()->setText(QStringLiteral("trail-42"));
                login->accept();
            });
        };
        MemberSession& session = frame()->context().session();
        QVERIFY(session.RunLogin());
        QCOMPARE(frame()->statusBar()->currentMessage(), QStringLiteral("Logged in as walker"));

        // The service's start page greets the member in the main browser.
        CK7View* view = frame()->context().browser->MainBrowserView();
        QVERIFY(QTest::qWaitFor(
            [&] { return view->LocationUrl().contains(QLatin1String("U=walker")) && !view->IsLoading(); },
            15000));
        QString text;
        view->page()->toPlainText([&](const QString& t) { text = t; });
        QVERIFY(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
        QVERIFY2(text.contains(QLatin1String("Welcome back, walker")), qPrintable(text));
        QVERIFY(!text.contains(QLatin1String("Become a member")));

        // Member › Logout: the session ends, the name stays for the next login.
        QAction* logout = nullptr;
        for (QAction* menu : frame()->menuBar()->actions())
            if (menu->text() == QLatin1String("&Member") && menu->menu())
                for (QAction* a : menu->menu()->actions())
                    if (a->text().remove(QLatin1Char('&')) == QLatin1String("Logout")) logout = a;
        QVERIFY(logout);
        logout->trigger();
        QVERIFY(!session.loggedIn());
        QVERIFY(!session.regClient().loggedIn());
        QCOMPARE(session.statusText(), QStringLiteral("Not Logged In"));
        QCOMPARE(frame()->statusBar()->currentMessage(), QStringLiteral("Not Logged In"));
        QCOMPARE(session.account(), QStringLiteral("walker"));
        QCOMPARE(S().GetString("Misc", "Account"), std::string("walker"));
        // The greeting by name goes with the session.
        QVERIFY(QTest::qWaitFor(
            [&] { return view->LocationUrl().endsWith(QLatin1String("/skydata.htm")) && !view->IsLoading(); },
            15000));
        text.clear();
        view->page()->toPlainText([&](const QString& t) { text = t; });
        QVERIFY(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
        QVERIFY2(text.contains(QLatin1String("Become a member")), qPrintable(text));
    }

    void desktopMessagesSayWhatHappened() {
        // A desktop of its own, with no mail program and no KDE tools.
        QByteArray data = QByteArray::fromStdString(sandbox_->path("xdg-data"));
        QByteArray config = QByteArray::fromStdString(sandbox_->path("xdg-config"));
        qputenv("XDG_DATA_HOME", data);
        qputenv("XDG_CONFIG_HOME", config);
        qputenv("BROWSER", "false");
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        auto restore = qScopeGuard([] {
            for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "BROWSER", "XDG_CURRENT_DESKTOP"})
                qunsetenv(name);
        });

        // KDE's own tool is missing, so xdg-settings ends with an error, yet
        // the default it sets for every desktop took.
        XdgDefaultBrowser browser;
        QString error;
        QVERIFY2(browser.MakeDefault(&error), qPrintable(error));
        QCOMPARE(browser.IsDefault(), std::optional<bool>(true));

        // SkyHarbor takes mailto: links too: its own mail opens, no second copy.
        qunsetenv("XDG_CURRENT_DESKTOP");
        S().WriteString("local", "zip", "10001");
        S().WriteString("Misc", "Account", "UNREGISTERED");
        Start();
        answerYes_ = false;
        boxes_.clear();
        int windows = frame()->mdiArea()->subWindowList().size();
        frame()->context().registry().Invoke(QStringLiteral("shell.emailProgram"));
        QCOMPARE(frame()->mdiArea()->subWindowList().size(), windows + 1);
        QVERIFY(boxes_.isEmpty());

        // No mail program at all: said so, with SkyHarbor's own mail offered.
        qputenv("XDG_DATA_HOME", data + "-none");
        qputenv("XDG_CONFIG_HOME", config + "-none");
        frame()->context().registry().Invoke(QStringLiteral("shell.emailProgram"));
        QVERIFY(QTest::qWaitFor([&] { return boxes_.size() == 1; }, 15000));
        QVERIFY2(boxes_[0].startsWith(QStringLiteral("Could not start your E-Mail program.")),
                 qPrintable(boxes_[0]));
        QVERIFY2(boxes_[0].contains(QStringLiteral("no method available for opening 'mailto:'")),
                 qPrintable(boxes_[0]));
        QVERIFY(boxes_[0].contains(QStringLiteral("SkyHarbor's E-Mail")));
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_service_test.moc"
