#pragma once

#include <QWidget>
#include <vector>

#include "core/chat/conversation.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// The chat form: the conversation list, the links and files the partner
// offered ("Files / Links"), the input line and "Send Message".
class CChatView : public QWidget {
    Q_OBJECT
public:
    explicit CChatView(const SettingsStore& settings, QWidget* parent = nullptr);

    // The channel bar's colours of the scheme, for a display of `colourCount` colours.
    void ApplyColours(const SettingsStore& settings, int colourCount);

    void AddLine(const chat::ChatLine& line);
    void SetItems(const std::vector<chat::OfferedItem>& items);
    void ClearInput();
    // The lines as plain text, each behind its sender's label.
    QString Transcript() const;

    QLineEdit* input() const { return input_; }
    QPushButton* sendButton() const { return send_; }
    QListWidget* lines() const { return lines_; }
    QListWidget* items() const { return items_; }

signals:
    void sendRequested(const QString& text);
    void itemChosen(int index);

private:
    QListWidget* lines_;
    QListWidget* items_;
    QLineEdit* input_;
    QPushButton* send_;
};

}  // namespace sky::ui
