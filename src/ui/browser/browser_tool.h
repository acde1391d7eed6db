#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

#include "ui/browser/browser_host.h"

class QMdiSubWindow;

namespace sky::ui {

class AppContext;
class CExplorerFrame;
class CK7View;
class ToolRegistry;

// The browser tool: the main browser, second browser windows and popups, the
// page commands, the command links and the navigation of typed addresses.
class BrowserTool : public QObject, public BrowserHost {
    Q_OBJECT
public:
    explicit BrowserTool(AppContext& context);
    ~BrowserTool() override;

    CK7View* MainBrowserView() const;
    // The active view when it is a browser (a popup too), else the main browser.
    BrowserPane* ActiveBrowser() const;
    // The main browser window ("Browser"), maximised over a frame-filling size.
    QMdiSubWindow* OpenMainBrowser();
    void MaximiseBrowserWindow(QMdiSubWindow* sub);
    // Opens a popup browser window on `url` named `name` and lists it.
    CExplorerFrame* OpenPopup(const QUrl& url, const QString& name);
    QList<CExplorerFrame*> popups() const;
    bool popupOption() const { return popup_; }
    bool statusPopupOption() const { return statusPopup_; }
    // The Accessing Internet pop-up, as a chat partner may set it; saved at once.
    void SetStatusPopupOption(bool on);
    // The pop-up rule and the channel introduction; written at close.
    void SetPopupOption(bool on) { popup_ = on; }
    void SetChannelIntroOption(bool on) { showChannelIntro_ = on; }

    // The main browser, and the start page or `file` in it.
    void FirstNavigation(const QString& file);

    // Where the channel bar shows its activity; set by the channels tool.
    std::function<void(bool busy)> activitySink;

    // BrowserHost
    SettingsStore& Settings() const override;
    std::string WebHost() const override;
    QWebEngineProfile* Profile() const override;
    void RunMainFilterAction(BrowserPane* pane, const MainFilterResult& result) override;
    bool HandleCommandLink(BrowserPane* caller, const QUrl& url, const QString& target) override;
    SkyWebPage* OpenRequestedPopup(BrowserPane* caller, const QString& name) override;
    void SetActivity(bool busy) override;
    bool ChannelIntroOption() const override { return showChannelIntro_; }
    QString Account() const override;
    void HandleAddress(const QString& text, bool useMainBrowser) override;

private:
    void Register(ToolRegistry& registry);
    void WireWindow(QMdiSubWindow* sub, const QString& title);
    void Navigate(const QString& address, bool useMainBrowser);
    // A popup window named `name`, cascaded inside the frame; not yet listed.
    QMdiSubWindow* NewPopupWindow(const QString& name);
    void OpenWebSearch();
    void SaveSettings();

    AppContext& context_;
    QPointer<CK7View> mainView_;
    QList<QPointer<QMdiSubWindow>> popups_;
    bool popup_ = true;
    bool statusPopup_ = false;
    bool showChannelIntro_ = false;

    friend void RegisterBrowserTool(ToolRegistry& registry, AppContext& context);
};

// Registers the browser windows (main, second and popup), the page commands,
// their link words and the navigation of plain addresses.
void RegisterBrowserTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
