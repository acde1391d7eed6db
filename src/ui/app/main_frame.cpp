#include "ui/app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QTimerEvent>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <ctime>

#include "core/app/command_dispatch.h"
#include "core/app/sky_reg_client.h"
#include "core/app/typed_commands.h"
#include "core/base/identity.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "core/channels/channel_list.h"
#include "core/channels/channel_nav.h"
#include "ui/app/address_box.h"
#include "ui/app/address_dialogs.h"
#include "ui/app/browser_settings_dialog.h"
#include "ui/app/default_browser.h"
#include "ui/app/lock_keys.h"
#include "ui/app/nav_bar.h"
#include "ui/app/nav_strip.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/explorer.h"
#include "ui/browser/link_drag.h"
#include "ui/browser/sky_web_page.h"
#include "ui/browser/web_search_dialog.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/channel_designer.h"
#include "ui/channels/channel_import.h"
#include "ui/channels/export_sheet.h"
#include "ui/channels/favorites_view.h"
#include "ui/channels/local_sheet.h"
#include "ui/channels/sub_channel_view.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/httpsvr/httpsvr_view.h"
#include "ui/httpsvr/server_options_dialog.h"

namespace sky::ui {

namespace {

CMainFrame* g_frame = nullptr;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

CK7View* ViewOf(QMdiSubWindow* w) {
    return w ? qobject_cast<CK7View*>(w->widget()) : nullptr;
}

// The browsing part of a tool window: a browser view, or a popup's view.
BrowserPane* PaneOf(QMdiSubWindow* w) {
    if (!w) return nullptr;
    if (auto* pane = qobject_cast<BrowserPane*>(w->widget())) return pane;
    if (auto* popup = qobject_cast<CExplorerFrame*>(w->widget())) return popup->view();
    return nullptr;
}

// The security pane's two pictures: an open and a closed lock.
QPixmap LockPicture(bool secure) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(secure ? QColor(30, 120, 40) : QColor(130, 130, 130), 1.6));
    p.setBrush(Qt::NoBrush);
    if (secure)
        p.drawArc(QRectF(4, 1, 8, 9), 0, 180 * 16);
    else
        p.drawArc(QRectF(7, 0, 8, 9), 0, 180 * 16);
    p.drawLine(QPointF(4, 5.5), QPointF(4, 8));
    p.drawLine(QPointF(12, 5.5), QPointF(12, 8));
    p.setBrush(secure ? QColor(60, 170, 70) : QColor(190, 190, 190));
    p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.5, 1.5);
    return pm;
}

}  // namespace

CMainFrame* CMainFrame::Get() {
    return g_frame;
}

QString CMainFrame::BaseTitle() {
    return QString::fromLatin1(kProgramName) + QString::fromLatin1(kVersionString);
}

CMainFrame::CMainFrame(DocTemplates* templates, DefaultBrowser* defaultBrowser)
    : templates_(templates), defaultBrowser_(defaultBrowser) {
    SettingsStore& s = SettingsStore::App();
    std::string nick = s.GetString("chat", "nickname");
    machineIdentity_ = Q(MachineIdentity(nick));
    popup_ = s.GetInt("misc", "popup", 1) != 0;
    statusPopup_ = s.GetInt("misc", "statuspopup", 0) != 0;
    lastStartupMsg_ = s.GetInt("Ping", "LastStartupMsg", 0);
    lastBroadcast_ = s.GetInt("Ping", "LastBroadcast", 0);
    lastBulletin_ = s.GetInt("Ping", "LastBulletin", 0);
    setObjectName(QStringLiteral("SkyHarborMainFrame"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CMainFrame::~CMainFrame() {
    // Workers report to this frame; none may outlive it.
    cancel_.exchange(true);
    closing_.store(true);
    if (downloadWorker_.joinable()) downloadWorker_.join();
    for (auto& ping : pings_) ping.thread.join();
    // Destruction repeats the settings step; the channel question is not
    // asked twice because answering it cleared the flag.
    if (g_frame == this) {
        SaveSettings();
        g_frame = nullptr;
    }
    if (GetBrowserHost() == this) SetBrowserHost(nullptr);
}

bool CMainFrame::Create() {
    // The HTML engine must be there; its build string goes to the service.
    if (!BrowserProfile::Get()) {
        ShowMessage(this,
                    QStringLiteral("Sorry. SkyHarbor needs Qt WebEngine to show web pages, and it "
                                   "could not be started.\n\nInstall the package qt6-webengine."),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
        return false;
    }
    const char* build = EngineBuildString();
    engineBuild_ = (build && *build) ? QString::fromLatin1(build) : QStringLiteral("?");

    g_frame = this;
    SetBrowserHost(this);
    setWindowTitle(BaseTitle());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    mdi_ = new QMdiArea(this);
    mdi_->setViewMode(QMdiArea::SubWindowView);
    // Popups open beside a maximised browser, not maximised themselves.
    mdi_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    CreateStatusBar();
    CreateChannelBar();
    CreateNavigationBar();
    CreateZoomBar();

    SettingsStore& s = SettingsStore::App();
    std::string cookie = s.GetString("Misc", "Cook");
    if (cookie.empty()) {
        cookie = std::to_string(static_cast<long>(std::time(nullptr)));
        s.WriteString("Misc", "Cook", cookie);
    }
    cookie_ = Q(cookie);
    std::string account = s.GetString("Misc", "Account");
    account_ = account.empty() ? QStringLiteral("UNREGISTERED") : Q(account);

    CreateToolBarAndMenus();
    resize(1024, 720);

    // Zoom mode itself waits until the window is up (ShowAtStart): a frame
    // without decorations must first exist to be maximised.
    zoomAtStart_ = s.GetInt("Startup", "Zoom", 0) != 0;

    timer1_.start(kFirstPingMs, this);
    timer3_.start(kZoomBarMs, this);
    lockTimer_.start(400, this);
    return true;
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->showMessage(statusText_);
    securityPane_ = new QLabel(bar);
    securityPane_->setPixmap(LockPicture(false));
    securityPane_->setToolTip(QStringLiteral("This page did not come over a secure connection"));
    securityPane_->setProperty("secure", false);
    capsPane_ = new QLabel(bar);
    numPane_ = new QLabel(bar);
    scrollPane_ = new QLabel(bar);
    for (QLabel* l : {capsPane_, numPane_, scrollPane_}) {
        l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance(QStringLiteral("SCRL")) + 8);
        l->setAlignment(Qt::AlignCenter);
    }
    bar->addPermanentWidget(securityPane_);
    bar->addPermanentWidget(capsPane_);
    bar->addPermanentWidget(numPane_);
    bar->addPermanentWidget(scrollPane_);
    UpdateLockPanes();
}

void CMainFrame::UpdateLockPanes() {
    LockKeys keys = QueryLockKeys();
    capsPane_->setText(keys.known && keys.caps ? QStringLiteral("CAP") : QString());
    numPane_->setText(keys.known && keys.num ? QStringLiteral("NUM") : QString());
    scrollPane_->setText(keys.known && keys.scroll ? QStringLiteral("SCRL") : QString());
}

void CMainFrame::CreateChannelBar() {
    channelDock_ = new QDockWidget(QStringLiteral("Channels"), this);
    channelDock_->setObjectName(QStringLiteral("ChannelBar"));
    channelDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
    bar_ = new CChannelBar(channelDock_);
    activity_ = bar_->activityIndicator();
    channelDock_->setWidget(bar_);
    addDockWidget(Qt::RightDockWidgetArea, channelDock_);
    connect(channelDock_, &QDockWidget::visibilityChanged, this, [this](bool) {
        if (navBar_ && !isMinimized()) navBar_->SetChannelBarVisible(!channelDock_->isHidden());
    });
    connect(bar_, &CChannelBar::placeChosen, this, &CMainFrame::OnChannelPlace);
    connect(bar_, &CChannelBar::favoritesChosen, this, [this] { RunCommand(FrameCommand::Favorites); });
    SetChannelSaver([this] {
        std::string error;
        return bar_->mainList().Save(MainChannelFilePath(), nullptr, &error);
    });
    bar_->Fill();
}

void CMainFrame::ApplyChannelColours() {
    ChannelColours c = ReadChannelColours(colourCount_);
    auto colour = [](unsigned v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); };
    bar_->SetColours(colour(c.channelBack), colour(c.channelText));
    for (QMdiSubWindow* w : {channelViewer_.data(), localSites_.data()})
        if (CSubChannelView* v = SubChannelViewOf(w))
            v->SetColours(colour(c.navBack), colour(c.navText), colour(c.subBack), colour(c.subText));
}

CSubChannelView* CMainFrame::SubChannelViewOf(QMdiSubWindow* window) {
    return window ? window->findChild<CSubChannelView*>() : nullptr;
}

QMdiSubWindow* CMainFrame::ChannelWindow(bool local, bool create) {
    QPointer<QMdiSubWindow>& slot = local ? localSites_ : channelViewer_;
    if (slot || !create) return slot;
    QString title = local ? QStringLiteral("Local Web Sites") : QStringLiteral("Channel Viewer");
    QMdiSubWindow* sub = OpenDocument(TemplateId::Browser2, title);
    if (!sub) return nullptr;
    sub->setProperty("keepTitle", true);
    CK7View* view = ViewOf(sub);
    view->SetDocumentTitle(title);
    auto* rows = new CSubChannelView(view);
    rows->SetLists(&bar_->mainList(), &bar_->localList());
    view->SetTopArea(rows);
    connect(rows, &CSubChannelView::openAddress, view,
            [view](const QString& address) { view->Navigate(address); });
    connect(view, &CK7View::channelIntroStateChanged, rows,
            [this, rows](bool on) { rows->SetIntroShown(on && showChannelIntro_); });
    slot = sub;
    ApplyChannelColours();
    MaximiseBrowserWindow(sub);
    return sub;
}

void CMainFrame::OnChannelPlace(int place) {
    if (place == CChannelBar::kPlaceBrowse) {
        if (!mainView_) OpenMainBrowser();
        if (QMdiSubWindow* sub = SubWindowOf(mainView_)) mdi_->setActiveSubWindow(sub);
        return;
    }
    if (place == CChannelBar::kPlaceLocal) {
        bool fresh = !localSites_;
        QMdiSubWindow* sub = ChannelWindow(true);
        if (!sub) return;
        if (fresh) SubChannelViewOf(sub)->ShowChannel(-3);
        if (bar_->localList().empty()) ShowNoLocalChannel(ViewOf(sub));
        mdi_->setActiveSubWindow(sub);
        return;
    }
    int index = place - CChannelBar::kPlaceFirstChannel;
    QMdiSubWindow* sub = ChannelWindow(false);
    if (!sub) return;
    CSubChannelView* rows = SubChannelViewOf(sub);
    rows->RememberLeaving(ViewOf(sub)->LocationUrl());
    rows->ShowChannel(index);
    mdi_->setActiveSubWindow(sub);
    bar_->SelectPlace(place);
}

void CMainFrame::ShowNoLocalChannel(CK7View* view) {
    // An empty window says nothing; say how to get a local channel instead.
    view->page()->setHtml(QStringLiteral(
        "<html><head><title>Local Web Sites</title></head>"
        "<body style='font-family:sans-serif;margin:2em'><h2>No local channel yet</h2>"
        "<p>Your local channel holds web sites for where you live.</p>"
        "<p><a href='command:localsettings' target='_skycmd'>Choose your local web sites...</a></p>"
        "<p style='color:#666'>You can do this later from Channels &gt; Local Settings.</p></body></html>"));
}

void CMainFrame::ChannelsChanged(bool saved) {
    bar_->Refresh();
    if (CSubChannelView* rows = SubChannelViewOf(channelViewer_)) rows->Reshow();
    SetChannelSetupChanged(!saved);
}

void CMainFrame::OpenChannelDesigner() {
    BrowserPane* page = ActiveBrowser();
    CChannelDesigner designer(bar_->mainList(), page ? page->PageTitle() : QString(),
                              page ? page->LocationUrl() : QString(), this);
    designer.Open();
    if (designer.exec() != QDialog::Accepted) return;
    ChannelsChanged(designer.saved());
}

void CMainFrame::CreateNavigationBar() {
    navToolBar_ = new QToolBar(QStringLiteral("Navigation"), this);
    navToolBar_->setObjectName(QStringLiteral("NavigationBar"));
    navToolBar_->setMovable(false);
    navToolBar_->setFloatable(false);
    navBar_ = new NavBar(navToolBar_);
    navToolBar_->addWidget(navBar_);
    addToolBar(Qt::TopToolBarArea, navToolBar_);

    connect(navBar_->strip(), &NavStrip::buttonClicked, this, &CMainFrame::OnNavButton);
    connect(navBar_->addressBox(), &AddressBox::addressEntered, this,
            [this](const QString& text) { HandleAddress(text, false); });
    connect(navBar_->addressBox(), &AddressBox::addressChosen, this,
            [this](const QString& text) { HandleAddress(text, false); });
    connect(navBar_->channelToggle(), &QPushButton::clicked, this,
            [this] { RunCommand(FrameCommand::ToggleChannelBar); });
}

void CMainFrame::CreateZoomBar() {
    zoomBar_ = new QToolBar(QStringLiteral("Zoom"), this);
    zoomBar_->setObjectName(QStringLiteral("ZoomBar"));
    zoomBar_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    zoomStrip_ = new NavStrip(zoomBar_);
    zoomBar_->addWidget(zoomStrip_);
    connect(zoomStrip_, &NavStrip::buttonClicked, this, &CMainFrame::OnNavButton);
    zoomBar_->addSeparator();
    zoomBar_->addAction(QStringLiteral("Leave Zoom"), this, [this] { RunCommand(FrameCommand::LeaveZoom); });
    zoomBar_->addAction(QStringLiteral("Minimize"), this, [this] { showMinimized(); });
    zoomBar_->addAction(QStringLiteral("Channels"), this,
                        [this] { RunCommand(FrameCommand::ToggleChannelBar); });
    zoomBar_->addAction(QStringLiteral("Close"), this, [this] { close(); });
    addToolBar(Qt::TopToolBarArea, zoomBar_);
    zoomBar_->hide();
}

void CMainFrame::CreateToolBarAndMenus() {
    struct Item {
        const char* menu;
        const char* text;
        FrameCommand command;
        QKeySequence key;
    };
    const Item items[] = {
        {"&File", "&New Browser Window", FrameCommand::NewBrowser, QKeySequence::New},
        {"&File", "&Open...", FrameCommand::OpenAddress, QKeySequence::Open},
        {"&File", "Save &As...", FrameCommand::SaveAs, QKeySequence::SaveAs},
        {"&File", "Page Set&up...", FrameCommand::PageSetup, {}},
        {"&File", "&Print...", FrameCommand::Print, QKeySequence::Print},
        {"&File", "-", FrameCommand::NotAvailable, {}},
        {"&File", "&Import Channels...", FrameCommand::ImportChannels, {}},
        {"&File", "&Export Channels...", FrameCommand::ExportChannels, {}},
        {"&File", "-", FrameCommand::NotAvailable, {}},
        {"&File", "&Save Settings", FrameCommand::SaveSettings, {}},
        {"&File", "E&xit", FrameCommand::Exit, QKeySequence::Quit},
        {"&Edit", "Cu&t", FrameCommand::Cut, QKeySequence::Cut},
        {"&Edit", "&Copy", FrameCommand::Copy, QKeySequence::Copy},
        {"&Edit", "&Paste", FrameCommand::Paste, QKeySequence::Paste},
        {"&Edit", "Select &All", FrameCommand::SelectAll, QKeySequence::SelectAll},
        {"&View", "Show &Browser", FrameCommand::ShowBrowser, {}},
        {"&View", "&Zoom", FrameCommand::Zoom, QKeySequence(Qt::Key_F11)},
        {"&View", "&Channel Bar", FrameCommand::ToggleChannelBar, {}},
        {"&View", "&Favorites", FrameCommand::Favorites, {}},
        {"&Tools", "&E-Mail", FrameCommand::OpenEmail, {}},
        {"&Tools", "&Chat", FrameCommand::OpenChat, {}},
        {"&Tools", "&Web Server", FrameCommand::OpenWebServer, {}},
        {"&Tools", "Web &Space", FrameCommand::OpenWebSpace, {}},
        {"&Tools", "&Page Editor", FrameCommand::OpenPageEditor, {}},
        {"&Tools", "Sky&Pad", FrameCommand::OpenSkyPad, {}},
        {"&Tools", "&FTP Client", FrameCommand::OpenFtpClient, {}},
        {"&Tools", "File &Manager", FrameCommand::FileManager, {}},
        {"&Tools", "-", FrameCommand::NotAvailable, {}},
        {"&Tools", "&Search the Web...", FrameCommand::Search, {}},
        {"&Tools", "System E-Mail &Program", FrameCommand::EmailProgram, {}},
        {"&Tools", "System F&TP", FrameCommand::Ftp, {}},
        {"&Tools", "&Telnet", FrameCommand::Telnet, {}},
        {"&Channels", "&Customize Channels...", FrameCommand::CustomChannels, {}},
        {"&Channels", "&Add to Channel", FrameCommand::AddToChannel, {}},
        {"&Channels", "&Local Settings...", FrameCommand::LocalSettings, {}},
        {"&Channels", "-", FrameCommand::NotAvailable, {}},
        {"&Channels", "&Import Channels...", FrameCommand::ImportChannels, {}},
        {"&Channels", "&Export Channels...", FrameCommand::ExportChannels, {}},
        {"&Member", "&Login...", FrameCommand::Login, {}},
        {"&Member", "&Register...", FrameCommand::Register, {}},
        {"&Member", "&Update Software", FrameCommand::UpdateSoftware, {}},
        {"&Settings", "&Settings...", FrameCommand::Settings, {}},
        {"&Settings", "&Control Panel...", FrameCommand::ControlPanel, {}},
        {"&Settings", "&Browser Settings...", FrameCommand::BrowserSettings, {}},
        {"&Settings", "Make SkyHarbor the &Default Browser", FrameCommand::DefaultBrowser, {}},
        {"&Help", "&About SkyHarbor", FrameCommand::About, {}},
    };
    QMap<QString, QMenu*> menus;
    for (const Item& it : items) {
        QString name = QString::fromLatin1(it.menu);
        QMenu* menu = menus.value(name);
        if (!menu) {
            menu = menuBar()->addMenu(name);
            menus.insert(name, menu);
        }
        if (QLatin1String(it.text) == QLatin1String("-")) {
            menu->addSeparator();
            continue;
        }
        FrameCommand cmd = it.command;
        QAction* a = menu->addAction(QString::fromLatin1(it.text), this, [this, cmd] { RunCommand(cmd); });
        if (!it.key.isEmpty()) a->setShortcut(it.key);
    }
    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(QStringLiteral("&Cascade"), mdi_, &QMdiArea::cascadeSubWindows);
    window->addAction(QStringLiteral("&Tile"), mdi_, &QMdiArea::tileSubWindows);
    window->addAction(QStringLiteral("Close &All"), mdi_, &QMdiArea::closeAllSubWindows);

    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->addAction(QStringLiteral("New"), this, [this] { RunCommand(FrameCommand::NewBrowser); });
    toolBar_->addAction(QStringLiteral("Print"), this, [this] { RunCommand(FrameCommand::Print); });
    toolBar_->addAction(QStringLiteral("Control Panel"), this,
                        [this] { RunCommand(FrameCommand::ControlPanel); });
    addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->hide();
}

void CMainFrame::ShowAtStart() {
    // Without a window manager "maximised" means nothing; fill the screen then.
    if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    showMaximized();
    if (zoomAtStart_) EnterZoomMode();
}

QMdiSubWindow* CMainFrame::OpenDocument(TemplateId id, const QString& title) {
    const DocTemplate& t = templates_->at(id);
    // One server per copy: a second request brings its window forward.
    if (id == TemplateId::HttpSvr)
        if (QMdiSubWindow* existing = FindServerWindow()) {
            existing->show();
            mdi_->setActiveSubWindow(existing);
            return existing;
        }
    if (!t.makeView) {
        NotYetAvailable();
        return nullptr;
    }
    QWidget* view = t.makeView(this);
    QMdiSubWindow* sub = mdi_->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty("template", static_cast<int>(id));
    sub->setWindowTitle(title.isEmpty() ? QString::fromLatin1(t.usedBy) : title);
    BrowserPane* browser = qobject_cast<BrowserPane*>(view);
    if (auto* popup = qobject_cast<CExplorerFrame*>(view)) {
        browser = popup->view();
        // "On Top" keeps the popup above the other tool windows.
        auto keepOnTop = [sub](bool on) {
            sub->setWindowFlag(Qt::WindowStaysOnTopHint, on);
            if (!sub->isHidden()) sub->show();
        };
        if (popup->topMostAction()->isChecked()) sub->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        connect(popup->topMostAction(), &QAction::toggled, sub, keepOnTop);
        connect(popup, &CExplorerFrame::captionChanged, sub, &QMdiSubWindow::setWindowTitle);
        sub->setWindowTitle(popup->windowTitle());
    }
    if (browser) {
        connect(browser, &BrowserPane::pageTitleChanged, sub,
                [sub, browser, title, view, this](const QString& page) {
                    // The main browser keeps its name, popups show their address; others their page.
                    if (browser != mainView_ && !qobject_cast<CExplorerFrame*>(view) &&
                        !sub->property("keepTitle").toBool())
                        sub->setWindowTitle(page.isEmpty() ? title : page);
                    UpdateTitle();
                });
        connect(browser, &BrowserPane::statusTextChanged, this, [this](const QString& text) {
            // Command addresses are never shown.
            if (!text.contains(QLatin1String("/~skycmd"), Qt::CaseInsensitive))
                statusBar()->showMessage(text);
        });
        connect(browser, &BrowserPane::loadingChanged, this, [this, browser](bool loading) {
            if (loading && browser == ActiveBrowser())
                statusBar()->showMessage(QStringLiteral("Downloading..."));
            if (!loading && browser == ActiveBrowser()) statusBar()->clearMessage();
        });
        connect(browser, &BrowserPane::secureChanged, this, [this, browser](bool secure) {
            if (browser != ActiveBrowser()) return;
            securityPane_->setPixmap(LockPicture(secure));
            securityPane_->setProperty("secure", secure);
        });
        connect(browser, &BrowserPane::locationChanged, this, [this, browser](const QString& url) {
            if (browser == mainView_) {
                addressBox()->AddVisited(url);
                emit mainBrowserNavigated(url);
            } else if (browser == ActiveBrowser()) {
                addressBox()->ShowActive(url);
            }
        });
    }
    sub->show();
    if (auto* server = qobject_cast<CHttpSvrView*>(view)) {
        connect(server, &CHttpSvrView::titleChanged, sub, &QMdiSubWindow::setWindowTitle);
        httpsvr::SystemPageInfo info;
        info.account = account_.toStdString();
        info.installCookie = cookie_.toStdString();
        info.version = kVersionString;
        info.engineVersion = engineBuild_.toStdString();
        server->document()->SetSystemInfo(info);
        sub->resize(std::min(820, mdi_->viewport()->width()), std::min(420, mdi_->viewport()->height()));
        server->OpenServer();
        sub->setWindowTitle(server->document()->Title());
    }
    return sub;
}

QMdiSubWindow* CMainFrame::FindServerWindow() const {
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (qobject_cast<CHttpSvrView*>(w->widget())) return w;
    return nullptr;
}

void CMainFrame::StartServerDialogFlow() {
    StartServerDialog dialog(account_, loggedIn_, this);
    dialog.onOptions = [this, &dialog] {
        auto settings = httpsvr::ServerSettings::Load(SettingsStore::App());
        QMdiSubWindow* running = FindServerWindow();
        if (running) settings = qobject_cast<CHttpSvrView*>(running->widget())->document()->settings();
        ServerOptionsDialog options(settings, &dialog);
        if (options.exec() != QDialog::Accepted) return;
        if (running)
            qobject_cast<CHttpSvrView*>(running->widget())->document()->ApplySettings(options.settings());
        else
            options.settings().Save(SettingsStore::App());
    };
    dialog.onLogin = [this] { return RunLogin(); };
    dialog.exec();
    if (dialog.startChosen()) OpenDocument(TemplateId::HttpSvr, QStringLiteral("Server Status"));
}

void CMainFrame::NotYetAvailable() {
    ShowMessage(this, QStringLiteral("Sorry.  Not yet available"));
}

void CMainFrame::FirstNavigation(const QString& file) {
    // Colour count of the display: a palette's size, else 257 for more colours.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        int depth = screen->depth();
        colourCount_ = depth <= 0 ? 16 : (depth <= 8 ? (1 << depth) : 257);
    }
    ApplyChannelColours();
    QMdiSubWindow* sub = OpenMainBrowser();
    if (!sub) return;
    if (SettingsStore::App().GetInt("Server", "StartAtStartup", 0) != 0) {
        OpenDocument(TemplateId::HttpSvr, QStringLiteral("Server Status"));
        mdi_->setActiveSubWindow(sub);
    }
    if (!file.isEmpty())
        mainView_->Navigate(file);
    else
        mainView_->GoHome();
}

BrowserPane* CMainFrame::ActiveBrowser() const {
    if (BrowserPane* v = PaneOf(mdi_ ? mdi_->activeSubWindow() : nullptr)) return v;
    return mainView_;
}

QMdiSubWindow* CMainFrame::SubWindowOf(QWidget* w) const {
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) return sub;
    return nullptr;
}

AddressBox* CMainFrame::addressBox() const {
    return navBar_->addressBox();
}

void CMainFrame::HandleAddress(const QString& text, bool useMainBrowser) {
    if (text.trimmed().isEmpty()) return;
    TypedCommand c = ParseTypedAddress(text.toStdString(), ActiveServiceHosts().web);
    switch (c.action) {
        case TypedAction::StartChat:
            // Chat requests travel with the chat tool.
            NotYetAvailable();
            return;
        case TypedAction::SendMessage: {
            SendMessageDialog dialog(this);
            dialog.exec();
            return;
        }
        case TypedAction::SendFile: {
            SendFileDialog dialog(this);
            dialog.exec();
            return;
        }
        case TypedAction::Post: {
            PostDialog dialog(account_, this);
            dialog.onLogin = [this] { return RunLogin() ? account_ : QString(); };
            dialog.exec();
            return;
        }
        case TypedAction::SkyFtp:
            OpenDocument(TemplateId::Ftp);
            return;
        case TypedAction::PageEdit:
        case TypedAction::FtpUpload:
            NotYetAvailable();
            return;
        case TypedAction::StartServer:
            StartServerDialogFlow();
            HandleAddress(QString::fromStdString(c.address), true);
            return;
        case TypedAction::Navigate:
            break;
    }
    QString address = QString::fromStdString(c.address);
    BrowserPane* view = nullptr;
    if (useMainBrowser) {
        if (!mainView_ && !OpenMainBrowser()) return;
        if (QMdiSubWindow* sub = SubWindowOf(mainView_)) mdi_->setActiveSubWindow(sub);
        view = mainView_;
    } else {
        view = PaneOf(mdi_->activeSubWindow());
    }
    if (view) view->Navigate(address);
}

QMdiSubWindow* CMainFrame::OpenMainBrowser() {
    QMdiSubWindow* sub = OpenDocument(TemplateId::Browser, QStringLiteral("Browser"));
    if (!sub) return nullptr;
    mainView_ = ViewOf(sub);
    MaximiseBrowserWindow(sub);
    return sub;
}

void CMainFrame::MaximiseBrowserWindow(QMdiSubWindow* sub) {
    // Restored, a browsing window still fills the frame.
    sub->setGeometry(QRect(QPoint(0, 0), mdi_->viewport()->size().expandedTo(QSize(640, 480))));
    sub->showMaximized();
}

CExplorerFrame* CMainFrame::OpenPopup(const QUrl& url, const QString& name) {
    QMdiSubWindow* sub = NewPopupWindow(name);
    if (!sub) return nullptr;
    auto* popup = qobject_cast<CExplorerFrame*>(sub->widget());
    popups_.append(sub);
    CExplorerDoc doc;
    doc.pathName = url.isEmpty() && ActiveBrowser() ? QUrl(ActiveBrowser()->LocationUrl()) : url;
    popup->SetDocument(doc);
    return popup;
}

QMdiSubWindow* CMainFrame::NewPopupWindow(const QString& name) {
    QMdiSubWindow* sub = OpenDocument(TemplateId::Explorer);
    if (!sub) return nullptr;
    qobject_cast<CExplorerFrame*>(sub->widget())->SetWindowName(name);
    // Cascaded from the top left, each a little further in, inside the frame.
    QSize area = mdi_->viewport()->size();
    QSize size(std::min(760, std::max(320, area.width() - 60)),
               std::min(560, std::max(240, area.height() - 60)));
    int step = 28 * (popups().size() % 8);
    int x = std::min(40 + step, std::max(0, area.width() - size.width()));
    int y = std::min(30 + step, std::max(0, area.height() - size.height()));
    sub->setGeometry(QRect(QPoint(x, y), size));
    return sub;
}

QList<CExplorerFrame*> CMainFrame::popups() const {
    QList<CExplorerFrame*> out;
    for (const auto& sub : popups_)
        if (sub)
            if (auto* popup = qobject_cast<CExplorerFrame*>(sub->widget())) out.append(popup);
    return out;
}

SkyWebPage* CMainFrame::OpenRequestedPopup(BrowserPane* caller, const QString& name) {
    QMdiSubWindow* sub = NewPopupWindow(name);
    if (!sub) return nullptr;
    auto* popup = qobject_cast<CExplorerFrame*>(sub->widget());
    popup->view()->SetRequestedBy(caller, name);
    // Shown only once its first address proves to be a page.
    sub->hide();
    QPointer<QMdiSubWindow> guard(sub);
    connect(popup->view(), &CExplorerView::showRequested, sub, [guard, this] {
        if (!guard) return;
        popups_.append(guard);
        guard->show();
        mdi_->setActiveSubWindow(guard);
    });
    connect(popup->view(), &CExplorerView::closeRequested, sub, [guard] {
        if (guard)
            QTimer::singleShot(0, guard, [guard] {
                if (guard) guard->close();
            });
    });
    return popup->view()->page();
}

void CMainFrame::RunMainFilterAction(BrowserPane*, const MainFilterResult& r) {
    switch (r.action) {
        case MainFilterAction::Proceed:
        case MainFilterAction::DropIdp:
        case MainFilterAction::Nothing:
            break;
        case MainFilterAction::MessageNotReady:
            ShowMessage(this, QStringLiteral("Not Ready"));
            break;
        case MainFilterAction::BadCommand:
            ShowMessage(this, QString::fromStdString(r.text));
            break;
        case MainFilterAction::CustomChannels:
            RunCommand(FrameCommand::CustomChannels);
            break;
        case MainFilterAction::Search:
            RunCommand(FrameCommand::Search);
            break;
        case MainFilterAction::ImportPublicChannel: {
            // After the navigation event returns, as the original posted it.
            QString url = QString::fromStdString(r.text);
            QTimer::singleShot(0, this, [this, url] { ImportPublicChannel(url); });
            break;
        }
        case MainFilterAction::ReplaceChannels: {
            QString source = QString::fromStdString(r.text);
            QTimer::singleShot(0, this, [this, source] { ReplaceChannels(source); });
            break;
        }
    }
}

bool CMainFrame::HandleCommandLink(BrowserPane*, const QUrl& url, const QString& target) {
    SettingsStore& s = SettingsStore::App();
    CommandLinkContext ctx;
    ctx.popupOption = popup_;
    ctx.engineBuild = engineBuild_.toStdString();
    ctx.freeHomeDomains[0] = s.GetString("Service", "FreeHomeDomain1", "geocities.com");
    ctx.freeHomeDomains[1] = s.GetString("Service", "FreeHomeDomain2", "tripod.com");
    CommandLinkResult r = CommandLinkHandler(url.toString().toStdString(), target.toStdString(), ctx);
    // Acted on after the navigation event returns, as a posted command would be.
    switch (r.action) {
        case CommandLinkAction::Proceed:
        case CommandLinkAction::ClaimedByComments:
            break;
        case CommandLinkAction::FrameCommand: {
            int command = static_cast<int>(r.command), page = r.page;
            QTimer::singleShot(0, this, [this, command, page] { RunLinkCommand(command, page); });
            break;
        }
        case CommandLinkAction::OpenPopup: {
            QUrl target(QString::fromStdString(r.text));
            QString name = QString::fromStdString(r.name);
            QTimer::singleShot(0, this, [this, target, name] { OpenPopup(target, name); });
            break;
        }
        case CommandLinkAction::UnknownCommand: {
            QString text = QString::fromStdString(r.text);
            QTimer::singleShot(0, this, [this, text] { ShowMessage(this, text); });
            break;
        }
    }
    return r.consumed;
}

void CMainFrame::RunLinkCommand(int command, int page) {
    (void)page;
    switch (static_cast<LinkCommand>(command)) {
        case LinkCommand::None:
            break;
        case LinkCommand::Zoom:
            EnterZoomMode();
            break;
        case LinkCommand::ControlPanel:
            RunCommand(FrameCommand::ControlPanel);
            break;
        case LinkCommand::Search:
            RunCommand(FrameCommand::Search);
            break;
        case LinkCommand::CustomChannels:
            RunCommand(FrameCommand::CustomChannels);
            break;
        case LinkCommand::UpdateSoftware:
            RunCommand(FrameCommand::UpdateSoftware);
            break;
        case LinkCommand::FileManager:
            RunCommand(FrameCommand::FileManager);
            break;
        case LinkCommand::ShowFavorites:
            RunCommand(FrameCommand::Favorites);
            break;
        case LinkCommand::Home:
            HandleAddress(QString::fromStdString(StartPageUrl()), true);
            break;
        case LinkCommand::AddToChannel:
            RunCommand(FrameCommand::AddToChannel);
            break;
        case LinkCommand::Back:
            if (mainView_) mainView_->GoBack();
            break;
        case LinkCommand::Forward:
            if (mainView_) mainView_->GoForward();
            break;
        case LinkCommand::Reload:
            if (mainView_) mainView_->Refresh();
            break;
        case LinkCommand::Print:
            if (mainView_) mainView_->Print();
            break;
        case LinkCommand::ChannelBar:
            RunCommand(FrameCommand::ToggleChannelBar);
            break;
        case LinkCommand::LocalSettings:
            RunCommand(FrameCommand::LocalSettings);
            break;
        case LinkCommand::Register:
            RunCommand(FrameCommand::Register);
            break;
        case LinkCommand::BrowserSettings:
            RunCommand(FrameCommand::BrowserSettings);
            break;
        case LinkCommand::LookAndFeel:
            RunCommand(FrameCommand::Settings);
            break;
        case LinkCommand::Login:
            RunCommand(FrameCommand::Login);
            break;
    }
}

void CMainFrame::SetActivity(bool busy) {
    if (!activity_) return;
    activity_->setText(busy ? QStringLiteral("Loading...") : QString());
    activity_->setProperty("busy", busy);
}

void CMainFrame::OpenWebSearch() {
    QStringList channels;
    for (const auto& c : bar_->mainList().channels()) channels << QString::fromStdString(c->name);
    WebSearchDialog dialog(channels, this);
    dialog.exec();
}

void CMainFrame::OnNavButton(int button) {
    BrowserPane* view = ActiveBrowser();
    switch (button) {
        case NavStrip::Back:
            if (view) view->GoBack();
            break;
        case NavStrip::Forward:
            if (view) view->GoForward();
            break;
        case NavStrip::Stop:
            if (view) view->Stop();
            break;
        case NavStrip::Refresh:
            if (view) view->Refresh();
            break;
        case NavStrip::Home:
            HandleAddress(CK7View::HomeAddress(), false);
            break;
        case NavStrip::Zoom:
            RunCommand(FrameCommand::Zoom);
            break;
        case NavStrip::Search:
            RunCommand(FrameCommand::Search);
            break;
        case NavStrip::Print:
            RunCommand(FrameCommand::Print);
            break;
        case NavStrip::Channels:
            RunCommand(FrameCommand::CustomChannels);
            break;
        case NavStrip::ControlPanel:
            RunCommand(FrameCommand::ControlPanel);
            break;
    }
}

void CMainFrame::RunCommand(FrameCommand command) {
    switch (command) {
        case FrameCommand::Zoom:
            if (zoomed_)
                LeaveZoomMode();
            else
                EnterZoomMode();
            break;
        case FrameCommand::LeaveZoom:
            LeaveZoomMode();
            break;
        case FrameCommand::ToggleChannelBar:
            SetChannelBarShown(channelDock_->isHidden());
            break;
        case FrameCommand::SaveSettings:
            SaveSettings();
            break;
        case FrameCommand::ShowBrowser:
            ShowBrowser();
            break;
        case FrameCommand::NotAvailable:
            ShowMessage(this, QStringLiteral("Not available"));
            break;
        case FrameCommand::FileManager:
            ShowMessage(this, QStringLiteral("File Manager not available in this version"));
            break;
        case FrameCommand::DefaultBrowser:
            if (defaultBrowser_) RunDefaultBrowserCheck(this, *defaultBrowser_, false);
            break;
        case FrameCommand::BrowserSettings: {
            BrowserSettingsDialog dialog(this);
            dialog.exec();
            break;
        }
        case FrameCommand::Ftp:
            StartTerminalProgram(QStringLiteral("ftp"));
            break;
        case FrameCommand::Telnet:
            StartTerminalProgram(QStringLiteral("telnet"));
            break;
        case FrameCommand::EmailProgram:
            StartEmailProgram();
            break;
        case FrameCommand::NewBrowser:
            if (QMdiSubWindow* sub = OpenDocument(TemplateId::Browser2, QStringLiteral("Web Browser")))
                if (CK7View* v = ViewOf(sub)) v->GoHome();
            break;
        case FrameCommand::Search:
            OpenWebSearch();
            break;
        case FrameCommand::Print:
            if (BrowserPane* v = ActiveBrowser()) v->Print();
            break;
        case FrameCommand::PageSetup:
            if (BrowserPane* v = ActiveBrowser()) v->PageSetup();
            break;
        case FrameCommand::SaveAs:
            if (BrowserPane* v = ActiveBrowser()) v->SaveAs();
            break;
        case FrameCommand::Cut:
            if (BrowserPane* v = ActiveBrowser()) v->Cut();
            break;
        case FrameCommand::Copy:
            if (BrowserPane* v = ActiveBrowser()) v->Copy();
            break;
        case FrameCommand::Paste:
            if (BrowserPane* v = ActiveBrowser()) v->Paste();
            break;
        case FrameCommand::SelectAll:
            if (BrowserPane* v = ActiveBrowser()) v->SelectAll();
            break;
        case FrameCommand::OpenAddress: {
            OpenAddressDialog dialog(this);
            if (dialog.exec() == QDialog::Accepted) HandleAddress(dialog.address(), false);
            break;
        }
        case FrameCommand::OpenEmail:
            OpenDocument(TemplateId::Email);
            break;
        case FrameCommand::OpenWebSpace:
            OpenDocument(TemplateId::PublicSpace);
            break;
        case FrameCommand::OpenWebServer:
            OpenDocument(TemplateId::HttpSvr, QStringLiteral("Server Status"));
            break;
        case FrameCommand::OpenSkyPad:
            OpenDocument(TemplateId::SkyPad);
            break;
        case FrameCommand::OpenFtpClient:
            OpenDocument(TemplateId::Ftp);
            break;
        case FrameCommand::OpenChat:
            OpenDocument(TemplateId::Chat);
            break;
        case FrameCommand::OpenPageEditor:
            OpenDocument(TemplateId::PageEdit);
            break;
        case FrameCommand::About:
            ShowMessage(this,
                        BaseTitle() +
                            QStringLiteral("\n\nAn Internet suite: browser, channels, e-mail, a "
                                           "personal web server, chat and home pages.\n\nWeb engine: ") +
                            engineBuild_,
                        QStringLiteral("About SkyHarbor"));
            break;
        case FrameCommand::Exit:
            close();
            break;
        case FrameCommand::CustomChannels:
        case FrameCommand::AddToChannel:
            OpenChannelDesigner();
            break;
        case FrameCommand::ImportChannels:
            if (RunImportFromMenu(this, bar_->mainList())) ChannelsChanged(false);
            break;
        case FrameCommand::ExportChannels: {
            CExportSheet sheet(bar_->mainList(), this);
            sheet.exec();
            break;
        }
        case FrameCommand::Favorites:
            if (channelDock_->isHidden()) SetChannelBarShown(true);
            if (!favoritesConnected_) {
                favoritesConnected_ = true;
                CFavoritesView* favorites = bar_->favorites();
                connect(favorites, &CFavoritesView::openAddress, this, [this](const QString& url) {
                    HandleAddress(url, false);
                    bar_->ShowFavorites(false);
                });
                connect(favorites, &CFavoritesView::addCurrentPageRequested, this, [this, favorites] {
                    BrowserPane* page = ActiveBrowser();
                    if (!page || page->LocationUrl().isEmpty()) return;
                    bool ok = false;
                    QString name = QInputDialog::getText(this, QStringLiteral("Add to Favorites"),
                                                         QStringLiteral("Name of the shortcut:"),
                                                         QLineEdit::Normal, page->PageTitle(), &ok);
                    if (ok && !name.trimmed().isEmpty())
                        favorites->AddPage(page->LocationUrl(), name.trimmed());
                });
            }
            bar_->ShowFavorites(!bar_->favoritesShown());
            break;
        case FrameCommand::LocalSettings: {
            CLocalPropertySheet sheet(this);
            ExecDialog(sheet);
            bar_->ReloadLocal();
            if (CSubChannelView* rows = SubChannelViewOf(localSites_)) {
                rows->ShowChannel(-3);
                if (bar_->localList().empty()) ShowNoLocalChannel(ViewOf(localSites_));
            }
            break;
        }
        case FrameCommand::Register:
            RunRegistration();
            break;
        case FrameCommand::Login:
            if (RunLogin()) ShowMessage(this, QStringLiteral("Login was successful !"));
            break;
        case FrameCommand::UpdateSoftware:
            UpdateSoftware();
            break;
        // Tools that later work brings.
        case FrameCommand::NotYetAvailable:
        case FrameCommand::Settings:
        case FrameCommand::ControlPanel:
            NotYetAvailable();
            break;
    }
}

void CMainFrame::ShowBrowser() {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    if (!w && mainView_) w = qobject_cast<QMdiSubWindow*>(mainView_->parentWidget());
    if (w) w->showMaximized();
}

void CMainFrame::StartTerminalProgram(const QString& program) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        ShowMessage(this, QStringLiteral("The program \"%1\" is not installed.").arg(program));
        return;
    }
    QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (terminal.isEmpty()) {
        ShowMessage(this, QStringLiteral("No terminal program was found to run \"%1\" in.").arg(program));
        return;
    }
    QProcess::startDetached(terminal, {QStringLiteral("-e"), program});
}

void CMainFrame::StartEmailProgram() {
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:"))))
        ShowMessage(this, QStringLiteral("Could not determine how to start your E-Mail program."));
}

void CMainFrame::SetChannelBarShown(bool shown) {
    channelDock_->setVisible(shown);
    navBar_->SetChannelBarVisible(shown);
}

void CMainFrame::EnterZoomMode() {
    if (zoomed_) return;
    QMdiSubWindow* active = mdi_->activeSubWindow();
    setUpdatesEnabled(false);
    zoomed_ = true;
    mdi_->cascadeSubWindows();
    menuWasVisible_ = menuBar()->isVisible() || !isVisible();
    menuBar()->hide();
    savedFlags_ = windowFlags();
    bool wasVisible = isVisible();
    setWindowFlags(savedFlags_ | Qt::FramelessWindowHint);
    navToolBar_->hide();
    zoomBar_->show();
    if (wasVisible) showMaximized();
    if (active) active->showMaximized();
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void CMainFrame::LeaveZoomMode() {
    if (!zoomed_) return;
    QMdiSubWindow* previous = mdi_->activeSubWindow();
    setUpdatesEnabled(false);
    zoomed_ = false;
    bool wasVisible = isVisible();
    setWindowFlags(savedFlags_ & ~Qt::FramelessWindowHint);
    if (menuWasVisible_) menuBar()->show();
    if (wasVisible) showMaximized();
    navToolBar_->show();
    SetChannelBarShown(true);
    zoomBar_->hide();
    // Another browsing window first (the main browser, or "Local Web Sites"
    // when the main browser was the active one), then the one that was active.
    QMdiSubWindow* mainSub = SubWindowOf(mainView_);
    QMdiSubWindow* other = mainSub != previous ? mainSub : localSites_.data();
    if (other) mdi_->setActiveSubWindow(other);
    if (previous) mdi_->setActiveSubWindow(previous);
    setUpdatesEnabled(true);
}

void CMainFrame::OnTimer(int id) {
    switch (id) {
        case kTimerFirstPing:
            timer1_.stop();
            StartPing(true);
            timer2_.start(pingIntervalMs_, this);
            break;
        case kTimerPing:
            StartPing(false);
            break;
        case kTimerZoomBar:
            if (zoomed_ && !zoomBar_->isVisible()) {
                addToolBar(Qt::BottomToolBarArea, zoomBar_);
                zoomBar_->show();
            }
            break;
    }
}

bool CMainFrame::IsTimerActive(int id) const {
    switch (id) {
        case kTimerFirstPing:
            return timer1_.isActive();
        case kTimerPing:
            return timer2_.isActive();
        case kTimerZoomBar:
            return timer3_.isActive();
    }
    return false;
}

void CMainFrame::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer1_.timerId())
        OnTimer(kTimerFirstPing);
    else if (event->timerId() == timer2_.timerId())
        OnTimer(kTimerPing);
    else if (event->timerId() == timer3_.timerId())
        OnTimer(kTimerZoomBar);
    else if (event->timerId() == lockTimer_.timerId())
        UpdateLockPanes();
    else
        QMainWindow::timerEvent(event);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    if (window) lastActive_ = window;
    if (window && window == SubWindowOf(mainView_)) {
        bar_->SelectPlace(CChannelBar::kPlaceBrowse);
    } else if (window && window == localSites_) {
        bar_->SelectPlace(CChannelBar::kPlaceLocal);
    } else if (window && window == channelViewer_) {
        int current = SubChannelViewOf(window)->currentChannel();
        if (current >= 0) bar_->SelectPlace(CChannelBar::kPlaceFirstChannel + current);
    }
    if (BrowserPane* view = PaneOf(window)) {
        addressBox()->ShowActive(view->LocationUrl());
        bool secure = view->LocationUrl().startsWith(QLatin1String("https:"));
        securityPane_->setPixmap(LockPicture(secure));
        securityPane_->setProperty("secure", secure);
    }
    UpdateTitle();
}

void CMainFrame::UpdateTitle() {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    if (w && w->isMaximized() && !w->windowTitle().isEmpty())
        setWindowTitle(BaseTitle() + QStringLiteral(" - [") + w->windowTitle() + QStringLiteral("]"));
    else
        setWindowTitle(BaseTitle());
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && mdi_) UpdateTitle();
}

void CMainFrame::SaveSettings() {
    SettingsStore& s = SettingsStore::App();
    s.WriteInt("misc", "popup", popup_ ? 1 : 0);
    s.WriteInt("misc", "statuspopup", statusPopup_ ? 1 : 0);
    s.WriteInt("misc", "showChannelInto", showChannelIntro_ ? 1 : 0);
    if (!channelSetupChanged_) return;
    channelSetupChanged_ = false;
    if (AskYesNo(this,
                 QStringLiteral("You have made changes to your channel setup.") +
                     QStringLiteral("\n\nDo you want to save them ?"),
                 QStringLiteral("Save Changes ?"))) {
        if (!channelSaver_ || !channelSaver_()) {
            channelSetupChanged_ = true;
            ShowMessage(this, QString::fromLatin1(kSaveError), QStringLiteral("SkyHarbor"),
                        MessageKind::Warning);
        }
    } else {
        ShowMessage(this, QStringLiteral("Changes have been forgotten !"));
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SettingsStore& s = SettingsStore::App();
    s.WriteString("BarState", "Layout", saveState().toBase64().toStdString());
    s.WriteInt("Startup", "Zoom", zoomed_ ? 1 : 0);
    SaveSettings();
    mdi_->closeAllSubWindows();
    event->accept();
}

}  // namespace sky::ui
