#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
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
#include "ui/channels/channel_bar.h"
#include "ui/channels/channels_tool.h"

using namespace sky;
using namespace sky::ui;

namespace {

class QuietDefaultBrowser : public DefaultBrowser {
public:
    std::optional<bool> IsDefault() override { return true; }
    bool MakeDefault(QString*) override { return true; }
};

QMenu* MenuOf(CMainFrame* f, const QString& title) {
    for (QAction* a : f->menuBar()->actions())
        if (a->text() == title) return a->menu();
    return nullptr;
}

QAction* MenuAction(CMainFrame* f, const QString& menu, const QString& text) {
    if (QMenu* m = MenuOf(f, menu))
        for (QAction* a : m->actions())
            if (a->text() == text) return a;
    return nullptr;
}

// Big enough to read a page in; the stub windows were 120x30.
bool Usable(const QMdiSubWindow* w) {
    return w->width() >= 400 && w->height() >= 300;
}

}  // namespace

class UiWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    QuietDefaultBrowser browser_;

    std::unique_ptr<CK7App> Start() {
        if (S().GetString("local", "zip").empty()) S().WriteString("local", "zip", "10001");
        if (!std::filesystem::exists(MainChannelFilePath()))
            test::WriteFile(MainChannelFilePath(), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:about:blank\r\n");
        S().WriteInt("Service", "EmbeddedPort", 0);
        auto app = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                            CK7App::Options{false, &browser_});
        if (!app->InitInstance()) return nullptr;
        return app;
    }
    SettingsStore& S() { return SettingsStore::App(); }
    QString Page(const char* name, const char* title) {
        std::string path = sandbox_->path(name);
        test::WriteFile(path,
                        std::string("<html><head><title>") + title + "</title></head><body>x</body></html>");
        return QUrl::fromLocalFile(QString::fromStdString(path)).toString();
    }
    static bool Active(CMainFrame* f) {
        f->activateWindow();
        return QTest::qWaitForWindowActive(f);
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        SetMessageHook([](MessageKind, const QString&, const QString&) { return false; });
        SetDialogHook([](QDialog&) { return int(QDialog::Rejected); });
    }
    void cleanup() {
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
    }

    void newWindowsAndCascadeKeepUsableSizes() {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        QMdiArea* mdi = f->mdiArea();
        QRect area = mdi->viewport()->rect();
        f->context().registry().Invoke(QStringLiteral("browser.new"));
        QMdiSubWindow* second = mdi->activeSubWindow();
        QVERIFY(second && second->widget() != f->context().browser->MainBrowserView());
        QVERIFY(Usable(second));
        QVERIFY(area.contains(second->geometry()));

        // "Server Status" opens whole, not cut off at the right edge, also
        // cascaded from a window at the right.
        second->setGeometry(QRect(area.width() - 740, 10, 700, 500));
        QVERIFY(f->context().registry().Invoke(QStringLiteral("httpsvr.open")));
        QMdiSubWindow* server = mdi->activeSubWindow();
        QVERIFY(server->windowTitle().contains(QLatin1String("Server")));
        QVERIFY(area.contains(server->geometry()));

        QAction* cascade = MenuAction(f, QStringLiteral("&Window"), QStringLiteral("&Cascade"));
        QVERIFY(cascade);
        cascade->trigger();
        QCOMPARE(mdi->subWindowList().size(), 3);
        for (QMdiSubWindow* w : mdi->subWindowList()) {
            QVERIFY2(Usable(w), qPrintable(w->windowTitle()));
            QVERIFY(area.contains(w->geometry()));
        }
        app->ExitInstance();
    }

    // Opened before the frame is first shown, the server's window still gets a real size.
    void serverWindowOpenedAtStartIsWhole() {
        S().WriteInt("Server", "StartAtStartup", 1);
        S().WriteInt("Server", "Port", test::FreePort());
        S().WriteString("Server", "ListenAddress", "127.0.0.1");
        auto app = Start();
        QVERIFY(app);
        QMdiArea* mdi = app->frame()->mdiArea();
        QMdiSubWindow* server = nullptr;
        for (QMdiSubWindow* w : mdi->subWindowList())
            if (w->windowTitle().contains(QLatin1String("Server"))) server = w;
        QVERIFY(server);
        QTRY_VERIFY(Usable(server) && mdi->viewport()->rect().contains(server->geometry()));
        app->ExitInstance();
    }

    void windowMenuListsWindowsAndChecksTheActive() {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        f->context().registry().Invoke(QStringLiteral("browser.new"));
        QMdiSubWindow* second = f->mdiArea()->activeSubWindow();
        second->setWindowTitle(QStringLiteral("Second One"));
        QMenu* menu = MenuOf(f, QStringLiteral("&Window"));
        QVERIFY(menu);
        emit menu->aboutToShow();
        QAction* browserEntry = nullptr;
        QAction* secondEntry = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->text().endsWith(QLatin1String(" Browser"))) browserEntry = a;
            if (a->text().endsWith(QLatin1String(" Second One"))) secondEntry = a;
        }
        QVERIFY(browserEntry && secondEntry);
        QVERIFY(secondEntry->isChecked());
        QVERIFY(!browserEntry->isChecked());
        // Choosing an entry activates its window, and the list follows.
        browserEntry->trigger();
        QCOMPARE(f->mdiArea()->activeSubWindow()->widget(),
                 static_cast<QWidget*>(f->context().browser->MainBrowserView()));
        emit menu->aboutToShow();
        int checked = 0;
        for (QAction* a : menu->actions())
            if (a->isChecked()) {
                ++checked;
                QVERIFY(a->text().endsWith(QLatin1String(" Browser")));
            }
        QCOMPARE(checked, 1);
        app->ExitInstance();
    }

    void tabsModeIsKeptAcrossARestart() {
        {
            auto app = Start();
            QVERIFY(app);
            CMainFrame* f = app->frame();
            QCOMPARE(f->mdiArea()->viewMode(), QMdiArea::SubWindowView);
            QAction* tabs = MenuAction(f, QStringLiteral("&View"), QStringLiteral("Show windows as tabs"));
            QVERIFY(tabs);
            QVERIFY(tabs->isCheckable() && !tabs->isChecked());
            tabs->trigger();
            QCOMPARE(f->mdiArea()->viewMode(), QMdiArea::TabbedView);
            QVERIFY(f->mdiArea()->tabsClosable());
            // A new window fills its tab.
            f->context().registry().Invoke(QStringLiteral("browser.new"));
            QVERIFY(f->mdiArea()->activeSubWindow()->isMaximized());
            app->ExitInstance();
        }
        auto again = Start();
        QVERIFY(again);
        QCOMPARE(again->frame()->mdiArea()->viewMode(), QMdiArea::TabbedView);
        QAction* tabs =
            MenuAction(again->frame(), QStringLiteral("&View"), QStringLiteral("Show windows as tabs"));
        QVERIFY(tabs->isChecked());
        tabs->trigger();
        QCOMPARE(again->frame()->mdiArea()->viewMode(), QMdiArea::SubWindowView);
        again->ExitInstance();
    }

    void closeAllThenBrowserCommandsReopenTheMainBrowser() {
        QString home = Page("home.htm", "Home Page");
        QString typed = Page("typed.htm", "Typed");
        S().WriteString("Startup", "Home", home.toStdString());
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        BrowserTool* browser = f->context().browser;
        QAction* closeAll = MenuAction(f, QStringLiteral("&Window"), QStringLiteral("Close &All"));
        QVERIFY(closeAll);

        closeAll->trigger();
        QTRY_VERIFY(f->mdiArea()->subWindowList().isEmpty() && !browser->MainBrowserView());
        f->context().registry().Invoke(QStringLiteral("browser.home"));
        QVERIFY(browser->MainBrowserView());
        QTRY_COMPARE_WITH_TIMEOUT(browser->MainBrowserView()->LocationUrl(), home, 20000);

        // Go with the typed address.
        closeAll->trigger();
        QTRY_VERIFY(!browser->MainBrowserView());
        f->addressBox()->lineEdit()->setText(typed);
        QTest::keyClick(f->addressBox()->lineEdit(), Qt::Key_Return);
        QVERIFY(browser->MainBrowserView());
        QTRY_COMPARE_WITH_TIMEOUT(browser->MainBrowserView()->LocationUrl(), typed, 20000);

        closeAll->trigger();
        QTRY_VERIFY(!browser->MainBrowserView());
        f->context().registry().Invoke(QStringLiteral("browser.show"));
        QVERIFY(browser->MainBrowserView());
        QCOMPARE(f->mdiArea()->activeSubWindow()->widget(),
                 static_cast<QWidget*>(browser->MainBrowserView()));
        app->ExitInstance();
    }

    void zoomRoundTripRestoresTheFrame() {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        QVERIFY(Active(f));
        QRect before = f->geometry();
        QRect screen = f->screen()->geometry();
        QTest::keyClick(f, Qt::Key_F11);
        QVERIFY(f->IsZoomed());
        QVERIFY(!f->menuBar()->isVisible());
        QVERIFY(Active(f));
        QTest::keyClick(f, Qt::Key_F11);
        QVERIFY(!f->IsZoomed());
        QTRY_COMPARE(f->geometry(), before);
        QVERIFY(screen.contains(f->frameGeometry()));
        QVERIFY(f->channelBar()->isVisible());

        app->ExitInstance();
    }

    void addressKeysAndClosingTheActiveWindow() {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        QVERIFY(Active(f));
        QLineEdit* edit = f->addressBox()->lineEdit();
        edit->setText(QStringLiteral("http://example.com/"));
        const QList<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_L, Qt::ControlModifier}, {Qt::Key_D, Qt::AltModifier}, {Qt::Key_F6, Qt::NoModifier}};
        for (const auto& [key, mods] : keys) {
            f->mdiArea()->setFocus();
            edit->deselect();
            QVERIFY(!edit->hasFocus());
            QTest::keyClick(f->mdiArea(), key, mods);
            QTRY_VERIFY(edit->hasFocus());
            QCOMPARE(edit->selectedText(), QStringLiteral("http://example.com/"));
        }
        f->context().registry().Invoke(QStringLiteral("browser.new"));
        int windows = f->mdiArea()->subWindowList().size();
        QMdiSubWindow* second = f->mdiArea()->activeSubWindow();
        QVERIFY(Active(f));
        QTest::keyClick(f->mdiArea(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(f->mdiArea()->subWindowList().size(), windows - 1);
        QVERIFY(!f->mdiArea()->subWindowList().contains(second));
        app->ExitInstance();
    }

    void channelViewerReopensWhereItWasTiled() {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->frame();
        ChannelsTool* channels = f->context().channels;
        f->context().registry().Invoke(QStringLiteral("browser.new"));
        channels->bar()->channelTab(0)->click();
        QMdiSubWindow* viewer = channels->ChannelWindow(false, false);
        QVERIFY(viewer);
        QAction* tile = MenuAction(f, QStringLiteral("&Window"), QStringLiteral("&Tile"));
        tile->trigger();
        QRect tiled = viewer->geometry();
        viewer->close();
        QTRY_VERIFY(!channels->ChannelWindow(false, false));
        channels->bar()->channelTab(0)->click();
        viewer = channels->ChannelWindow(false, false);
        QVERIFY(viewer);
        QVERIFY(!viewer->isMaximized());
        QCOMPARE(viewer->geometry(), tiled);
        app->ExitInstance();
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_windows_test.moc"
