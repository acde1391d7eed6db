#include "ui/browser/explorer.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "core/app/command_dispatch.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "ui/browser/browser_host.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/link_drag.h"
#include "ui/browser/sky_web_page.h"

namespace sky::ui {

namespace {

int g_liveFrames = 0;
QFont* g_sharedFont = nullptr;

constexpr int kAddressGap = 150;
constexpr int kAddressWidth = 200;

}  // namespace

CExplorerView::CExplorerView(BrowserHost& host, QWidget* parent)
    : BrowserPane(host.Profile(), parent), host_(host) {
    page()->onBeforeNavigate = [this](NavigationEvent& ev) { BeforeNavigate(ev); };
    page()->onNewWindow = [this](const QUrl&, const QString& name) -> SkyWebPage* {
        return host_.OpenRequestedPopup(this, name);
    };
}

void CExplorerView::SetRequestedBy(BrowserPane* requester, const QString& name) {
    requester_ = requester;
    name_ = name;
    requestedByPage_ = true;
    firstPending_ = true;
}

void CExplorerView::BeforeNavigate(NavigationEvent& ev) {
    // Command URLs act here as in the main browser and never load.
    MainFilterResult filter = MainBrowserFilter(ev.url.toString().toStdString());
    if (filter.cancel) {
        ev.cancel = true;
        if (ev.isMainFrame)
            QTimer::singleShot(0, this, [this, filter] { host_.RunMainFilterAction(this, filter); });
        if (requestedByPage_ && firstPending_) {
            firstPending_ = false;
            emit closeRequested();
        }
        return;
    }
    if (!ev.isMainFrame) return;
    if (requestedByPage_ && firstPending_) {
        firstPending_ = false;
        QString target = ev.targetFrame.isEmpty() ? name_ : ev.targetFrame;
        BrowserPane* caller = requester_ ? requester_.data() : this;
        if (host_.HandleCommandLink(caller, ev.url, target)) {
            ev.cancel = true;
            emit closeRequested();
        } else {
            emit showRequested();
        }
        return;
    }
    // Links and forms in the popup; the program's own loads go through.
    if (ev.userInitiated || !ev.targetFrame.isEmpty()) {
        if (host_.HandleCommandLink(this, ev.url, ev.targetFrame)) ev.cancel = true;
    }
}

int CExplorerFrame::LiveCount() {
    return g_liveFrames;
}

CExplorerFrame::CExplorerFrame(BrowserHost& host, QWidget* parent) : QMainWindow(parent), host_(host) {
    if (g_liveFrames++ == 0) {
        g_sharedFont = new QFont(font());
        g_sharedFont->setPointSize(8);
    }
    setWindowTitle(QStringLiteral("[SkyBrowser]"));

    view_ = new CExplorerView(host_, this);
    setCentralWidget(view_);

    toolbar_ = addToolBar(QStringLiteral("Popup Browser"));
    toolbar_->setObjectName(QStringLiteral("PopupToolBar"));
    toolbar_->setMovable(false);
    QStyle* st = style();
    QAction* back = toolbar_->addAction(st->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"));
    back->setToolTip(QStringLiteral("Back"));
    connect(back, &QAction::triggered, view_, &BrowserPane::GoBack);
    QAction* fwd = toolbar_->addAction(st->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"));
    connect(fwd, &QAction::triggered, view_, &BrowserPane::GoForward);
    QAction* stop = toolbar_->addAction(st->standardIcon(QStyle::SP_BrowserStop), QStringLiteral("Stop"));
    connect(stop, &QAction::triggered, view_, &BrowserPane::Stop);
    QAction* reload =
        toolbar_->addAction(st->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("Refresh"));
    connect(reload, &QAction::triggered, view_, &BrowserPane::Refresh);
    QAction* print =
        toolbar_->addAction(QIcon::fromTheme(QStringLiteral("document-print")), QStringLiteral("Print"));
    connect(print, &QAction::triggered, view_, &BrowserPane::Print);
    topMost_ = toolbar_->addAction(QStringLiteral("On Top"));
    topMost_->setToolTip(QStringLiteral("Keep this window above the others"));
    topMost_->setCheckable(true);
    topMost_->setChecked(host_.Settings().GetInt("PopupBrowser", "TopMost", 0) != 0);
    connect(topMost_, &QAction::toggled, this,
            [this](bool on) { host_.Settings().WriteInt("PopupBrowser", "TopMost", on ? 1 : 0); });

    spacer_ = new QWidget(toolbar_);
    spacer_->setFixedWidth(kAddressGap);
    toolbar_->addWidget(spacer_);
    linkButton_ = new LinkDragButton(toolbar_);
    linkButton_->setText(QStringLiteral("Link"));
    linkButton_->link = [this] {
        // A window with nothing shown yet offers the service's home.
        QUrl url(view_->LocationUrl());
        if (url.isEmpty()) url = QUrl(QString::fromStdString(ServiceUrl(host_.WebHost(), "/")));
        return CLinkDragSource(url, view_->PageTitle());
    };
    toolbar_->addWidget(linkButton_);
    address_ = new QComboBox(toolbar_);
    address_->setEditable(true);
    address_->setInsertPolicy(QComboBox::NoInsert);
    address_->setFont(*g_sharedFont);
    address_->setMinimumWidth(kAddressWidth);
    address_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    address_->setMinimumContentsLength(16);
    address_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    toolbar_->addWidget(address_);
    auto go = [this] {
        QString text = address_->currentText().trimmed();
        if (!text.isEmpty()) view_->Navigate(text);
    };
    connect(address_, &QComboBox::activated, this, go);
    connect(address_->lineEdit(), &QLineEdit::returnPressed, this, go);
    connect(linkButton_, &QToolButton::clicked, this, go);

    securityPane_ = new QLabel(statusBar());
    securityPane_->setProperty("secure", false);
    securityPane_->setText(QStringLiteral("Not secure"));
    statusBar()->addPermanentWidget(securityPane_);
    for (const char* key : {"", "", ""}) {
        auto* pane = new QLabel(QString::fromLatin1(key), statusBar());
        pane->setMinimumWidth(32);
        statusBar()->addPermanentWidget(pane);
    }

    connect(view_, &BrowserPane::statusTextChanged, this, [this](const QString& text) {
        if (!text.contains(QLatin1String("/~skycmd"), Qt::CaseInsensitive)) statusBar()->showMessage(text);
    });
    connect(view_, &BrowserPane::loadingChanged, this, [this](bool loading) {
        statusBar()->showMessage(loading ? QStringLiteral("Downloading...") : QString());
        if (loading) return;
        QString url = view_->LocationUrl();
        if (url.isEmpty() || url == QLatin1String("about:blank")) return;
        setWindowTitle(url);
        emit captionChanged(url);
        if (address_->findText(url) < 0) address_->insertItem(0, url);
        address_->setCurrentIndex(address_->findText(url));
        bool secure = url.startsWith(QLatin1String("https:"));
        securityPane_->setProperty("secure", secure);
        securityPane_->setText(secure ? QStringLiteral("Secure") : QStringLiteral("Not secure"));
    });
}

CExplorerFrame::~CExplorerFrame() {
    if (--g_liveFrames == 0) {
        delete g_sharedFont;
        g_sharedFont = nullptr;
    }
}

void CExplorerFrame::SetDocument(const CExplorerDoc& doc) {
    doc_ = doc;
    if (!doc.pathName.isEmpty()) view_->NavigateUrl(doc.pathName);
}

void CExplorerFrame::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    LayoutAddressBox();
}

void CExplorerFrame::LayoutAddressBox() {
    // Stretched to the right edge, never narrower than eight half-buttons.
    int lastButton = 32;
    if (!toolbar_->actions().isEmpty())
        if (QWidget* w = toolbar_->widgetForAction(topMost_)) lastButton = std::max(1, w->sizeHint().width());
    address_->setMinimumWidth(std::max(kAddressWidth, 8 * (lastButton / 2)));
}

}  // namespace sky::ui
