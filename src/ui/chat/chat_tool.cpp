#include "ui/chat/chat_tool.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWebEngineProfile>

#include "core/base/identity.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "core/httpsvr/request_handler.h"
#include "ui/app/app_context.h"
#include "ui/base/desktop_notifier.h"
#include "ui/base/frame_host.h"
#include "ui/base/log.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/sky_web_page.h"
#include "ui/chat/chat_doc.h"
#include "ui/chat/chat_frame.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/service/member_session.h"

namespace sky::ui {

namespace {

constexpr const char* kSection = "chat";
constexpr qint64 kNoteGapMs = 1000;
const char kCallSubject[] = "What ?";  // sent with its terminating zero

// The listen address when it names one address: posts leave from it too.
std::string SingleListenAddress(const std::string& listen) {
    if (listen.empty() || listen == "0.0.0.0" || listen == "::" || listen == "*") return {};
    return listen;
}

// The environment report's values, the display's from the screen.
std::string Environment() {
    chat::EnvironmentValues v = chat::CollectEnvironment(DataRoot(), PrivateTempDir());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QSize size = screen->size() * screen->devicePixelRatio();
        v.horizontalPixels = static_cast<uint64_t>(size.width());
        v.verticalPixels = static_cast<uint64_t>(size.height());
        v.colorBits = static_cast<uint64_t>(screen->depth());
        if (v.colorBits > 0 && v.colorBits < 64) v.displayColors = uint64_t{1} << v.colorBits;
    }
    return chat::EnvironmentReport(v);
}

}  // namespace

ChatTool::ChatTool(AppContext& context) : context_(context) {
    const SettingsStore& s = context.settings();
    size_ = QSize(s.GetInt(kSection, "defwidth", 350), s.GetInt(kSection, "defheight", 400));
    topMost_ = s.GetInt(kSection, "TopMost", 1) != 0;
    saveSize_ = new QTimer(this);
    saveSize_->setSingleShot(true);
    saveSize_->setInterval(400);
    connect(saveSize_, &QTimer::timeout, this, &ChatTool::SaveSize);
    flushNotes_ = new QTimer(this);
    flushNotes_->setSingleShot(true);
    connect(flushNotes_, &QTimer::timeout, this, &ChatTool::FlushNotes);

    CHttpSvrDoc& server = context.webServer();
    chat::ChatIdentity me;
    me.version = kVersionString;
    me.computerName = ComputerName();
    me.environment = &Environment;
    sender_ = std::make_unique<chat::HttpRemoteCommandSender>();
    router_ = std::make_unique<chat::RemoteCommandRouter>(std::move(me), *sender_, clock_);
    RefreshIdentity();

    // The partners see "/~SYSTEM" in full; their offered files are served.
    std::shared_ptr<httpsvr::PeerAddressSet> peers = server.chatPeers();
    router_->partnersChanged = [peers](const std::set<std::string>& partners) { peers->Replace(partners); };
    chat::RemoteCommandRouter* router = router_.get();
    server.SetOfferedFiles(std::make_shared<httpsvr::FunctionOfferResolver>(
        [router](const std::string& url, const std::string& peer) {
            return router->ResolveOffer(url, peer);
        }));
    connect(&server, &CHttpSvrDoc::titleChanged, this, [this] { RefreshIdentity(); });
    connect(&context.session(), &MemberSession::accountChanged, this, [this] { RefreshIdentity(); });
}

ChatTool::~ChatTool() {
    // The server thread must not reach the router once it is gone.
    context_.webServer().SetOfferedFiles(nullptr);
    if (saveSize_->isActive()) SaveSize();
}

void ChatTool::RefreshIdentity() {
    CHttpSvrDoc& server = context_.webServer();
    const std::string& listen = server.settings().listenAddress;
    // Posts leave from the address partners know us by.
    sender_->SetLocalAddress(SingleListenAddress(listen));
    MemberSession& session = context_.session();
    router_->EditIdentity([&](chat::ChatIdentity& me) {
        me.address = chat::ThisMachineAddress(listen);
        me.machineIdentity = S(session.machineIdentity());
        // A user who has not logged in has no account name yet, but a name to show.
        me.accountName = session.loggedIn() ? S(session.account()) : me.machineIdentity;
        me.engineBuild = S(session.engineBuild());
        me.replyPort = server.listening() ? server.port() : server.settings().port;
    });
}

void ChatTool::EnsureListening() {
    // The partner's answer comes to our server.
    CHttpSvrDoc& server = context_.webServer();
    if (!server.listening()) server.Start();
    RefreshIdentity();
}

QWidget* ChatTool::dialogParent() const {
    FrameHost* frame = context_.frame();
    if (frame && frame->mdiArea()) {
        if (QMdiSubWindow* active = frame->mdiArea()->activeSubWindow())
            if (qobject_cast<CChatFrame*>(active->widget())) return active->widget();
    }
    return frame ? frame->window() : nullptr;
}

CChatFrame* ChatTool::Call(const QString& host, const std::string& senderName, const std::string& data) {
    EnsureListening();
    std::shared_ptr<chat::Conversation> conversation = router_->Call(S(host.trimmed()), senderName, data);
    return conversation ? OpenWindow(conversation) : nullptr;
}

CChatFrame* ChatTool::StartChat(const QString& host) {
    return Call(host, router_->identity().machineIdentity, std::string(kCallSubject, sizeof kCallSubject));
}

CChatFrame* ChatTool::SendMessage(const QString& host, const QString& message) {
    return Call(host, "Nicname", S(message) + "\r\n\r\n");
}

CChatFrame* ChatTool::OpenWindow(const std::shared_ptr<chat::Conversation>& conversation) {
    FrameHost* frame = context_.frame();
    if (!frame) return nullptr;
    QMdiSubWindow* sub = frame->OpenDocument(TemplateId::Chat, QString::fromLatin1(CChatDoc::kTitle));
    auto* window = sub ? qobject_cast<CChatFrame*>(sub->widget()) : nullptr;
    if (!window) return nullptr;
    window->Attach(conversation);
    sub->setWindowFlag(Qt::WindowStaysOnTopHint, topMost_);
    sub->resize(size_);
    sub->show();
    Track(sub);
    return window;
}

void ChatTool::Track(QMdiSubWindow* sub) {
    struct SizeWatch : QObject {
        ChatTool* tool;
        SizeWatch(ChatTool* t, QObject* parent) : QObject(parent), tool(t) {}
        bool eventFilter(QObject* o, QEvent* e) override {
            auto* w = static_cast<QWidget*>(o);
            // Only a normal size is remembered: minimising or maximising keeps the last one.
            if (e->type() == QEvent::Resize &&
                !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) && w->isVisible() &&
                w->height() >= 21 && w->size() != tool->size_) {
                tool->size_ = w->size();
                tool->saveSize_->start();
            }
            return false;
        }
    };
    sub->installEventFilter(new SizeWatch(this, sub));
}

void ChatTool::SaveSize() {
    saveSize_->stop();
    context_.settings().Edit([this](SettingsEdit& e) {
        e.SetInt(kSection, "defwidth", size_.width());
        e.SetInt(kSection, "defheight", size_.height());
    });
}

void ChatTool::SetTopMost(bool on) {
    topMost_ = on;
    context_.settings().WriteInt(kSection, "TopMost", on ? 1 : 0);
    FrameHost* frame = context_.frame();
    if (!frame) return;
    for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList()) {
        auto* window = qobject_cast<CChatFrame*>(sub->widget());
        if (!window) continue;
        bool visible = sub->isVisible();
        sub->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        if (visible) sub->show();
        QSignalBlocker quiet(window->topMostAction());
        window->topMostAction()->setChecked(on);
    }
}

CChatFrame* ChatTool::FindWindow(const chat::Conversation* conversation) const {
    FrameHost* frame = context_.frame();
    if (!frame || !conversation) return nullptr;
    for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList()) {
        auto* window = qobject_cast<CChatFrame*>(sub->widget());
        if (window && window->document() && &window->document()->conversation() == conversation)
            return window;
    }
    return nullptr;
}

void ChatTool::Receive(const QByteArray& bytes, const QString& peerAddress) {
    std::optional<chat::RemoteCommand> record = chat::RemoteCommand::Decode(bytes.toStdString());
    if (!record) return;
    chat::RouteResult r = router_->Route(*record, S(peerAddress));
    switch (r.kind) {
        case chat::RouteResult::Dropped:
            return;
        case chat::RouteResult::Invalid:
            ShowMessage(dialogParent(), QString::fromLatin1(chat::RemoteCommandRouter::kInvalidText),
                        QString::fromLatin1(chat::RemoteCommandRouter::kInvalidTitle), MessageKind::Critical);
            router_->InvalidShown(r.request);
            return;
        case chat::RouteResult::CouldntFind:
            ShowMessage(dialogParent(), QString::fromLatin1(chat::RemoteCommandRouter::kCouldntFindText),
                        QString::fromLatin1(chat::RemoteCommandRouter::kCouldntFindTitle),
                        MessageKind::Warning);
            return;
        case chat::RouteResult::Delivered:
            if (CChatFrame* window = FindWindow(r.conversation.get())) window->Carry(r.decision);
            return;
        case chat::RouteResult::Ask:
            break;
    }
    if (!ChatWindowActive()) Notify(nullptr, QString::fromLatin1(CChatDoc::kTitle), Q(r.askText));
    bool yes =
        AskYesNo(dialogParent(), Q(r.askText), QString::fromLatin1(chat::RemoteCommandRouter::kAskTitle));
    chat::AnswerResult a = router_->AnswerChatRequest(r.request, yes);
    switch (a.kind) {
        case chat::AnswerResult::Refused:
            return;
        case chat::AnswerResult::HungUp:
            ShowMessage(dialogParent(), Q(a.message),
                        QString::fromLatin1(chat::RemoteCommandRouter::kHungUpTitle), MessageKind::Warning);
            return;
        case chat::AnswerResult::Opened: {
            EnsureListening();
            // The new window shows the conversation's lines already.
            chat::Decision rest = a.decision;
            rest.lines.clear();
            if (CChatFrame* window = OpenWindow(a.conversation)) window->Carry(rest);
            return;
        }
        case chat::AnswerResult::Delivered:
            if (CChatFrame* window = FindWindow(a.conversation.get())) window->Carry(a.decision);
            return;
    }
}

void ChatTool::WindowClosed(const std::shared_ptr<chat::Conversation>& conversation) {
    notes_.remove(conversation.get());
    router_->Close(conversation);
}

void ChatTool::ApplySetting(const chat::SettingChange& change) {
    if (change.kind == chat::SettingChange::HomePage) {
        context_.settings().WriteString("Startup", "Home", change.value);
    } else if (context_.browser) {
        context_.browser->SetStatusPopupOption(change.value == "1");
    }
}

void ChatTool::OpenLink(const QString& url) {
    QUrl target = QUrl::fromUserInput(url);
    QString scheme = target.scheme();
    // A partner's link opens pages only: no commands, no local files.
    if (!target.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
                              scheme != QLatin1String("ftp"))) {
        ShowMessage(dialogParent(), QStringLiteral("Unknown type"), QStringLiteral("SkyChat"),
                    MessageKind::Warning);
        return;
    }
    if (context_.browser) context_.browser->OpenPopup(target, QString());
}

void ChatTool::Download(const QString& url) {
    if (!context_.browser) return;
    BrowserPane* pane = context_.browser->ActiveBrowser();
    if (!pane) {
        context_.browser->OpenMainBrowser();
        pane = context_.browser->ActiveBrowser();
    }
    if (!pane) return;
    QUrl target(url);
    pane->page()->download(target, QFileInfo(target.path()).fileName());
}

QString ChatTool::ActiveBrowserUrl() const {
    if (!context_.browser) return {};
    BrowserPane* pane = context_.browser->ActiveBrowser();
    return pane ? pane->LocationUrl() : QString();
}

bool ChatTool::ChatWindowActive() const {
    QWidget* top = context_.frame() ? context_.frame()->window() : nullptr;
    if (!top || !top->isActiveWindow()) return false;
    QMdiSubWindow* active = context_.frame()->mdiArea()->activeSubWindow();
    return active && qobject_cast<CChatFrame*>(active->widget());
}

void ChatTool::Notify(const void* source, const QString& summary, const QString& body) {
    const qint64 now = qint64(clock_.NowMs());
    auto it = notes_.find(source);
    if (it == notes_.end() || now - it->sentAt >= kNoteGapMs) {
        NotifyDesktop(summary, body);
        notes_[source] = Note{summary, {}, 0, now};
        return;
    }
    it->summary = summary;
    it->body = body;
    ++it->held;
    const int due = int(kNoteGapMs - (now - it->sentAt));
    if (!flushNotes_->isActive() || flushNotes_->remainingTime() > due) flushNotes_->start(due);
}

void ChatTool::FlushNotes() {
    const qint64 now = qint64(clock_.NowMs());
    qint64 next = -1;
    for (auto it = notes_.begin(); it != notes_.end();) {
        const qint64 waited = now - it->sentAt;
        if (waited < kNoteGapMs) {
            if (it->held > 0 && (next < 0 || kNoteGapMs - waited < next)) next = kNoteGapMs - waited;
            ++it;
        } else if (it->held > 0) {
            NotifyDesktop(it->summary,
                          it->held > 1
                              ? QStringLiteral("%1 (+%2 more)").arg(it->body, QString::number(it->held - 1))
                              : it->body);
            it->held = 0;
            it->sentAt = now;
            ++it;
        } else {
            it = notes_.erase(it);
        }
    }
    if (next >= 0) flushNotes_->start(int(next));
}

void RegisterChatTool(ToolRegistry& registry, AppContext& context) {
    auto* tool = new ChatTool(context);
    tool->setParent(&registry);
    context.chat = tool;
    registry.AddWindow(TemplateId::Chat, [tool] { return static_cast<QWidget*>(new CChatFrame(*tool)); });
    registry.AddCommand(
        {QStringLiteral("tools.chat"), QStringLiteral("&Tools"), QStringLiteral("&Chat..."), {}, 20}, [tool] {
            bool ok = false;
            QString host = QInputDialog::getText(
                tool->dialogParent(), QStringLiteral("SkyChat"),
                QStringLiteral("Chat with (address or host name, with :port when not 8080):"),
                QLineEdit::Normal, {}, &ok);
            if (ok && !host.trimmed().isEmpty()) tool->StartChat(host);
        });
    registry.ClaimTypedAction(TypedAction::StartChat,
                              [tool](const TypedCommand& c) { tool->StartChat(Q(c.host)); });
    registry.ClaimRemoteCommand(
        ToolRegistry::kOtherRemoteCommands,
        [tool](const QByteArray& record, const QString& peer) { tool->Receive(record, peer); });
    registry.AddSettingsSaver([tool] {
        if (tool->saveSize_->isActive()) tool->SaveSize();
    });
}

}  // namespace sky::ui
