#pragma once

#include <QBasicTimer>
#include <QMainWindow>
#include <QPointer>

#include "ui/base/frame_host.h"

class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace sky::ui {

class AddressBox;
class AppContext;
class NavBar;
class NavStrip;
class WindowList;

// The program's one top-level window: the window chrome, the MDI area and
// its window list, the bars and their timers, zoom mode, the address box and
// closing. Everything else belongs to the tools, found in the registry.
class CMainFrame : public QMainWindow, public FrameHost {
    Q_OBJECT
public:
    static constexpr int kTimerZoomBar = 3;
    static constexpr int kZoomBarMs = 20000;

    explicit CMainFrame(AppContext& context);
    ~CMainFrame() override;

    // The creation steps: chrome, bars and menus from the registry.
    void Create();
    // The tools' first steps: the main browser, the server when configured,
    // `file` or the start page.
    void FirstNavigation(const QString& file);
    // Shows the frame maximised, in zoom mode when it was left in it.
    void ShowAtStart();
    static QString BaseTitle();
    AppContext& context() const { return context_; }

    // FrameHost
    QWidget* window() override { return this; }
    QMdiArea* mdiArea() override { return mdi_; }
    QMdiSubWindow* OpenDocument(TemplateId id, const QString& title = {}) override;
    void HandleAddress(const QString& text, bool useMainBrowser) override;
    void ShowStatus(const QString& text) override;
    void ClearStatus() override;
    void SetSecure(bool secure) override;
    void UpdateTitle() override;
    void AddressVisited(const QString& url) override;
    void ShowActiveAddress(const QString& url) override;
    bool IsZoomed() const override { return zoomed_; }
    void EnterZoomMode() override;
    bool SideBarShown() const override;
    void SetSideBarShown(bool shown) override { SetChannelBarShown(shown); }
    void SetSessionText(const QString& text) override;
    void CloseFrame() override { close(); }

    void LeaveZoomMode();
    void SetChannelBarShown(bool shown);
    void OnNavButton(int button);
    // The settings-saving step of closing: every tool's.
    void SaveSettings();

    // The timer actions, also callable directly.
    void OnTimer(int id);
    bool IsTimerActive(int id) const;

    AddressBox* addressBox() const;
    NavBar* navBar() const { return navBar_; }
    NavStrip* zoomStrip() const { return zoomStrip_; }
    QToolBar* navToolBar() const { return navToolBar_; }
    QToolBar* zoomBar() const { return zoomBar_; }
    QToolBar* toolBar() const { return toolBar_; }
    QDockWidget* channelBar() const { return channelDock_; }
    QLabel* securityPane() const { return securityPane_; }

signals:
    // Every address the main browser goes to.
    void mainBrowserNavigated(const QString& url);

protected:
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateStatusBar();
    void CreateSideBar();
    void CreateNavigationBar();
    void CreateZoomBar();
    void CreateMenusAndToolBar();
    void RegisterFrameCommands();
    void OnSubWindowActivated(QMdiSubWindow* window);
    void UpdateLockPanes();

    AppContext& context_;
    QMdiArea* mdi_ = nullptr;
    WindowList* windows_ = nullptr;
    NavBar* navBar_ = nullptr;
    QToolBar* navToolBar_ = nullptr;
    QToolBar* zoomBar_ = nullptr;
    NavStrip* zoomStrip_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QDockWidget* channelDock_ = nullptr;
    QLabel* securityPane_ = nullptr;
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    QString sessionText_ = QStringLiteral("Not Logged In");

    bool zoomed_ = false;
    bool zoomAtStart_ = false;
    bool menuWasVisible_ = true;
    Qt::WindowFlags savedFlags_;
    QRect unzoomedGeometry_;
    bool unzoomedMaximised_ = false;

    QBasicTimer zoomBarTimer_, lockTimer_;
};

}  // namespace sky::ui
