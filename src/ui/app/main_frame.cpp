#include "ui/app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimerEvent>
#include <QToolBar>
#include <algorithm>
#include <map>

#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "ui/app/address_box.h"
#include "ui/app/app_context.h"
#include "ui/app/lock_keys.h"
#include "ui/app/nav_bar.h"
#include "ui/app/nav_strip.h"
#include "ui/app/window_list.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"

namespace sky::ui {

namespace {

// The menus in the order of the menu bar; each tool places its commands in them.
const char* const kMenus[] = {"&File",   "&Edit",     "&View", "&Tools", "&Channels",
                              "&Member", "&Settings", "&Help", "&Window"};

// What each button of the navigation strip runs, in the strip's order.
const char* const kNavCommands[] = {
    "browser.back", "browser.forward", "browser.stop",  "browser.refresh",    "browser.home",
    "frame.zoom",   "browser.search",  "browser.print", "channels.customize", "settings.controlPanel"};

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

QString CMainFrame::BaseTitle() {
    return QString::fromLatin1(kProgramName) + QString::fromLatin1(kVersionString);
}

CMainFrame::CMainFrame(AppContext& context) : context_(context) {
    setObjectName(QStringLiteral("SkyHarborMainFrame"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CMainFrame::~CMainFrame() {
    // Closing the windows below activates others; nobody is to hear of it now.
    if (mdi_) mdi_->disconnect(this);
    // Destruction repeats the settings step; the channel question is not
    // asked twice because answering it cleared the flag.
    if (context_.frame() == this) {
        SaveSettings();
        context_.SetFrame(nullptr);
    }
}

void CMainFrame::Create() {
    context_.SetFrame(this);
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
    windows_ = new WindowList(mdi_, context_.registry(), context_.settings(), this);

    CreateStatusBar();
    CreateSideBar();
    CreateNavigationBar();
    CreateZoomBar();
    RegisterFrameCommands();
    CreateMenusAndToolBar();
    resize(1024, 720);

    // Zoom mode itself waits until the window is up (ShowAtStart): a frame
    // without decorations must first exist to be maximised.
    zoomAtStart_ = context_.settings().GetInt("Startup", "Zoom", 0) != 0;
    zoomBarTimer_.start(kZoomBarMs, this);
    lockTimer_.start(400, this);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->showMessage(sessionText_);
    securityPane_ = new QLabel(bar);
    securityPane_->setToolTip(QStringLiteral("This page did not come over a secure connection"));
    SetSecure(false);
    capsPane_ = new QLabel(bar);
    numPane_ = new QLabel(bar);
    scrollPane_ = new QLabel(bar);
    for (QLabel* l : {capsPane_, numPane_, scrollPane_}) {
        l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance(QStringLiteral("SCRL")) + 8);
        l->setAlignment(Qt::AlignCenter);
    }
    for (QLabel* l : {securityPane_, capsPane_, numPane_, scrollPane_}) bar->addPermanentWidget(l);
    UpdateLockPanes();
}

void CMainFrame::UpdateLockPanes() {
    LockKeys keys = QueryLockKeys();
    capsPane_->setText(keys.known && keys.caps ? QStringLiteral("CAP") : QString());
    numPane_->setText(keys.known && keys.num ? QStringLiteral("NUM") : QString());
    scrollPane_->setText(keys.known && keys.scroll ? QStringLiteral("SCRL") : QString());
}

void CMainFrame::CreateSideBar() {
    channelDock_ = new QDockWidget(QStringLiteral("Channels"), this);
    channelDock_->setObjectName(QStringLiteral("ChannelBar"));
    channelDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
    if (QWidget* content = context_.registry().MakeSideBar(channelDock_)) channelDock_->setWidget(content);
    addDockWidget(Qt::RightDockWidgetArea, channelDock_);
    connect(channelDock_, &QDockWidget::visibilityChanged, this, [this](bool) {
        if (navBar_ && !isMinimized()) navBar_->SetChannelBarVisible(!channelDock_->isHidden());
    });
}

void CMainFrame::CreateNavigationBar() {
    navToolBar_ = new QToolBar(QStringLiteral("Navigation"), this);
    navToolBar_->setObjectName(QStringLiteral("NavigationBar"));
    navToolBar_->setMovable(false);
    navToolBar_->setFloatable(false);
    navBar_ = new NavBar(navToolBar_);
    navBar_->strip()->LoadScheme(context_.settings());
    navToolBar_->addWidget(navBar_);
    addToolBar(Qt::TopToolBarArea, navToolBar_);

    connect(navBar_->strip(), &NavStrip::buttonClicked, this, &CMainFrame::OnNavButton);
    connect(navBar_->addressBox(), &AddressBox::addressEntered, this,
            [this](const QString& text) { HandleAddress(text, false); });
    connect(navBar_->addressBox(), &AddressBox::addressChosen, this,
            [this](const QString& text) { HandleAddress(text, false); });
    connect(navBar_->channelToggle(), &QPushButton::clicked, this,
            [this] { SetChannelBarShown(channelDock_->isHidden()); });
}

void CMainFrame::CreateZoomBar() {
    zoomBar_ = new QToolBar(QStringLiteral("Zoom"), this);
    zoomBar_->setObjectName(QStringLiteral("ZoomBar"));
    zoomBar_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    zoomStrip_ = new NavStrip(context_.settings(), zoomBar_);
    zoomBar_->addWidget(zoomStrip_);
    connect(zoomStrip_, &NavStrip::buttonClicked, this, &CMainFrame::OnNavButton);
    zoomBar_->addSeparator();
    zoomBar_->addAction(QStringLiteral("Leave Zoom"), this, [this] { LeaveZoomMode(); });
    zoomBar_->addAction(QStringLiteral("Minimize"), this, [this] { showMinimized(); });
    zoomBar_->addAction(QStringLiteral("Channels"), this,
                        [this] { SetChannelBarShown(channelDock_->isHidden()); });
    zoomBar_->addAction(QStringLiteral("Close"), this, [this] { close(); });
    addToolBar(Qt::TopToolBarArea, zoomBar_);
    zoomBar_->hide();
}

void CMainFrame::RegisterFrameCommands() {
    ToolRegistry& r = context_.registry();
    const QString file = QStringLiteral("&File"), view = QStringLiteral("&View");
    r.AddCommand({QStringLiteral("frame.saveSettings"), file, QStringLiteral("&Save Settings"), {}, 9, true},
                 [this] { SaveSettings(); });
    r.AddCommand({QStringLiteral("frame.exit"), file, QStringLiteral("E&xit"), QKeySequence::Quit, 10},
                 [this] { close(); });
    r.AddCommand({QStringLiteral("frame.zoom"), view, QStringLiteral("&Zoom"), QKeySequence(Qt::Key_F11), 16},
                 [this] { zoomed_ ? LeaveZoomMode() : EnterZoomMode(); });
    r.AddCommand({QStringLiteral("frame.channelBar"), view, QStringLiteral("&Channel Bar"), {}, 17},
                 [this] { SetChannelBarShown(channelDock_->isHidden()); });
    r.AddCommand({QStringLiteral("frame.statusBar"), view, QStringLiteral("&Status Bar"), {}, 17},
                 [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    r.AddCommand({QStringLiteral("frame.zoomIn")}, [this] { EnterZoomMode(); });
    QAction* focus = r.AddCommand({QStringLiteral("frame.focusAddress")}, [this] {
        if (!navToolBar_->isVisible()) return;
        addressBox()->setFocus(Qt::ShortcutFocusReason);
        addressBox()->lineEdit()->selectAll();
    });
    focus->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::ALT | Qt::Key_D), QKeySequence(Qt::Key_F6)});
    r.ClaimLinkWord(LinkCommand::Zoom, QStringLiteral("frame.zoomIn"));
    r.ClaimLinkWord(LinkCommand::ChannelBar, QStringLiteral("frame.channelBar"));
}

void CMainFrame::CreateMenusAndToolBar() {
    ToolRegistry& r = context_.registry();
    struct Entry {
        int order;
        bool separator;
        QAction* action;
    };
    std::map<QString, std::vector<Entry>> byMenu;
    std::vector<std::pair<int, QAction*>> tools;
    for (const CommandSpec& spec : r.commands()) {
        QAction* a = r.action(spec.id);
        if (!spec.menu.isEmpty()) byMenu[spec.menu].push_back({spec.order, spec.separatorBefore, a});
        for (const auto& [menu, order] : spec.alsoIn)
            byMenu[menu].push_back({order, spec.separatorBefore, a});
        if (!spec.toolbarText.isEmpty()) tools.push_back({spec.order, a});
    }
    for (const char* title : kMenus) {
        auto& entries = byMenu[QString::fromLatin1(title)];
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.order < b.order; });
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
        for (const Entry& e : entries) {
            if (e.separator && !menu->isEmpty()) menu->addSeparator();
            menu->addAction(e.action);
        }
        if (menu->title() == QLatin1String("&Window")) windows_->AttachMenu(menu);
    }
    // The shortcuts work while the menu bar is hidden (zoom mode) too.
    for (const CommandSpec& spec : r.commands()) addAction(r.action(spec.id));

    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    std::stable_sort(tools.begin(), tools.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, action] : tools) {
        const CommandSpec* spec = nullptr;
        for (const CommandSpec& s : r.commands())
            if (r.action(s.id) == action) spec = &s;
        QString id = spec->id;
        toolBar_->addAction(spec->toolbarText, this, [&r, id] { r.Invoke(id); });
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->hide();
}

void CMainFrame::FirstNavigation(const QString& file) {
    context_.registry().RunStartSteps(file);
}

void CMainFrame::ShowAtStart() {
    // Without a window manager "maximised" means nothing; fill the screen then.
    if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    showMaximized();
    if (zoomAtStart_) EnterZoomMode();
}

QMdiSubWindow* CMainFrame::OpenDocument(TemplateId id, const QString& title) {
    const DocTemplate& t = context_.registry().templates().at(id);
    if (!t.makeView) {
        ShowMessage(this, QStringLiteral("Sorry.  Not yet available"));
        return nullptr;
    }
    QWidget* view = t.makeView();
    QMdiSubWindow* sub = mdi_->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty("template", static_cast<int>(id));
    sub->setWindowTitle(title.isEmpty() ? QString::fromLatin1(t.usedBy) : title);
    windows_->Place(sub);
    context_.registry().NotifyWindowOpened(id, sub, title);
    sub->show();
    return sub;
}

void CMainFrame::HandleAddress(const QString& text, bool useMainBrowser) {
    context_.registry().HandleAddress(text, useMainBrowser, context_.hosts().web);
}

void CMainFrame::ShowStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void CMainFrame::ClearStatus() {
    statusBar()->clearMessage();
}

void CMainFrame::SetSecure(bool secure) {
    securityPane_->setPixmap(LockPicture(secure));
    securityPane_->setProperty("secure", secure);
}

void CMainFrame::AddressVisited(const QString& url) {
    addressBox()->AddVisited(url);
    emit mainBrowserNavigated(url);
}

void CMainFrame::ShowActiveAddress(const QString& url) {
    addressBox()->ShowActive(url);
}

void CMainFrame::SetSessionText(const QString& text) {
    sessionText_ = text;
    statusBar()->showMessage(text);
}

AddressBox* CMainFrame::addressBox() const {
    return navBar_->addressBox();
}

void CMainFrame::OnNavButton(int button) {
    if (button >= 0 && button < static_cast<int>(std::size(kNavCommands)))
        context_.registry().Invoke(QString::fromLatin1(kNavCommands[button]));
}

bool CMainFrame::SideBarShown() const {
    return !channelDock_->isHidden();
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
    unzoomedGeometry_ = geometry();
    unzoomedMaximised_ = isMaximized();
    windows_->Cascade();
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
    // The zoom bar goes before the navigation bar comes: both in one row
    // would widen the frame past the screen.
    zoomBar_->hide();
    navToolBar_->show();
    SetChannelBarShown(true);
    if (wasVisible) {
        if (unzoomedMaximised_)
            showMaximized();
        else
            showNormal();
        setGeometry(unzoomedGeometry_);
    }
    // Another browsing window first (the main browser, or "Local Web Sites"
    // when the main browser was the active one), then the one that was active.
    auto [mainSub, localSites] = context_.registry().browsingWindows();
    QMdiSubWindow* other = mainSub != previous ? mainSub : localSites;
    if (other) mdi_->setActiveSubWindow(other);
    if (previous) mdi_->setActiveSubWindow(previous);
    setUpdatesEnabled(true);
}

void CMainFrame::OnTimer(int id) {
    if (id == kTimerZoomBar && zoomed_ && !zoomBar_->isVisible()) {
        addToolBar(Qt::BottomToolBarArea, zoomBar_);
        zoomBar_->show();
    }
}

bool CMainFrame::IsTimerActive(int id) const {
    return id == kTimerZoomBar && zoomBarTimer_.isActive();
}

void CMainFrame::timerEvent(QTimerEvent* event) {
    if (event->timerId() == zoomBarTimer_.timerId())
        OnTimer(kTimerZoomBar);
    else if (event->timerId() == lockTimer_.timerId())
        UpdateLockPanes();
    else
        QMainWindow::timerEvent(event);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    context_.registry().NotifyWindowActivated(window);
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
    context_.registry().SaveSettings();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    std::string layout = saveState().toBase64().toStdString();
    context_.settings().Edit([&](SettingsEdit& e) {
        e.Set("BarState", "Layout", layout);
        e.SetInt("Startup", "Zoom", zoomed_ ? 1 : 0);
    });
    SaveSettings();
    mdi_->closeAllSubWindows();
    event->accept();
}

}  // namespace sky::ui
