#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "core/channels/channel_list.h"

class QRadioButton;

namespace sky::ui {

// Asks what to do with an imported channel whose name is already taken.
class ClashDialog : public QDialog {
    Q_OBJECT
public:
    using Choice = ClashResolver::Choice;

    explicit ClashDialog(const QString& channelName, QWidget* parent = nullptr);
    // "Append" until another is checked; None until OK was pressed.
    Choice choice() const { return choice_; }
    // Refuses to close without a choice.
    void accept() override;

    QRadioButton* replaceButton() const { return replace_; }
    QRadioButton* appendButton() const { return append_; }
    QRadioButton* skipButton() const { return skip_; }

private:
    Choice choice_ = Choice::None;
    QRadioButton* replace_;
    QRadioButton* append_;
    QRadioButton* skip_;
};

// The import's questions as the user sees them.
class DialogClashResolver : public ClashResolver {
public:
    explicit DialogClashResolver(QWidget* parent) : parent_(parent) {}
    Choice AskClash(const std::string& channelName) override;
    bool AskApplyToAll(Choice choice) override;

    // Answers the clash dialog instead of a person when set.
    static void SetClashHook(std::function<Choice(const QString& channelName)> hook);

private:
    QWidget* parent_;
};

// Merges the channel file into the list, asking about clashes; false when
// the file cannot be read or the user cancelled (`cancelled` says which).
bool ImportChannelFile(QWidget* parent, CChannelList& list, const QString& path, bool* cancelled = nullptr);

// The menu's "Import" command: choose a file, merge it, say how it went.
// `imported` runs once the list changed, before the user is told.
// True when the list changed.
bool RunImportFromMenu(QWidget* parent, CChannelList& list, const std::function<void()>& imported = {});

}  // namespace sky::ui
