#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWebEngineView>
#include <filesystem>
#include <memory>

#include <QTabBar>
#include <QToolButton>
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "support/sandbox.h"
#include "ui/app/address_box.h"
#include "ui/app/address_dialogs.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/default_browser.h"
#include "ui/app/main_frame.h"
#include "ui/app/nav_bar.h"
#include "ui/app/nav_strip.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/sky_web_page.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/channels_tool.h"
#include "ui/channels/sub_channel_view.h"
#include "ui/httpsvr/httpsvr_view.h"
#include "ui/service/download_manager.h"
#include "ui/service/member_session.h"

using namespace sky;
using namespace sky::ui;

namespace {

class FakeDefaultBrowser : public DefaultBrowser {
public:
    std::optional<bool> isDefault = false;
    int madeDefault = 0;
    std::optional<bool> IsDefault() override { return isDefault; }
    bool MakeDefault(QString*) override {
        ++madeDefault;
        isDefault = true;
        return true;
    }
};

struct Box {
    MessageKind kind;
    QString title, text;
};

}  // namespace

class UiAppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    FakeDefaultBrowser browser_;
    QList<Box> boxes_;
    bool answerYes_ = false;
    int prompts_ = 0;

    std::unique_ptr<CK7App> Start(const QStringList& args = {QStringLiteral("skyharbor")}) {
        // The first-run sheets and the embedded service have tests of their own.
        if (S().GetString("local", "zip").empty()) S().WriteString("local", "zip", "10001");
        if (!std::filesystem::exists(MainChannelFilePath()))
            test::WriteFile(MainChannelFilePath(), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
        S().WriteInt("Service", "EmbeddedPort", 0);
        auto app = std::make_unique<CK7App>(args, CK7App::Options{false, &browser_});
        if (!app->InitInstance()) return nullptr;
        return app;
    }
    SettingsStore& S() { return SettingsStore::App(); }
    QStringList Texts() const {
        QStringList out;
        for (const auto& b : boxes_) out << b.text;
        return out;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        browser_ = FakeDefaultBrowser();
        boxes_.clear();
        answerYes_ = false;
        prompts_ = 0;
        SetMessageHook([this](MessageKind kind, const QString& title, const QString& text) {
            boxes_.append({kind, title, text});
            return answerYes_;
        });
        SetDialogHook([](QDialog& dialog) {
            return dialog.objectName() == QLatin1String("CRegPropertySheet") ? int(QDialog::Rejected) : -1;
        });
        SetDefaultBrowserPrompt([this](QWidget*, bool* dontAsk) {
            ++prompts_;
            *dontAsk = true;
            return true;
        });
    }
    void cleanup() {
        SetMessageHook({});
        SetDialogHook({});
        SetDefaultBrowserPrompt({});
        sandbox_.reset();
    }

    void firstStartRecordsCookieOnceAndAccount() {
        QString cookie;
        {
            auto app = Start();
            QVERIFY(app);
            cookie = QString::fromStdString(S().GetString("Misc", "Cook"));
            QVERIFY(!cookie.isEmpty());
            QCOMPARE(cookie, app->frame()->context().session().installCookie());
            QCOMPARE(S().GetString("Misc", "Account"), std::string("UNREGISTERED"));
            QCOMPARE(app->frame()->context().session().account(), QStringLiteral("UNREGISTERED"));
            // The start-up question was asked once and its box saved.
            QCOMPARE(prompts_, 1);
            QCOMPARE(browser_.madeDefault, 1);
            QCOMPARE(S().GetInt("misc", "PromptForDefBrowser", 0), 1);
            QVERIFY(Texts().contains(QStringLiteral("SkyHarbor is now your default Browser")));
            app->frame()->close();
            app->ExitInstance();
        }
        QTest::qWait(50);
        S().WriteString("Misc", "Account", "sampleid");
        auto again = Start();
        QVERIFY(again);
        QCOMPARE(QString::fromStdString(S().GetString("Misc", "Cook")), cookie);
        QCOMPARE(again->frame()->context().session().account(), QStringLiteral("sampleid"));
        // Already the default: asked no more.
        QCOMPARE(prompts_, 1);
        again->ExitInstance();
    }

    void mainBrowserWindowAndFirstNavigation() {
        QString file = QString::fromStdString(sandbox_->path("page.htm"));
        test::WriteFile(file.toStdString(), "<html><head><title>T</title></head><body>hi</body></html>");
        auto app = Start({QStringLiteral("skyharbor"), file});
        QVERIFY(app);
        CMainFrame* f = app->frame();
        QVERIFY(f->context().browser->MainBrowserView());
        auto* sub = qobject_cast<QMdiSubWindow*>(f->context().browser->MainBrowserView()->parentWidget());
        QVERIFY(sub);
        QCOMPARE(sub->windowTitle(), QStringLiteral("Browser"));
        QVERIFY(sub->isMaximized());
        QTRY_COMPARE_WITH_TIMEOUT(f->context().browser->MainBrowserView()->LocationUrl(),
                                  QUrl::fromLocalFile(file).toString(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(f->addressBox()->currentText(), QUrl::fromLocalFile(file).toString(), 5000);
        QVERIFY(f->windowTitle().startsWith(QStringLiteral("SkyHarbor (1.5 G)")));
        QVERIFY(!f->context().session().engineBuild().isEmpty() &&
                f->context().session().engineBuild() != QStringLiteral("?"));
        QCOMPARE(f->statusBar()->findChildren<QWidget*>().size() >= 4, true);
        app->ExitInstance();
    }

    void secondStartHandsItsFileToTheFirst() {
        auto app = Start();
        QVERIFY(app);
        QString file = QString::fromStdString(sandbox_->path("second.htm"));
        test::WriteFile(file.toStdString(), "<html><body>second</body></html>");
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QStringLiteral(SKYHARBOR_BIN), {file});
        // The second copy never shows a window; it hands over and ends.
        while (second.state() != QProcess::NotRunning) QTest::qWait(20);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(app->frame()->context().browser->MainBrowserView()->LocationUrl(),
                                  QUrl::fromLocalFile(file).toString(), 20000);
        app->ExitInstance();
    }

    void addressBoxKeepsFiftyNewestFirst() {
        AddressBox box;
        for (int i = 1; i <= 51; ++i) box.AddVisited(QStringLiteral("http://site%1.example/").arg(i));
        QCOMPARE(box.count(), 50);
        QCOMPARE(box.itemText(0), QStringLiteral("http://site51.example/"));
        QVERIFY(!box.entries().contains(QStringLiteral("http://site1.example/")));
        QVERIFY(box.entries().contains(QStringLiteral("http://site2.example/")));

        // Activation lists an address only when it is not there yet.
        box.ShowActive(QStringLiteral("http://site30.example/"));
        QCOMPARE(box.count(), 50);
        QCOMPARE(box.currentText(), QStringLiteral("http://site30.example/"));
        box.ShowActive(QStringLiteral("http://new.example/"));
        QCOMPARE(box.itemText(0), QStringLiteral("http://new.example/"));
        QCOMPARE(box.count(), 50);

        // Command addresses are listed but never shown in the field.
        box.AddVisited(QStringLiteral("http://peer:8080/~SKYCMD/x"));
        QCOMPARE(box.itemText(0), QStringLiteral("http://peer:8080/~SKYCMD/x"));
        QVERIFY(!box.currentText().contains(QStringLiteral("SKYCMD")));

        // Enter hands the typed text over exactly once.
        QStringList entered, chosen;
        connect(&box, &AddressBox::addressEntered, this, [&](const QString& t) { entered << t; });
        connect(&box, &AddressBox::addressChosen, this, [&](const QString& t) { chosen << t; });
        box.lineEdit()->setText(QStringLiteral("http://site30.example/"));
        QTest::keyClick(box.lineEdit(), Qt::Key_Return);
        QCOMPARE(entered, QStringList{QStringLiteral("http://site30.example/")});
        QVERIFY(chosen.isEmpty());
    }

    void zoomModeOnAndOff() {
        S().WriteInt("Startup", "Zoom", 1);
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        QVERIFY(f->IsZoomed());
        QVERIFY(!f->menuBar()->isVisible());
        QVERIFY(!f->navToolBar()->isVisible());
        QVERIFY(f->zoomBar()->isVisible());
        QVERIFY(f->windowFlags() & Qt::FramelessWindowHint);

        // Timer 3 brings back a zoom bar that was hidden, docked at the bottom.
        f->zoomBar()->hide();
        f->OnTimer(CMainFrame::kTimerZoomBar);
        QVERIFY(f->zoomBar()->isVisible());
        QCOMPARE(f->toolBarArea(f->zoomBar()), Qt::BottomToolBarArea);

        f->SetChannelBarShown(false);
        f->context().registry().Invoke(QStringLiteral("frame.zoom"));
        QVERIFY(!f->IsZoomed());
        QVERIFY(f->menuBar()->isVisible());
        QVERIFY(f->navToolBar()->isVisible());
        QVERIFY(!f->zoomBar()->isVisible());
        QVERIFY(f->channelBar()->isVisible());
        QVERIFY(!(f->windowFlags() & Qt::FramelessWindowHint));
        // Out of zoom mode the timer leaves the bars alone.
        f->OnTimer(CMainFrame::kTimerZoomBar);
        QVERIFY(!f->zoomBar()->isVisible());

        f->close();
        QCOMPARE(S().GetInt("Startup", "Zoom", -1), 0);
        app->ExitInstance();
    }

    void closingWritesStateAndAsksAboutChannelsOnce() {
        auto app = Start();
        QVERIFY(app);
        boxes_.clear();  // the start-up's own (the default browser)
        CMainFrame* f = app->frame();
        f->EnterZoomMode();
        f->context().channels->SetSetupChanged(true);
        answerYes_ = false;
        f->close();
        QCOMPARE(S().GetInt("Startup", "Zoom", 0), 1);
        QVERIFY(!S().GetString("BarState", "Layout").empty());
        QCOMPARE(S().GetInt("misc", "popup", -1), 1);
        QCOMPARE(S().GetInt("misc", "statuspopup", -1), 0);
        QVERIFY(S().Has("misc", "showChannelInto"));
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[0].title, QStringLiteral("Save Changes ?"));
        QCOMPARE(
            boxes_[0].text,
            QStringLiteral("You have made changes to your channel setup.\n\nDo you want to save them ?"));
        QCOMPARE(boxes_[1].text, QStringLiteral("Changes have been forgotten !"));
        // Destruction repeats the settings step without asking again.
        app->ExitInstance();
        QCOMPARE(boxes_.size(), 2);
    }

    void channelChangesSavedOnYes() {
        auto app = Start();
        QVERIFY(app);
        int saved = 0;
        app->frame()->context().channels->SetChannelSaver([&] {
            ++saved;
            return true;
        });
        app->frame()->context().channels->SetSetupChanged(true);
        answerYes_ = true;
        app->frame()->context().registry().Invoke(QStringLiteral("frame.saveSettings"));
        QCOMPARE(saved, 1);
        QVERIFY(!app->frame()->context().channels->setupChanged());
        app->ExitInstance();
        QCOMPARE(saved, 1);
    }

    void defaultBrowserCheckRules() {
        // Start-up with "do not ask" set: silent, nothing changed.
        S().WriteInt("misc", "PromptForDefBrowser", 1);
        RunDefaultBrowserCheck(nullptr, S(), browser_, true);
        QCOMPARE(prompts_, 0);
        QCOMPARE(browser_.madeDefault, 0);
        QVERIFY(boxes_.isEmpty());
        // On demand it associates at once and says so.
        RunDefaultBrowserCheck(nullptr, S(), browser_, false);
        QCOMPARE(browser_.madeDefault, 1);
        QCOMPARE(Texts(), QStringList{QStringLiteral("SkyHarbor is now your default Browser")});
        RunDefaultBrowserCheck(nullptr, S(), browser_, false);
        QCOMPARE(Texts().last(), QStringLiteral("SkyHarbor is already your default browser"));
        // A desktop that cannot say is not asked at start-up.
        S().WriteInt("misc", "PromptForDefBrowser", 0);
        browser_.isDefault = std::nullopt;
        RunDefaultBrowserCheck(nullptr, S(), browser_, true);
        QCOMPARE(prompts_, 0);
    }

    void schemeStripAndButtonRanges() {
        NavStrip plain(S());
        QVERIFY(plain.usingBuiltIn());
        std::string dir = sandbox_->path("scheme");
        std::filesystem::create_directories(dir);
        S().WriteString("bitmaps", "schemedir", dir);
        NavStrip missing(S());
        QVERIFY(missing.usingBuiltIn());
        QImage img(NavStrip::kWidth, NavStrip::kHeight, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(QString::fromStdString(dir + "/toolbar.bmp"), "BMP"));
        NavStrip scheme(S());
        QVERIFY(!scheme.usingBuiltIn());

        // Where two ranges meet, the earlier button wins; outside, none.
        QCOMPARE(NavStrip::ButtonAt(0), -1);
        QCOMPARE(NavStrip::ButtonAt(1), int(NavStrip::Back));
        QCOMPARE(NavStrip::ButtonAt(35), -1);
        QCOMPARE(NavStrip::ButtonAt(133), int(NavStrip::Stop));
        QCOMPARE(NavStrip::ButtonAt(195), int(NavStrip::Refresh));
        QCOMPARE(NavStrip::ButtonAt(199), int(NavStrip::Home));
        QCOMPARE(NavStrip::ButtonAt(614), int(NavStrip::ControlPanel));
        QCOMPARE(NavStrip::ButtonAt(615), -1);
    }

    void webSpaceToolsShareOneWindow() {
        auto app = Start();
        QVERIFY(app);
        int windows = app->frame()->mdiArea()->subWindowList().size();
        auto fileManagers = [] {
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                n += w->isVisible() && w->windowTitle() == QLatin1String("Web Space File Manager");
            return n;
        };
        // The file manager is a window of its own, beside the frame; Web Space opens the same one.
        app->frame()->context().registry().Invoke(QStringLiteral("tools.webSpace"));
        QCOMPARE(fileManagers(), 1);
        app->frame()->context().registry().Invoke(QStringLiteral("tools.fileManager"));
        QCOMPARE(fileManagers(), 1);
        QCOMPARE(app->frame()->mdiArea()->subWindowList().size(), windows);
        // A second browser opens as its own window.
        app->frame()->context().registry().Invoke(QStringLiteral("browser.new"));
        QCOMPARE(app->frame()->mdiArea()->subWindowList().size(), windows + 1);
        app->ExitInstance();
    }

    void channelTabsOpenTheChannelViewer() {
        std::string pages = sandbox_->path("pages");
        std::filesystem::create_directories(pages);
        test::WriteFile(pages + "/a.htm", "<html><title>Alpha</title><body>A</body></html>");
        test::WriteFile(pages + "/b.htm", "<html><title>Beta</title><body>B</body></html>");
        CChannelList list;
        CChannelList::AppendChild(list.AppendChannel("Alpha"), "A", "file://" + pages + "/a.htm");
        CChannelItem* beta = list.AppendChannel("Beta Sites");
        CChannelItem* folder = CChannelList::AppendChild(beta, "Folder", "_FOLDER");
        CChannelList::AppendChild(folder, "B", "file://" + pages + "/b.htm");
        QVERIFY(list.Save(MainChannelFilePath()));

        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        QCOMPARE(f->context().channels->bar()->channelTabCount(), 2);
        f->context().channels->bar()->channelTab(1)->click();
        QMdiSubWindow* viewer = f->context().channels->ChannelWindow(false, false);
        QVERIFY(viewer);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Channel Viewer"));
        QCOMPARE(f->mdiArea()->activeSubWindow(), viewer);
        CSubChannelView* rows = ChannelsTool::SubChannelViewOf(viewer);
        QCOMPARE(rows->currentChannel(), 1);
        QCOMPARE(rows->pageTabs()->tabText(0), QStringLiteral("B"));
        auto* view = qobject_cast<CK7View*>(viewer->widget());
        QVERIFY(
            QTest::qWaitFor([&] { return view->LocationUrl().endsWith(QLatin1String("/b.htm")); }, 10000));
        // The window keeps its name whatever page it shows.
        QVERIFY(QTest::qWaitFor([&] { return view->PageTitle() == QLatin1String("Beta"); }, 10000));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Channel Viewer"));

        // Browse brings the main browser back and marks its place.
        f->context().channels->bar()->placeTab(0)->click();
        QCOMPARE(f->mdiArea()->activeSubWindow()->widget(),
                 static_cast<QWidget*>(f->context().browser->MainBrowserView()));
        QCOMPARE(f->context().channels->bar()->selectedChannel(), -1);
        // Activating the viewer again marks its channel.
        f->mdiArea()->setActiveSubWindow(viewer);
        QCOMPARE(f->context().channels->bar()->selectedChannel(), 1);
        app->ExitInstance();
    }

    void localPlaceWithoutChannelOffersTheSheet() {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        f->context().channels->bar()->placeTab(1)->click();
        QMdiSubWindow* local = f->context().channels->ChannelWindow(true, false);
        QVERIFY(local);
        QCOMPARE(local->windowTitle(), QStringLiteral("Local Web Sites"));
        auto* view = qobject_cast<CK7View*>(local->widget());
        QVERIFY(
            QTest::qWaitFor([&] { return view->PageTitle() == QLatin1String("Local Web Sites"); }, 10000));
        // Its link is a command link: it opens the local channel sheet.
        QString sheetTitle;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                sheetTitle = modal->windowTitle();
                modal->close();
            }
        });
        poll.start(50);
        view->page()->runJavaScript(QStringLiteral("document.querySelector('a').click()"));
        QVERIFY(QTest::qWaitFor([&] { return !sheetTitle.isEmpty(); }, 10000));
        QCOMPARE(sheetTitle, QStringLiteral("Local Channel Settings"));
        app->ExitInstance();
    }

    // Every command word a link or the address box can name has a tool behind it.
    void everyLinkAndTypedWordHasATool() {
        auto app = Start();
        QVERIFY(app);
        ToolRegistry& registry = app->frame()->context().registry();
        for (int w = int(LinkCommand::Zoom); w <= int(LinkCommand::Login); ++w) {
            QString id = registry.CommandOfLink(LinkCommand(w));
            QVERIFY2(!id.isEmpty() && registry.action(id), qPrintable(QString::number(w)));
        }
        // No two commands answer one key: Qt would run neither.
        QMap<QString, QString> keys;
        for (const CommandSpec& spec : registry.commands())
            for (const QKeySequence& key : registry.action(spec.id)->shortcuts()) {
                QString text = key.toString();
                QVERIFY2(!keys.contains(text), qPrintable(text + " " + keys.value(text) + " " + spec.id));
                keys.insert(text, spec.id);
            }
        // The menu shows the very action a link runs.
        QAction* inMenu = nullptr;
        for (QAction* menu : app->frame()->menuBar()->actions())
            for (QAction* a : menu->menu()->actions())
                if (a->text() == QLatin1String("&Customize Channels...")) inMenu = a;
        QCOMPARE(inMenu, registry.action(registry.CommandOfLink(LinkCommand::CustomChannels)));
        // "pageedit" opens the page editor's template chooser.
        boxes_.clear();
        QStringList asked;
        SetDialogHook([&](QDialog& dialog) {
            asked << dialog.objectName();
            return int(QDialog::Rejected);
        });
        app->frame()->HandleAddress(QStringLiteral("pageedit"), false);
        QCOMPARE(asked, QStringList{QStringLiteral("picker:select")});
        QCOMPARE(Texts(), QStringList{});
        app->ExitInstance();
    }

    // "post" reaches the public space through the web-space client; a guest is told to log in.
    // Edit opens the file in SkyPad.
    void postDialogPostsAndEdits() {
        auto app = Start();
        QVERIFY(app);
        std::string file = sandbox_->path("page.htm");
        test::WriteFile(file, "<p>hi</p>");
        boxes_.clear();
        bool asked = false;
        SetDialogHook([&](QDialog& dialog) {
            auto* post = qobject_cast<PostDialog*>(&dialog);
            if (!post) return -1;
            asked = true;
            post->localFileEdit()->setText(QString::fromStdString(file));
            post->remoteNameEdit()->setText(QStringLiteral("page.htm"));
            for (QPushButton* b : post->findChildren<QPushButton*>()) {
                if (b->text() == QLatin1String("&Post")) b->click();
                if (b->text() == QLatin1String("&Edit")) b->click();
            }
            return int(QDialog::Rejected);
        });
        app->frame()->HandleAddress(QStringLiteral("post"), false);
        QVERIFY(asked);
        QVERIFY2(Texts().contains(QStringLiteral("You must be logged in to upload files to public space.")),
                 qPrintable(Texts().join(QLatin1Char('|'))));
        QVERIFY(Texts().contains(QStringLiteral("Error Occurred")));
        QMdiSubWindow* pad = app->frame()->mdiArea()->activeSubWindow();
        QVERIFY(pad && pad->windowTitle().contains(QStringLiteral("page.htm")));
        app->ExitInstance();
    }

    // Closing the server's window leaves the server running.
    void webServerOutlivesItsWindow() {
        int port = test::FreePort();
        S().WriteInt("Server", "Port", port);
        S().WriteString("Server", "ListenAddress", "127.0.0.1");
        std::string root = JoinPath(DataRoot(), "PublicFiles");
        std::filesystem::create_directories(root);
        test::WriteFile(root + "/hello.htm", "<html><body>hello</body></html>");
        auto app = Start();
        QVERIFY(app);
        QMdiArea* mdi = app->frame()->mdiArea();
        int before = mdi->subWindowList().size();
        QVERIFY(app->frame()->context().registry().Invoke(QStringLiteral("httpsvr.open")));
        QCOMPARE(mdi->subWindowList().size(), before + 1);
        QMdiSubWindow* window = mdi->subWindowList().last();
        auto answers = [port] {
            QProcess curl;
            curl.start(QStringLiteral("curl"),
                       {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                        QStringLiteral("-w"), QStringLiteral("%{http_code}"),
                        QStringLiteral("http://127.0.0.1:%1/hello.htm").arg(port)});
            while (curl.state() != QProcess::NotRunning) QTest::qWait(10);
            return QString::fromLatin1(curl.readAllStandardOutput());
        };
        QCOMPARE(answers(), QStringLiteral("200"));
        window->close();
        QTRY_COMPARE(mdi->subWindowList().size(), before);
        QCOMPARE(answers(), QStringLiteral("200"));
        // Opening it again shows the hits it answered meanwhile.
        QVERIFY(app->frame()->context().registry().Invoke(QStringLiteral("httpsvr.open")));
        auto* view = qobject_cast<CHttpSvrView*>(mdi->subWindowList().last()->widget());
        QVERIFY(view);
        QTRY_COMPARE(view->rowCount(), 1);
        QCOMPARE(view->HitAt(0)->hits, 2);
        app->ExitInstance();
    }

    void typedAddresses() {
        QCOMPARE(CK7View::UrlFromAddress(QStringLiteral("example.com")).toString(),
                 QStringLiteral("http://example.com"));
        QCOMPARE(CK7View::UrlFromAddress(QStringLiteral("localhost:8080/a")).toString(),
                 QStringLiteral("http://localhost:8080/a"));
        QCOMPARE(CK7View::UrlFromAddress(QStringLiteral("https://x.org/p?q=1")).toString(),
                 QStringLiteral("https://x.org/p?q=1"));
        QCOMPARE(CK7View::UrlFromAddress(QStringLiteral("/tmp/a b.htm")),
                 QUrl::fromLocalFile("/tmp/a b.htm"));
        QCOMPARE(CK7View::UrlFromAddress(QStringLiteral("about:blank")).toString(),
                 QStringLiteral("about:blank"));
        QCOMPARE(CK7View::UrlFromAddress(QStringLiteral("  ")), QUrl());
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_app_test.moc"
