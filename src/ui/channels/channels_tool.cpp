#include "ui/channels/channels_tool.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>

#include "core/channels/channel_list.h"
#include "core/channels/channel_nav.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/log.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/browser/sky_web_page.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/channel_designer.h"
#include "ui/channels/channel_import.h"
#include "ui/channels/export_sheet.h"
#include "ui/channels/favorites_view.h"
#include "ui/channels/local_sheet.h"
#include "ui/channels/sub_channel_view.h"
#include "ui/service/member_session.h"

namespace sky::ui {

namespace {

// Notes where a channel window was when it closed (tiled, moved), so it
// opens there again; a maximised one opens maximised.
class PlaceKeeper : public QObject {
public:
    PlaceKeeper(QObject* tool, const char* key, QObject* parent) : QObject(parent), tool_(tool), key_(key) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* sub = qobject_cast<QMdiSubWindow*>(watched);
        if (sub && event->type() == QEvent::Close && tool_)
            tool_->setProperty(key_, sub->isMaximized() || sub->isMinimized() ? QRect() : sub->geometry());
        return false;
    }

private:
    QPointer<QObject> tool_;
    const char* key_;
};

CK7View* ViewOf(QMdiSubWindow* w) {
    return w ? qobject_cast<CK7View*>(w->widget()) : nullptr;
}

QWidget* Parent(AppContext& context) {
    return context.frame() ? context.frame()->window() : nullptr;
}

}  // namespace

ChannelsTool::ChannelsTool(AppContext& context) : context_(context) {
    saver_ = [this] {
        std::string error;
        bool ok = SaveChannelFile(MainChannelFilePath(), context_.mainChannels(), &error);
        if (!ok) qCWarning(lcChannels) << "the channel list could not be saved:" << Q(error);
        return ok;
    };
}

ChannelsTool::~ChannelsTool() = default;

CChannelBar* ChannelsTool::bar() const {
    return bar_;
}

QWidget* ChannelsTool::MakeBar(QWidget* parent) {
    bar_ = new CChannelBar(parent, &context_.mainChannels(), &context_.localChannels());
    connect(bar_, &CChannelBar::placeChosen, this, &ChannelsTool::OnChannelPlace);
    connect(bar_, &CChannelBar::favoritesChosen, this, &ChannelsTool::ToggleFavorites);
    QPointer<QLabel> activity = bar_->activityIndicator();
    if (context_.browser)
        context_.browser->activitySink = [activity](bool busy) {
            if (!activity) return;
            activity->setText(busy ? QStringLiteral("Loading...") : QString());
            activity->setProperty("busy", busy);
        };
    bar_->Fill();
    return bar_;
}

void ChannelsTool::ApplyColours() {
    ChannelColours c = ReadChannelColours(context_.settings(), context_.session().colourCount());
    auto colour = [](unsigned v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); };
    if (bar_) bar_->SetColours(colour(c.channelBack), colour(c.channelText));
    QMdiSubWindow* main = nullptr;
    for (QWidget* p = context_.browser ? context_.browser->MainBrowserView() : nullptr; p && !main;
         p = p->parentWidget())
        main = qobject_cast<QMdiSubWindow*>(p);
    for (QMdiSubWindow* w : {channelViewer_.data(), localSites_.data(), main})
        if (CSubChannelView* v = SubChannelViewOf(w))
            v->SetColours(colour(c.navBack), colour(c.navText), colour(c.subBack), colour(c.subText));
    // The navigation bar is the frame's; its background is the scheme's top strip.
    QWidget* frame = context_.frame() ? context_.frame()->window() : nullptr;
    if (auto* nav = frame ? frame->findChild<QWidget*>(QStringLiteral("NavigationBar")) : nullptr) {
        QPalette pal = nav->palette();
        pal.setColor(QPalette::Window, colour(c.topBack));
        nav->setPalette(pal);
        nav->setAutoFillBackground(true);
        nav->update();
    }
}

CSubChannelView* ChannelsTool::SubChannelViewOf(QMdiSubWindow* window) {
    return window ? window->findChild<CSubChannelView*>() : nullptr;
}

QMdiSubWindow* ChannelsTool::ChannelWindow(bool local, bool create) {
    QPointer<QMdiSubWindow>& slot = local ? localSites_ : channelViewer_;
    if (slot || !create || !context_.frame()) return slot;
    QString title = local ? QStringLiteral("Local Web Sites") : QStringLiteral("Channel Viewer");
    QMdiSubWindow* sub = context_.frame()->OpenDocument(TemplateId::Browser2, title);
    if (!sub) return nullptr;
    sub->setProperty("keepTitle", true);
    CK7View* view = ViewOf(sub);
    view->SetDocumentTitle(title);
    auto* rows = new CSubChannelView(context_.browser, view);
    rows->SetLists(&context_.mainChannels(), &context_.localChannels());
    view->SetTopArea(rows);
    connect(rows, &CSubChannelView::openAddress, view,
            [view](const QString& address) { view->Navigate(address); });
    connect(view, &CK7View::channelIntroStateChanged, rows, [this, rows](bool on) {
        rows->SetIntroShown(on && context_.browser && context_.browser->ChannelIntroOption());
    });
    slot = sub;
    ApplyColours();
    const char* placeKey = local ? "localSitesPlace" : "channelViewerPlace";
    sub->installEventFilter(new PlaceKeeper(this, placeKey, sub));
    QRect place = property(placeKey).toRect();
    if (place.isValid())
        sub->setGeometry(place);
    else if (context_.browser)
        context_.browser->MaximiseBrowserWindow(sub);
    return sub;
}

void ChannelsTool::OnChannelPlace(int place) {
    QMdiArea* mdi = context_.frame()->mdiArea();
    if (place == CChannelBar::kPlaceBrowse) {
        BrowserTool* browser = context_.browser;
        if (!browser->MainBrowserView()) browser->OpenMainBrowser();
        for (QWidget* p = browser->MainBrowserView(); p; p = p->parentWidget())
            if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) {
                mdi->setActiveSubWindow(sub);
                break;
            }
        return;
    }
    if (place == CChannelBar::kPlaceLocal) {
        bool fresh = !localSites_;
        QMdiSubWindow* sub = ChannelWindow(true);
        if (!sub) return;
        if (fresh) SubChannelViewOf(sub)->ShowChannel(-3);
        if (context_.localChannels().empty()) ShowNoLocalChannel(ViewOf(sub));
        mdi->setActiveSubWindow(sub);
        return;
    }
    int index = place - CChannelBar::kPlaceFirstChannel;
    QMdiSubWindow* sub = ChannelWindow(false);
    if (!sub) return;
    CSubChannelView* rows = SubChannelViewOf(sub);
    rows->RememberLeaving(ViewOf(sub)->LocationUrl());
    rows->ShowChannel(index);
    mdi->setActiveSubWindow(sub);
    bar_->SelectPlace(place);
}

void ChannelsTool::OnWindowActivated(QMdiSubWindow* window) {
    if (!bar_ || !window) return;
    CK7View* main = context_.browser ? context_.browser->MainBrowserView() : nullptr;
    if (main && window->widget() == main) {
        bar_->SelectPlace(CChannelBar::kPlaceBrowse);
    } else if (window == localSites_) {
        bar_->SelectPlace(CChannelBar::kPlaceLocal);
    } else if (window == channelViewer_) {
        int current = SubChannelViewOf(window)->currentChannel();
        if (current >= 0) bar_->SelectPlace(CChannelBar::kPlaceFirstChannel + current);
    }
}

void ChannelsTool::ShowNoLocalChannel(CK7View* view) {
    // An empty window says nothing; say how to get a local channel instead.
    view->page()->setHtml(QStringLiteral(
        "<html><head><title>Local Web Sites</title></head>"
        "<body style='font-family:sans-serif;margin:2em'><h2>No local channel yet</h2>"
        "<p>Your local channel holds web sites for where you live.</p>"
        "<p><a href='command:localsettings' target='_skycmd'>Choose your local web sites...</a></p>"
        "<p style='color:#666'>You can do this later from Channels &gt; Local Settings.</p></body></html>"));
}

void ChannelsTool::ChannelsChanged(bool saved) {
    // A change the user confirmed is on disk at once: a crash must not lose it.
    if (!saved) saved = SaveNow();
    if (bar_) bar_->Refresh();
    if (CSubChannelView* rows = SubChannelViewOf(channelViewer_)) rows->Reshow();
    SetSetupChanged(!saved);
}

bool ChannelsTool::SaveNow() {
    return saver_ && saver_();
}

void ChannelsTool::OpenChannelDesigner() {
    BrowserPane* page = context_.browser ? context_.browser->ActiveBrowser() : nullptr;
    CChannelDesigner designer(context_.mainChannels(), page ? page->PageTitle() : QString(),
                              page ? page->LocationUrl() : QString(), Parent(context_));
    designer.Open();
    if (designer.exec() != QDialog::Accepted) return;
    ChannelsChanged(designer.saved());
}

void ChannelsTool::ToggleFavorites() {
    if (!bar_) return;
    FrameHost* frame = context_.frame();
    if (!frame->SideBarShown()) frame->SetSideBarShown(true);
    if (!favoritesConnected_) {
        favoritesConnected_ = true;
        CFavoritesView* favorites = bar_->favorites();
        // A favorite is the user's own page: the main browser, never a channel viewer.
        connect(favorites, &CFavoritesView::openAddress, this, [this](const QString& url) {
            OnChannelPlace(CChannelBar::kPlaceBrowse);
            context_.frame()->HandleAddress(url, true);
            bar_->ShowFavorites(false);
        });
        connect(favorites, &CFavoritesView::openInNewWindow, this, [this](const QString& url) {
            QMdiSubWindow* sub =
                context_.frame()->OpenDocument(TemplateId::Browser2, QStringLiteral("Web Browser"));
            if (CK7View* view = ViewOf(sub)) view->Navigate(url);
        });
        connect(favorites, &CFavoritesView::addCurrentPageRequested, this, [this, favorites] {
            BrowserPane* page = context_.browser ? context_.browser->ActiveBrowser() : nullptr;
            if (!page || page->LocationUrl().isEmpty()) return;
            bool ok = false;
            QString name = QInputDialog::getText(Parent(context_), QStringLiteral("Add to Favorites"),
                                                 QStringLiteral("Name of the shortcut:"), QLineEdit::Normal,
                                                 page->PageTitle(), &ok);
            if (ok && !name.trimmed().isEmpty()) favorites->AddPage(page->LocationUrl(), name.trimmed());
        });
    }
    bar_->ShowFavorites(!bar_->favoritesShown());
}

void ChannelsTool::RunLocalSettings() {
    CLocalPropertySheet sheet(*context_.browser, Parent(context_));
    ExecDialog(sheet);
    if (bar_) bar_->ReloadLocal();
    if (CSubChannelView* rows = SubChannelViewOf(localSites_)) {
        rows->ShowChannel(-3);
        if (context_.localChannels().empty()) ShowNoLocalChannel(ViewOf(localSites_));
    }
}

void ChannelsTool::AskToSave() {
    if (!setupChanged_) return;
    setupChanged_ = false;
    QWidget* parent = Parent(context_);
    if (AskYesNo(parent,
                 QStringLiteral("You have made changes to your channel setup.") +
                     QStringLiteral("\n\nDo you want to save them ?"),
                 QStringLiteral("Save Changes ?"))) {
        if (!saver_ || !saver_()) {
            setupChanged_ = true;
            ShowMessage(parent, QString::fromLatin1(kSaveError), QStringLiteral("SkyHarbor"),
                        MessageKind::Warning);
        }
    } else {
        ShowMessage(parent, QStringLiteral("Changes have been forgotten !"));
    }
}

void ChannelsTool::Register(ToolRegistry& registry) {
    registry.SetSideBar([this](QWidget* parent) { return MakeBar(parent); });
    // The colours follow the display, which the first navigation knows.
    registry.AddStartStep(0, [this](const QString&) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            int depth = screen->depth();
            context_.session().SetColourCount(depth <= 0 ? 16 : (depth <= 8 ? (1 << depth) : 257));
        }
        ApplyColours();
        // The introduction option starts off in every run unless the scheme asks for it.
        if (context_.browser && ReadChannelColours(context_.settings(), 16).introAtStart)
            context_.browser->SetChannelIntroOption(true);
    });
    registry.AddSettingsSaver([this] { AskToSave(); });
    connect(&registry, &ToolRegistry::schemeChanged, this, &ChannelsTool::ApplyColours);
    registry.SetBrowsingWindows([this] {
        QMdiSubWindow* main = nullptr;
        for (QWidget* p = context_.browser ? context_.browser->MainBrowserView() : nullptr; p && !main;
             p = p->parentWidget())
            main = qobject_cast<QMdiSubWindow*>(p);
        return std::pair<QMdiSubWindow*, QMdiSubWindow*>(main, localSites_.data());
    });
    connect(&registry, &ToolRegistry::windowActivated, this, &ChannelsTool::OnWindowActivated);

    const QString channels = QStringLiteral("&Channels");
    registry.AddCommand(
        {QStringLiteral("channels.customize"), channels, QStringLiteral("&Customize Channels..."), {}, 32},
        [this] { OpenChannelDesigner(); });
    registry.AddCommand(
        {QStringLiteral("channels.addToChannel"), channels, QStringLiteral("&Add to Channel"), {}, 33},
        [this] { OpenChannelDesigner(); });
    registry.AddCommand(
        {QStringLiteral("channels.local"), channels, QStringLiteral("&Local Settings..."), {}, 34},
        [this] { RunLocalSettings(); });
    registry.AddCommand({QStringLiteral("channels.import"),
                         QStringLiteral("&File"),
                         QStringLiteral("&Import Channels..."),
                         {},
                         6,
                         true,
                         {},
                         {{channels, 36}}},
                        [this] {
                            RunImportFromMenu(Parent(context_), context_.mainChannels(),
                                              [this] { ChannelsChanged(false); });
                        });
    registry.AddCommand({QStringLiteral("channels.export"),
                         QStringLiteral("&File"),
                         QStringLiteral("&Export Channels..."),
                         {},
                         7,
                         false,
                         {},
                         {{channels, 37}}},
                        [this] {
                            CExportSheet sheet(context_.mainChannels(), Parent(context_));
                            sheet.exec();
                        });
    registry.AddCommand(
        {QStringLiteral("channels.favorites"), QStringLiteral("&View"), QStringLiteral("&Favorites"), {}, 18},
        [this] { ToggleFavorites(); });
    registry.AddCommand({QStringLiteral("channels.place")},
                        ToolRegistry::Run([this](const QString& place) { OnChannelPlace(place.toInt()); }));
    registry.ClaimLinkWord(LinkCommand::CustomChannels, QStringLiteral("channels.customize"));
    registry.ClaimLinkWord(LinkCommand::AddToChannel, QStringLiteral("channels.addToChannel"));
    registry.ClaimLinkWord(LinkCommand::LocalSettings, QStringLiteral("channels.local"));
    registry.ClaimLinkWord(LinkCommand::ShowFavorites, QStringLiteral("channels.favorites"));
}

void RegisterChannelsTool(ToolRegistry& registry, AppContext& context) {
    auto* tool = new ChannelsTool(context);
    tool->setParent(&registry);
    context.channels = tool;
    tool->Register(registry);
}

}  // namespace sky::ui
