#pragma once

#include <QBasicTimer>
#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/app/download_job.h"

#include "ui/app/doc_templates.h"
#include "ui/browser/browser_host.h"
#include "ui/browser/ck7_view.h"

class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace sky {
class CSkyRegClient;
}

namespace sky::ui {

class CDownloadProgressDlg;

class AddressBox;
class BrowserPane;
class CExplorerFrame;
class DefaultBrowser;
class NavBar;
class NavStrip;
class CChannelBar;
class CSubChannelView;

// The frame's menu commands.
enum class FrameCommand {
    Zoom,
    CustomChannels,
    Register,
    LocalSettings,
    Ftp,
    Telnet,
    EmailProgram,
    Search,
    SaveSettings,
    UpdateSoftware,
    ShowBrowser,
    AddToChannel,
    Favorites,
    BrowserSettings,
    NotYetAvailable,
    Settings,
    ExportChannels,
    ImportChannels,
    Login,
    ControlPanel,
    NotAvailable,
    FileManager,
    DefaultBrowser,
    Print,
    PageSetup,
    SaveAs,
    Cut,
    Copy,
    Paste,
    SelectAll,
    OpenAddress,
    ToggleChannelBar,
    LeaveZoom,
    NewBrowser,
    OpenEmail,
    OpenWebSpace,
    OpenWebServer,
    OpenSkyPad,
    OpenFtpClient,
    OpenChat,
    OpenPageEditor,
    About,
    Exit,
};

// The program's one top-level window: the tool windows in an MDI area, the
// bars around them, the session state, the timers, zoom mode and closing.
class CMainFrame : public QMainWindow, public BrowserHost {
    Q_OBJECT
public:
    static constexpr int kTimerFirstPing = 1;
    static constexpr int kTimerPing = 2;
    static constexpr int kTimerZoomBar = 3;
    static constexpr int kFirstPingMs = 30000;
    static constexpr int kPingMs = 900000;
    static constexpr int kZoomBarMs = 20000;

    CMainFrame(DocTemplates* templates, DefaultBrowser* defaultBrowser);
    ~CMainFrame() override;

    // The frame of this run, once created.
    static CMainFrame* Get();

    // The creation steps; false when the program cannot go on.
    bool Create();

    // Opens a tool by asking its template for a new document without a file.
    // Tools not in this build say "Sorry.  Not yet available".
    QMdiSubWindow* OpenDocument(TemplateId id, const QString& title = {});
    void NotYetAvailable();

    // Opens the main browser, the server window when configured, and
    // navigates to `file` or the start page.
    void FirstNavigation(const QString& file);
    // Shows the frame maximised, in zoom mode when it was left in it.
    void ShowAtStart();

    // The address handler: runs `text` as a command when it is one, else
    // navigates the main (or the active) browser to it.
    void HandleAddress(const QString& text, bool useMainBrowser) override;

    void RunCommand(FrameCommand command);
    void OnNavButton(int button);

    CK7View* MainBrowserView() const { return mainView_; }
    // The active view when it is a browser (a popup too), else the main browser.
    BrowserPane* ActiveBrowser() const;

    // Opens a popup browser window on `url` named `name` and lists it.
    CExplorerFrame* OpenPopup(const QUrl& url, const QString& name);
    QList<CExplorerFrame*> popups() const;

    // BrowserHost
    void RunMainFilterAction(BrowserPane* pane, const MainFilterResult& result) override;
    bool HandleCommandLink(BrowserPane* caller, const QUrl& url, const QString& target) override;
    SkyWebPage* OpenRequestedPopup(BrowserPane* caller, const QString& name) override;
    void SetActivity(bool busy) override;
    bool ChannelIntroOption() const override { return showChannelIntro_; }
    QString Account() const override { return account_; }
    void OpenWebSearch();
    QLabel* activityIndicator() const { return activity_; }
    QMdiArea* mdiArea() const { return mdi_; }
    AddressBox* addressBox() const;
    NavBar* navBar() const { return navBar_; }
    NavStrip* zoomStrip() const { return zoomStrip_; }
    QToolBar* navToolBar() const { return navToolBar_; }
    QToolBar* zoomBar() const { return zoomBar_; }
    QToolBar* toolBar() const { return toolBar_; }
    QDockWidget* channelBar() const { return channelDock_; }
    CChannelBar* channels() const { return bar_; }
    // A place of the channel bar: 0 the main browser, 1 "Local Web Sites",
    // 4 + i channel i in the "Channel Viewer".
    void OnChannelPlace(int place);
    // The "Channel Viewer" or "Local Web Sites" window, made when missing.
    QMdiSubWindow* ChannelWindow(bool local, bool create = true);
    static CSubChannelView* SubChannelViewOf(QMdiSubWindow* window);
    // After an import or the designer: the bar and the channel rows show the list again.
    void ChannelsChanged(bool saved);
    void OpenChannelDesigner();
    QLabel* securityPane() const { return securityPane_; }

    void EnterZoomMode();
    void LeaveZoomMode();
    bool IsZoomed() const { return zoomed_; }
    void SetChannelBarShown(bool shown);

    // The timer actions, also callable directly.
    void OnTimer(int id);
    bool IsTimerActive(int id) const;

    // The settings-saving step of closing: options, and the channel question.
    void SaveSettings();
    void SetChannelSetupChanged(bool changed) { channelSetupChanged_ = changed; }
    bool channelSetupChanged() const { return channelSetupChanged_; }
    // Saves the main channel list ("skychan1.sky"); set by the channel bar.
    void SetChannelSaver(std::function<bool()> saver) { channelSaver_ = std::move(saver); }

    // Session state.
    QString account() const { return account_; }
    void SetAccount(const QString& account) { account_ = account; }
    QString installCookie() const { return cookie_; }
    QString engineBuild() const { return engineBuild_; }
    QString machineIdentity() const { return machineIdentity_; }
    QString statusText() const { return statusText_; }
    bool loggedIn() const { return loggedIn_; }
    int colourCount() const { return colourCount_; }
    bool popupOption() const { return popup_; }
    bool statusPopupOption() const { return statusPopup_; }

    static QString BaseTitle();

    // Service session: login, registration and the ping.
    CSkyRegClient& regClient();
    // The login dialog; true when a member logged in.
    bool RunLogin();
    // The registration sheet; true when the service took the new member.
    bool RunRegistration();
    // First start: the registration sheet when no account is stored, the
    // local channel sheet when no postal code is.
    void RunFirstRunSheets();
    // A request to the registration script on a worker; its server lines
    // come back to OnServerLine. Nothing is sent without a network.
    void SendPing(const QString& action, const QString& text);
    void OnServerLine(const QString& field);
    int pingCount() const { return pingCount_; }
    int pingsSent() const { return pingsSent_; }
    int pingIntervalMs() const { return pingIntervalMs_; }

    // Background downloads: one job at a time, with the progress window.
    bool busy() const { return busy_; }
    bool StartDownload(DownloadJobId id, const QString& url, const QString& target, const QString& title);
    void CancelDownload();
    CDownloadProgressDlg* downloadWindow() const { return progress_; }
    QString downloadTarget() const { return downloadTarget_; }
    // A public channel file (".sdf" links, the start-up import) merged into
    // the channels; `replace` swaps the whole list instead ("rlc:").
    void ImportPublicChannel(const QString& url, bool replace = false);
    void ReplaceChannels(const QString& source);
    void UpdateSoftware();
    // While the main list holds no channel: the service's public channels,
    // tried at most three times in a run.
    void StartUpChannelImport();
    // Starts the downloaded installer once the windows are closed; tests
    // put their own in place.
    using InstallerRunner = std::function<bool(const QString& path)>;
    static void SetInstallerRunner(InstallerRunner runner);

signals:
    // Every address the main browser goes to.
    void mainBrowserNavigated(const QString& url);

protected:
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateStatusBar();
    void CreateChannelBar();
    void ApplyChannelColours();
    void ShowNoLocalChannel(CK7View* view);
    void CreateNavigationBar();
    void CreateZoomBar();
    void CreateToolBarAndMenus();
    void OnSubWindowActivated(QMdiSubWindow* window);
    void UpdateTitle();
    void UpdateLockPanes();
    void StartPing(bool first);
    // The session after a login or a registration: the account stored, the
    // member logged in.
    void SetLoggedIn(const std::string& account, const std::string& password);
    void OnDownloadSize(long long total);
    void OnDownloadChunk(long long bytes);
    void OnDownloadCancelled();
    void OnDownloadFinished(int code);
    void FinishChannelJob();
    void RunInstaller(const QString& path);
    void JoinFinishedPings();
    void ShowBrowser();
    void StartTerminalProgram(const QString& program);
    void StartEmailProgram();
    void RunLinkCommand(int command, int page);
    QMdiSubWindow* SubWindowOf(QWidget* w) const;
    // The main browser window ("Browser"), maximised over a frame-filling size.
    QMdiSubWindow* OpenMainBrowser();
    void MaximiseBrowserWindow(QMdiSubWindow* sub);
    // A popup window named `name`, cascaded inside the frame; not yet listed.
    QMdiSubWindow* NewPopupWindow(const QString& name);
    QMdiSubWindow* FindServerWindow() const;
    void StartServerDialogFlow();

    DocTemplates* templates_;
    DefaultBrowser* defaultBrowser_;
    QMdiArea* mdi_ = nullptr;
    NavBar* navBar_ = nullptr;
    QToolBar* navToolBar_ = nullptr;
    QToolBar* zoomBar_ = nullptr;
    NavStrip* zoomStrip_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QDockWidget* channelDock_ = nullptr;
    CChannelBar* bar_ = nullptr;
    QPointer<QMdiSubWindow> channelViewer_, localSites_;
    bool favoritesConnected_ = false;
    QLabel* securityPane_ = nullptr;
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    QLabel* activity_ = nullptr;
    QList<QPointer<QMdiSubWindow>> popups_;
    QPointer<CK7View> mainView_;
    QPointer<QMdiSubWindow> lastActive_;

    QString machineIdentity_;
    QString account_;
    bool loggedIn_ = false;
    QString cookie_;
    QString engineBuild_;
    QString statusText_ = QStringLiteral("Not Logged In");
    bool popup_ = true;
    bool statusPopup_ = false;
    bool showChannelIntro_ = false;
    int lastStartupMsg_ = 0, lastBroadcast_ = 0, lastBulletin_ = 0;
    int colourCount_ = 16;
    int pingCount_ = 0;
    int pingIntervalMs_ = kPingMs;
    int pingsSent_ = 0;
    QString loginPassword_;
    std::unique_ptr<CSkyRegClient> regClient_;
    struct PingWorker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<PingWorker> pings_;
    std::atomic<bool> closing_{false};

    // The one background download.
    bool busy_ = false;
    std::atomic<bool> cancel_{false};
    std::thread downloadWorker_;
    DownloadJobId downloadJob_ = DownloadJobId::ChannelFile;
    QString downloadTarget_;
    bool replaceChannels_ = false;
    bool startUpImport_ = false;
    int startUpImportFailures_ = 0;
    long long downloadTotal_ = 0;
    long long downloadReceived_ = 0;
    CDownloadProgressDlg* progress_ = nullptr;

    bool zoomed_ = false;
    bool zoomAtStart_ = false;
    bool menuWasVisible_ = true;
    Qt::WindowFlags savedFlags_;
    bool channelSetupChanged_ = false;
    std::function<bool()> channelSaver_;
    bool settingsSavedOnClose_ = false;

    QBasicTimer timer1_, timer2_, timer3_, lockTimer_;
};

}  // namespace sky::ui
