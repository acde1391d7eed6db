#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "core/chat/conversation.h"

class QAction;

namespace sky::ui {

class CChatDoc;
class CChatView;
class ChatTool;

// The chat window: the form, its toolbar and menu, the status bar, and what
// a decision of the conversation asks of the window.
class CChatFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CChatFrame(ChatTool& tool, QWidget* parent = nullptr);
    ~CChatFrame() override;

    // The conversation this window shows; once, right after it is made.
    void Attach(std::shared_ptr<chat::Conversation> conversation);
    CChatDoc* document() const { return doc_; }
    CChatView* view() const { return view_; }
    QAction* topMostAction() const { return topMost_; }

    // Shows the lines, asks the question, applies the setting, warns.
    void Carry(const chat::Decision& decision);

    void SendLink();
    void SendUrl();
    void SendFile();
    // One description dialog per file, in order; Cancel stops the rest.
    void OfferFiles(const QStringList& paths);
    void SaveConversation();
    bool SaveConversationTo(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Typed(const QString& text);
    void Choose(int index);
    void UpdateTitle();
    bool WindowActive() const;

    QPointer<ChatTool> tool_;
    CChatDoc* doc_ = nullptr;
    CChatView* view_ = nullptr;
    QAction* topMost_ = nullptr;
};

}  // namespace sky::ui
