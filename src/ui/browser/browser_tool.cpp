#include "ui/browser/browser_tool.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include "core/app/command_dispatch.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/downloads_window.h"
#include "ui/browser/explorer.h"
#include "ui/browser/web_search_dialog.h"
#include "ui/service/member_session.h"

namespace sky::ui {

namespace {

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

QMdiSubWindow* SubWindowOf(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) return sub;
    return nullptr;
}

}  // namespace

BrowserTool::BrowserTool(AppContext& context) : context_(context) {
    SettingsStore& s = context_.settings();
    popup_ = s.GetInt("misc", "popup", 1) != 0;
    statusPopup_ = s.GetInt("misc", "statuspopup", 0) != 0;
}

BrowserTool::~BrowserTool() = default;

SettingsStore& BrowserTool::Settings() const {
    return context_.settings();
}

std::string BrowserTool::WebHost() const {
    return context_.hosts().web;
}

QWebEngineProfile* BrowserTool::Profile() const {
    return context_.browserProfile();
}

CK7View* BrowserTool::MainBrowserView() const {
    return mainView_;
}

QString BrowserTool::Account() const {
    return context_.session().account();
}

BrowserPane* BrowserTool::ActiveBrowser() const {
    FrameHost* frame = context_.frame();
    if (BrowserPane* v = PaneOf(frame ? frame->mdiArea()->activeSubWindow() : nullptr)) return v;
    return mainView_;
}

void BrowserTool::HandleAddress(const QString& text, bool useMainBrowser) {
    if (context_.frame()) context_.frame()->HandleAddress(text, useMainBrowser);
}

void BrowserTool::Navigate(const QString& address, bool useMainBrowser) {
    FrameHost* frame = context_.frame();
    if (!frame) return;
    BrowserPane* view = useMainBrowser ? nullptr : PaneOf(frame->mdiArea()->activeSubWindow());
    // No browser active (all closed, or a tool window in front): the main
    // browser takes the address, opened again when it was closed.
    if (!view) {
        if (!mainView_ && !OpenMainBrowser()) return;
        if (QMdiSubWindow* sub = SubWindowOf(mainView_)) frame->mdiArea()->setActiveSubWindow(sub);
        view = mainView_;
    }
    if (view) view->Navigate(address);
}

QMdiSubWindow* BrowserTool::OpenMainBrowser() {
    QMdiSubWindow* sub = context_.frame()->OpenDocument(TemplateId::Browser, QStringLiteral("Browser"));
    if (!sub) return nullptr;
    mainView_ = ViewOf(sub);
    MaximiseBrowserWindow(sub);
    return sub;
}

void BrowserTool::MaximiseBrowserWindow(QMdiSubWindow* sub) {
    // Restored, a browsing window still fills the frame.
    QMdiArea* mdi = context_.frame()->mdiArea();
    sub->setGeometry(QRect(QPoint(0, 0), mdi->viewport()->size().expandedTo(QSize(640, 480))));
    sub->showMaximized();
}

void BrowserTool::FirstNavigation(const QString& file) {
    if (!OpenMainBrowser()) return;
    if (!file.isEmpty())
        mainView_->Navigate(file);
    else
        mainView_->GoHome();
}

void BrowserTool::WireWindow(QMdiSubWindow* sub, const QString& title) {
    FrameHost* frame = context_.frame();
    QWidget* view = sub->widget();
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
    if (!browser) return;
    connect(browser, &BrowserPane::pageTitleChanged, sub,
            [this, sub, browser, title, view](const QString& page) {
                // The main browser keeps its name, popups show their address; others their page.
                if (browser != mainView_ && !qobject_cast<CExplorerFrame*>(view) &&
                    !sub->property("keepTitle").toBool())
                    sub->setWindowTitle(page.isEmpty() ? title : page);
                if (context_.frame()) context_.frame()->UpdateTitle();
            });
    connect(browser, &BrowserPane::statusTextChanged, sub, [frame](const QString& text) {
        // Command addresses are never shown.
        if (!text.contains(QLatin1String("/~skycmd"), Qt::CaseInsensitive)) frame->ShowStatus(text);
    });
    connect(browser, &BrowserPane::loadingChanged, sub, [this, frame, browser](bool loading) {
        if (browser != ActiveBrowser()) return;
        if (loading)
            frame->ShowStatus(QStringLiteral("Downloading..."));
        else
            frame->ClearStatus();
    });
    connect(browser, &BrowserPane::secureChanged, sub, [this, frame, browser](bool secure) {
        if (browser == ActiveBrowser()) frame->SetSecure(secure);
    });
    connect(browser, &BrowserPane::locationChanged, sub, [this, frame, browser](const QString& url) {
        if (browser == mainView_)
            frame->AddressVisited(url);
        else if (browser == ActiveBrowser())
            frame->ShowActiveAddress(url);
    });
}

CExplorerFrame* BrowserTool::OpenPopup(const QUrl& url, const QString& name) {
    QMdiSubWindow* sub = NewPopupWindow(name);
    if (!sub) return nullptr;
    auto* popup = qobject_cast<CExplorerFrame*>(sub->widget());
    popups_.append(sub);
    CExplorerDoc doc;
    doc.pathName = url.isEmpty() && ActiveBrowser() ? QUrl(ActiveBrowser()->LocationUrl()) : url;
    popup->SetDocument(doc);
    return popup;
}

QMdiSubWindow* BrowserTool::NewPopupWindow(const QString& name) {
    QMdiSubWindow* sub = context_.frame()->OpenDocument(TemplateId::Explorer);
    if (!sub) return nullptr;
    qobject_cast<CExplorerFrame*>(sub->widget())->SetWindowName(name);
    // Cascaded from the top left, each a little further in, inside the frame.
    QSize area = context_.frame()->mdiArea()->viewport()->size();
    QSize size(std::min(760, std::max(320, area.width() - 60)),
               std::min(560, std::max(240, area.height() - 60)));
    int step = 28 * (popups().size() % 8);
    int x = std::min(40 + step, std::max(0, area.width() - size.width()));
    int y = std::min(30 + step, std::max(0, area.height() - size.height()));
    sub->setGeometry(QRect(QPoint(x, y), size));
    return sub;
}

QList<CExplorerFrame*> BrowserTool::popups() const {
    QList<CExplorerFrame*> out;
    for (const auto& sub : popups_)
        if (sub)
            if (auto* popup = qobject_cast<CExplorerFrame*>(sub->widget())) out.append(popup);
    return out;
}

SkyWebPage* BrowserTool::OpenRequestedPopup(BrowserPane* caller, const QString& name) {
    QMdiSubWindow* sub = NewPopupWindow(name);
    if (!sub) return nullptr;
    auto* popup = qobject_cast<CExplorerFrame*>(sub->widget());
    popup->view()->SetRequestedBy(caller, name);
    // Shown only once its first address proves to be a page.
    sub->hide();
    QPointer<QMdiSubWindow> guard(sub);
    connect(popup->view(), &CExplorerView::showRequested, sub, [guard, this] {
        if (!guard || !context_.frame()) return;
        popups_.append(guard);
        guard->show();
        context_.frame()->mdiArea()->setActiveSubWindow(guard);
    });
    connect(popup->view(), &CExplorerView::closeRequested, sub, [guard] {
        if (guard)
            QTimer::singleShot(0, guard, [guard] {
                if (guard) guard->close();
            });
    });
    return popup->view()->page();
}

void BrowserTool::RunMainFilterAction(BrowserPane*, const MainFilterResult& r) {
    QWidget* parent = context_.frame() ? context_.frame()->window() : nullptr;
    ToolRegistry& registry = context_.registry();
    switch (r.action) {
        case MainFilterAction::Proceed:
        case MainFilterAction::DropIdp:
        case MainFilterAction::Nothing:
            break;
        case MainFilterAction::MessageNotReady:
            ShowMessage(parent, QStringLiteral("Not Ready"));
            break;
        case MainFilterAction::BadCommand:
            ShowMessage(parent, Q(r.text));
            break;
        case MainFilterAction::CustomChannels:
            registry.Invoke(QStringLiteral("channels.customize"));
            break;
        case MainFilterAction::Search:
            registry.Invoke(QStringLiteral("browser.search"));
            break;
        case MainFilterAction::ImportPublicChannel:
        case MainFilterAction::ReplaceChannels: {
            // After the navigation event returns, as the original posted it.
            QString id = r.action == MainFilterAction::ImportPublicChannel
                             ? QStringLiteral("channels.importPublic")
                             : QStringLiteral("channels.replace");
            QString text = Q(r.text);
            QTimer::singleShot(0, this, [this, id, text] { context_.registry().Invoke(id, text); });
            break;
        }
    }
}

bool BrowserTool::HandleCommandLink(BrowserPane* caller, const QUrl& url, const QString& target) {
    SettingsStore& s = context_.settings();
    CommandLinkContext ctx;
    ctx.popupOption = popup_;
    ctx.engineBuild = context_.session().engineBuild().toStdString();
    ctx.freeHomeDomains[0] = s.GetString("Service", "FreeHomeDomain1", "geocities.com");
    ctx.freeHomeDomains[1] = s.GetString("Service", "FreeHomeDomain2", "tripod.com");
    QPointer<BrowserPane> carrier(caller);
    ctx.comments = [this, carrier](const std::string& word) {
        return context_.registry().OfferOtherLinkWord(Q(word), [carrier](const QUrl& to) {
            if (carrier) carrier->NavigateUrl(to);
        });
    };
    CommandLinkResult r = CommandLinkHandler(url.toString().toStdString(), target.toStdString(), ctx);
    // Acted on after the navigation event returns, as a posted command would be.
    switch (r.action) {
        case CommandLinkAction::Proceed:
        case CommandLinkAction::ClaimedByComments:
            break;
        case CommandLinkAction::FrameCommand: {
            LinkCommand command = r.command;
            int page = r.page;
            QTimer::singleShot(0, this,
                               [this, command, page] { context_.registry().InvokeLink(command, page); });
            break;
        }
        case CommandLinkAction::OpenPopup: {
            QUrl popupUrl(Q(r.text));
            QString name = Q(r.name);
            QTimer::singleShot(0, this, [this, popupUrl, name] { OpenPopup(popupUrl, name); });
            break;
        }
        case CommandLinkAction::UnknownCommand: {
            QString text = Q(r.text);
            QTimer::singleShot(0, this, [this, text] {
                ShowMessage(context_.frame() ? context_.frame()->window() : nullptr, text);
            });
            break;
        }
    }
    return r.consumed;
}

void BrowserTool::SetActivity(bool busy) {
    if (activitySink) activitySink(busy);
}

void BrowserTool::OpenWebSearch() {
    QStringList channels;
    for (const auto& c : context_.mainChannels().channels()) channels << Q(c->name);
    WebSearchDialog dialog(*this, channels, context_.frame() ? context_.frame()->window() : nullptr);
    dialog.exec();
}

void BrowserTool::SaveSettings() {
    SettingsStore& s = context_.settings();
    s.WriteInt("misc", "popup", popup_ ? 1 : 0);
    s.WriteInt("misc", "statuspopup", statusPopup_ ? 1 : 0);
    s.WriteInt("misc", "showChannelInto", showChannelIntro_ ? 1 : 0);
}

void BrowserTool::Register(ToolRegistry& registry) {
    auto browser = [this] { return static_cast<QWidget*>(new CK7View(*this)); };
    registry.AddWindow(TemplateId::Browser, browser);
    registry.AddWindow(TemplateId::Browser2, browser);
    registry.AddWindow(TemplateId::Explorer,
                       [this] { return static_cast<QWidget*>(new CExplorerFrame(*this)); });
    connect(&registry, &ToolRegistry::windowOpened, this,
            [this](TemplateId, QMdiSubWindow* sub, const QString& title) { WireWindow(sub, title); });
    connect(&registry, &ToolRegistry::windowActivated, this, [this](QMdiSubWindow* sub) {
        FrameHost* frame = context_.frame();
        if (BrowserPane* view = PaneOf(sub)) {
            frame->ShowActiveAddress(view->LocationUrl());
            frame->SetSecure(view->IsSecure());
        }
    });
    registry.SetNavigator([this](const QString& address, bool useMain) { Navigate(address, useMain); });
    registry.AddStartStep(10, [this](const QString& file) { FirstNavigation(file); });
    registry.AddSettingsSaver([this] { SaveSettings(); });

    auto onActive = [this](void (BrowserPane::*fn)()) {
        return [this, fn] {
            if (BrowserPane* v = ActiveBrowser()) (v->*fn)();
        };
    };
    auto onMain = [this](void (BrowserPane::*fn)()) {
        return [this, fn] {
            if (mainView_) (mainView_.data()->*fn)();
        };
    };
    const QString file = QStringLiteral("&File"), edit = QStringLiteral("&Edit");
    registry.AddCommand({QStringLiteral("browser.new"), file, QStringLiteral("&New Browser Window"),
                         QKeySequence::New, 0, false, QStringLiteral("New")},
                        [this] {
                            QMdiSubWindow* sub = context_.frame()->OpenDocument(
                                TemplateId::Browser2, QStringLiteral("Web Browser"));
                            if (CK7View* v = ViewOf(sub)) v->GoHome();
                        });
    registry.AddCommand(
        {QStringLiteral("browser.saveAs"), file, QStringLiteral("Save &As..."), QKeySequence::SaveAs, 2},
        onActive(&BrowserPane::SaveAs));
    registry.AddCommand({QStringLiteral("browser.pageSetup"), file, QStringLiteral("Page Set&up..."), {}, 3},
                        onActive(&BrowserPane::PageSetup));
    registry.AddCommand({QStringLiteral("browser.print"), file, QStringLiteral("&Print..."),
                         QKeySequence::Print, 4, false, QStringLiteral("Print")},
                        onActive(&BrowserPane::Print));
    registry.AddCommand({QStringLiteral("browser.cut"), edit, QStringLiteral("Cu&t"), QKeySequence::Cut, 11},
                        onActive(&BrowserPane::Cut));
    registry.AddCommand(
        {QStringLiteral("browser.copy"), edit, QStringLiteral("&Copy"), QKeySequence::Copy, 12},
        onActive(&BrowserPane::Copy));
    registry.AddCommand(
        {QStringLiteral("browser.paste"), edit, QStringLiteral("&Paste"), QKeySequence::Paste, 13},
        onActive(&BrowserPane::Paste));
    registry.AddCommand({QStringLiteral("browser.selectAll"), edit, QStringLiteral("Select &All"),
                         QKeySequence::SelectAll, 14},
                        onActive(&BrowserPane::SelectAll));
    registry.AddCommand({QStringLiteral("browser.find"), edit, QStringLiteral("&Find in Page..."),
                         QKeySequence::Find, 15, true},
                        onActive(&BrowserPane::Find));
    registry.AddCommand(
        {QStringLiteral("browser.show"), QStringLiteral("&View"), QStringLiteral("Show &Browser"), {}, 15},
        [this] {
            QMdiSubWindow* w = context_.frame()->mdiArea()->activeSubWindow();
            if (!w && (mainView_ || OpenMainBrowser())) w = SubWindowOf(mainView_);
            if (w) w->showMaximized();
        });
    registry.AddCommand({QStringLiteral("browser.search"),
                         QStringLiteral("&Tools"),
                         QStringLiteral("&Search the Web..."),
                         {},
                         28,
                         true},
                        [this] { OpenWebSearch(); });

    // Without a menu entry: the navigation buttons (the active browser), the
    // link words (the main browser) and the popups the service asks for.
    // The keys every browser has work on the active browser too.
    auto keyed = [](const char* id, QKeySequence key) { return CommandSpec(Q(id), {}, {}, key); };
    registry.AddCommand(keyed("browser.back", Qt::ALT | Qt::Key_Left), onActive(&BrowserPane::GoBack));
    registry.AddCommand(keyed("browser.forward", Qt::ALT | Qt::Key_Right), onActive(&BrowserPane::GoForward));
    registry.AddCommand(keyed("browser.stop", Qt::Key_Escape), onActive(&BrowserPane::Stop));
    registry.AddCommand(keyed("browser.refresh", Qt::Key_F5), onActive(&BrowserPane::Refresh))
        ->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    registry.AddCommand(keyed("browser.zoomIn", QKeySequence::ZoomIn), onActive(&BrowserPane::ZoomIn))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    registry.AddCommand(keyed("browser.zoomOut", Qt::CTRL | Qt::Key_Minus), onActive(&BrowserPane::ZoomOut));
    registry.AddCommand(keyed("browser.zoomReset", Qt::CTRL | Qt::Key_0), onActive(&BrowserPane::ZoomReset));
    registry.AddCommand({QStringLiteral("browser.home")},
                        [this] { HandleAddress(CK7View::HomeAddress(Settings(), WebHost()), false); });
    registry.AddCommand({QStringLiteral("browser.startPage")},
                        [this] { HandleAddress(Q(StartPageUrl(WebHost())), true); });
    registry.AddCommand({QStringLiteral("browser.main.back")}, onMain(&BrowserPane::GoBack));
    registry.AddCommand({QStringLiteral("browser.main.forward")}, onMain(&BrowserPane::GoForward));
    registry.AddCommand({QStringLiteral("browser.main.reload")}, onMain(&BrowserPane::Refresh));
    registry.AddCommand({QStringLiteral("browser.main.print")}, onMain(&BrowserPane::Print));
    // "name\nurl"
    registry.AddCommand({QStringLiteral("browser.popup")}, ToolRegistry::Run([this](const QString& argument) {
                            QString name = argument.section(QLatin1Char('\n'), 0, 0);
                            OpenPopup(QUrl(argument.section(QLatin1Char('\n'), 1)), name);
                        }));
    registry.ClaimLinkWord(LinkCommand::Home, QStringLiteral("browser.startPage"));
    registry.ClaimLinkWord(LinkCommand::Back, QStringLiteral("browser.main.back"));
    registry.ClaimLinkWord(LinkCommand::Forward, QStringLiteral("browser.main.forward"));
    registry.ClaimLinkWord(LinkCommand::Reload, QStringLiteral("browser.main.reload"));
    registry.ClaimLinkWord(LinkCommand::Print, QStringLiteral("browser.main.print"));
    registry.ClaimLinkWord(LinkCommand::Search, QStringLiteral("browser.search"));
    RegisterDownloads(registry, context_);
}

void BrowserTool::SetStatusPopupOption(bool on) {
    statusPopup_ = on;
    context_.settings().WriteInt("misc", "statuspopup", on ? 1 : 0);
}

void RegisterBrowserTool(ToolRegistry& registry, AppContext& context) {
    auto* tool = new BrowserTool(context);
    tool->setParent(&registry);
    context.browser = tool;
    tool->Register(registry);
}

}  // namespace sky::ui
