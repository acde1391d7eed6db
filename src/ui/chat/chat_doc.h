#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "core/chat/conversation.h"

namespace sky::ui {

// The chat document: one conversation, held for its window.
class CChatDoc : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "SkyChat";

    CChatDoc(std::shared_ptr<chat::Conversation> conversation, QObject* parent = nullptr)
        : QObject(parent), conversation_(std::move(conversation)) {}

    chat::Conversation& conversation() const { return *conversation_; }
    const std::shared_ptr<chat::Conversation>& shared() const { return conversation_; }
    // "SkyChat", or "SkyChat: " and the partner's name.
    QString title() const { return QString::fromStdString(conversation_->Title()); }

private:
    std::shared_ptr<chat::Conversation> conversation_;
};

}  // namespace sky::ui
