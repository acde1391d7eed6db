#pragma once

#include <QHash>
#include <QObject>
#include <QSize>
#include <QString>
#include <memory>
#include <string>

#include "core/chat/conversation.h"
#include "core/chat/remote_command_router.h"

class QMdiSubWindow;
class QTimer;

namespace sky::ui {

class AppContext;
class CChatFrame;
class ToolRegistry;

// The chat tool: the router of remote commands, the record sender, the chat
// windows, and what chat asks of the rest of the program.
class ChatTool : public QObject {
    Q_OBJECT
public:
    explicit ChatTool(AppContext& context);
    ~ChatTool() override;

    chat::RemoteCommandRouter& router() { return *router_; }

    // "startchat": calls `host` ("127.0.0.1" when empty) and opens the
    // calling side's window, so the answer finds it.
    CChatFrame* StartChat(const QString& host);
    // The send-message dialog: a chat request that carries the message.
    CChatFrame* SendMessage(const QString& host, const QString& message);
    // A record from the web server, with the connection's peer address.
    void Receive(const QByteArray& record, const QString& peerAddress);

    // For the windows.
    void ApplySetting(const chat::SettingChange& change);
    void OpenLink(const QString& url);
    void Download(const QString& url);
    QString ActiveBrowserUrl() const;
    void WindowClosed(const std::shared_ptr<chat::Conversation>& conversation);
    void SetTopMost(bool on);
    bool topMost() const { return topMost_; }
    // A desktop notification about `source` (a conversation; null for a
    // request): one a second at most per source, the lines between told
    // together when the second is over.
    void Notify(const void* source, const QString& summary, const QString& body);
    QWidget* dialogParent() const;
    AppContext& context() const { return context_; }

    // The size of the next chat window.
    QSize defaultSize() const { return size_; }
    CChatFrame* FindWindow(const chat::Conversation* conversation) const;

private:
    CChatFrame* Call(const QString& host, const std::string& senderName, const std::string& data);
    CChatFrame* OpenWindow(const std::shared_ptr<chat::Conversation>& conversation);
    void Track(QMdiSubWindow* sub);
    void SaveSize();
    void RefreshIdentity();
    void EnsureListening();
    void FlushNotes();
    bool ChatWindowActive() const;

    AppContext& context_;
    chat::SystemMsClock clock_;
    std::unique_ptr<chat::HttpRemoteCommandSender> sender_;
    std::unique_ptr<chat::RemoteCommandRouter> router_;
    QSize size_;
    bool topMost_ = true;
    QTimer* saveSize_ = nullptr;
    struct Note {
        QString summary, body;
        int held = 0;  // notifications not yet told
        qint64 sentAt = 0;
    };
    QHash<const void*, Note> notes_;
    QTimer* flushNotes_ = nullptr;

    friend void RegisterChatTool(ToolRegistry& registry, AppContext& context);
};

void RegisterChatTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
