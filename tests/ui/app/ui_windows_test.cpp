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

// Big enough to read a page in; the stub windows were 120x30.
bool Usable(const QMdiSubWindow* w) {
    return w->width() >= 400 && w->height() >= 300;
}

}  // namespace

class UiWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    QuietDefaultBrowser browser_;
    std::unique_ptr<CK7App> app_;
    CMainFrame* f = nullptr;

    SettingsStore& S() { return SettingsStore::App(); }
    bool Start() {
        Stop();
        if (S().GetString("local", "zip").empty()) S().WriteString("local", "zip", "10001");
        if (!std::filesystem::exists(MainChannelFilePath()))
            test::WriteFile(MainChannelFilePath(), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:about:blank\r\n");
        S().WriteInt("Service", "EmbeddedPort", 0);
        app_ = std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")},
                                        CK7App::Options{false, &browser_});
        if (!app_->InitInstance()) return false;
        f = app_->frame();
        return true;
    }
    void Stop() {
        if (f) app_->ExitInstance();
        app_.reset();
        f = nullptr;
    }
    QMdiArea* mdi() { return f->mdiArea(); }
    BrowserTool* browser() { return f->context().browser; }
    bool Invoke(const char* id) { return f->context().registry().Invoke(QString::fromLatin1(id)); }
    QMenu* Menu(const char* title) {
        for (QAction* a : f->menuBar()->actions())
            if (a->text() == QLatin1String(title)) return a->menu();
        return nullptr;
    }
    QAction* Item(const char* menu, const char* text) {
        if (QMenu* m = Menu(menu))
            for (QAction* a : m->actions())
                if (a->text() == QLatin1String(text)) return a;
        return nullptr;
    }
    QString Page(const char* name, const char* title) {
        std::string path = sandbox_->path(name);
        test::WriteFile(path,
                        std::string("<html><head><title>") + title + "</title></head><body>x</body></html>");
        return QUrl::fromLocalFile(QString::fromStdString(path)).toString();
    }
    bool Active() {
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
        Stop();
        SetMessageHook({});
        SetDialogHook({});
        sandbox_.reset();
    }

    void newWindowsAndCascadeKeepUsableSizes() {
        QVERIFY(Start());
        QRect area = mdi()->viewport()->rect();
        Invoke("browser.new");
        QMdiSubWindow* second = mdi()->activeSubWindow();
        QVERIFY(second && second->widget() != browser()->MainBrowserView());
        QVERIFY(Usable(second) && area.contains(second->geometry()));

        // "Server Status" opens whole, also cascaded from a window at the right.
        second->setGeometry(QRect(area.width() - 740, 10, 700, 500));
        QVERIFY(Invoke("httpsvr.open"));
        QVERIFY(mdi()->activeSubWindow()->windowTitle().contains(QLatin1String("Server")));
        QVERIFY(area.contains(mdi()->activeSubWindow()->geometry()));

        Item("&Window", "&Cascade")->trigger();
        QCOMPARE(mdi()->subWindowList().size(), 3);
        for (QMdiSubWindow* w : mdi()->subWindowList())
            QVERIFY2(Usable(w) && area.contains(w->geometry()), qPrintable(w->windowTitle()));
    }

    // Opened before the frame is first shown, the server's window still gets a real size.
    void serverWindowOpenedAtStartIsWhole() {
        S().WriteInt("Server", "StartAtStartup", 1);
        S().WriteInt("Server", "Port", test::FreePort());
        S().WriteString("Server", "ListenAddress", "127.0.0.1");
        QVERIFY(Start());
        QMdiSubWindow* server = nullptr;
        for (QMdiSubWindow* w : mdi()->subWindowList())
            if (w->windowTitle().contains(QLatin1String("Server"))) server = w;
        QVERIFY(server);
        QTRY_VERIFY(Usable(server) && mdi()->viewport()->rect().contains(server->geometry()));
    }

    void windowMenuAndTheChannelViewerTiled() {
        QVERIFY(Start());
        Invoke("browser.new");
        mdi()->activeSubWindow()->setWindowTitle(QStringLiteral("Second One"));
        QMenu* menu = Menu("&Window");
        auto checked = [&] {
            emit menu->aboutToShow();
            QStringList titles;
            for (QAction* a : menu->actions())
                if (a->isChecked()) titles << a->text().section(QLatin1Char(' '), 1);
            return titles;
        };
        QCOMPARE(checked(), QStringList{QStringLiteral("Second One")});
        QAction* browserEntry = nullptr;
        for (QAction* a : menu->actions())
            if (a->text().endsWith(QLatin1String(" Browser"))) browserEntry = a;
        QVERIFY(browserEntry);
        browserEntry->trigger();
        QCOMPARE(mdi()->activeSubWindow()->widget(), static_cast<QWidget*>(browser()->MainBrowserView()));
        QCOMPARE(checked(), QStringList{QStringLiteral("Browser")});

        // The channel viewer reopens where it was tiled.
        ChannelsTool* channels = f->context().channels;
        channels->bar()->channelTab(0)->click();
        QMdiSubWindow* viewer = channels->ChannelWindow(false, false);
        QVERIFY(viewer);
        Item("&Window", "&Tile")->trigger();
        QRect tiled = viewer->geometry();
        viewer->close();
        QTRY_VERIFY(!channels->ChannelWindow(false, false));
        channels->bar()->channelTab(0)->click();
        viewer = channels->ChannelWindow(false, false);
        QVERIFY(viewer && !viewer->isMaximized());
        QCOMPARE(viewer->geometry(), tiled);
    }

    void tabsModeIsKeptAcrossARestart() {
        QVERIFY(Start());
        QCOMPARE(mdi()->viewMode(), QMdiArea::SubWindowView);
        QAction* tabs = Item("&View", "Show windows as tabs");
        QVERIFY(tabs && tabs->isCheckable() && !tabs->isChecked());
        tabs->trigger();
        QCOMPARE(mdi()->viewMode(), QMdiArea::TabbedView);
        QVERIFY(mdi()->tabsClosable());
        // A new window fills its tab.
        Invoke("browser.new");
        QVERIFY(mdi()->activeSubWindow()->isMaximized());

        QVERIFY(Start());
        QCOMPARE(mdi()->viewMode(), QMdiArea::TabbedView);
        tabs = Item("&View", "Show windows as tabs");
        QVERIFY(tabs->isChecked());
        tabs->trigger();
        QCOMPARE(mdi()->viewMode(), QMdiArea::SubWindowView);
    }

    void closeAllThenBrowserCommandsReopenTheMainBrowser() {
        QString home = Page("home.htm", "Home Page"), typed = Page("typed.htm", "Typed");
        S().WriteString("Startup", "Home", home.toStdString());
        QVERIFY(Start());
        auto closeAll = [&] {
            Item("&Window", "Close &All")->trigger();
            return QTest::qWaitFor(
                [&] { return mdi()->subWindowList().isEmpty() && !browser()->MainBrowserView(); });
        };
        auto shows = [&](const QString& url) {
            return browser()->MainBrowserView() &&
                   QTest::qWaitFor([&] { return browser()->MainBrowserView()->LocationUrl() == url; }, 20000);
        };
        QVERIFY(closeAll());
        Invoke("browser.home");
        QVERIFY(shows(home));

        QVERIFY(closeAll());
        f->addressBox()->lineEdit()->setText(typed);
        QTest::keyClick(f->addressBox()->lineEdit(), Qt::Key_Return);
        QVERIFY(shows(typed));

        QVERIFY(closeAll());
        Invoke("browser.show");
        QVERIFY(browser()->MainBrowserView());
        QCOMPARE(mdi()->activeSubWindow()->widget(), static_cast<QWidget*>(browser()->MainBrowserView()));
    }

    void zoomRoundTripRestoresTheFrame() {
        QVERIFY(Start());
        QVERIFY(Active());
        QRect before = f->geometry();
        QTest::keyClick(f, Qt::Key_F11);
        QVERIFY(f->IsZoomed() && !f->menuBar()->isVisible());
        QVERIFY(Active());
        QTest::keyClick(f, Qt::Key_F11);
        QVERIFY(!f->IsZoomed());
        QTRY_COMPARE(f->geometry(), before);
        QVERIFY(f->screen()->geometry().contains(f->frameGeometry()));
        QVERIFY(f->channelBar()->isVisible());
    }

    void addressKeysAndClosingTheActiveWindow() {
        QVERIFY(Start());
        QVERIFY(Active());
        QLineEdit* edit = f->addressBox()->lineEdit();
        edit->setText(QStringLiteral("http://example.com/"));
        for (auto [key, mods] : {std::pair{Qt::Key_L, Qt::ControlModifier},
                                 {Qt::Key_D, Qt::AltModifier},
                                 {Qt::Key_F6, Qt::NoModifier}}) {
            mdi()->setFocus();
            edit->deselect();
            QVERIFY(!edit->hasFocus());
            QTest::keyClick(mdi(), key, mods);
            QTRY_VERIFY(edit->hasFocus());
            QCOMPARE(edit->selectedText(), QStringLiteral("http://example.com/"));
        }
        Invoke("browser.new");
        QMdiSubWindow* second = mdi()->activeSubWindow();
        int windows = mdi()->subWindowList().size();
        QVERIFY(Active());
        QTest::keyClick(mdi(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(mdi()->subWindowList().size(), windows - 1);
        QVERIFY(!mdi()->subWindowList().contains(second));
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    UiWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_windows_test.moc"
