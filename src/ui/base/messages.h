#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace sky::ui {

// Message boxes with the program's fixed texts and titles. Every box goes
// through here so tests can answer them instead of a person.
enum class MessageKind { Information, Warning, Question, Critical };  // Critical: the stop icon

void ShowMessage(QWidget* parent, const QString& text, const QString& title = QStringLiteral("SkyHarbor"),
                 MessageKind kind = MessageKind::Information);
// Yes/No question; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& title = QStringLiteral("Are You Sure ?"));

// The hook sees every box; for a question its return value is the answer.
using MessageHook = std::function<bool(MessageKind kind, const QString& title, const QString& text)>;
void SetMessageHook(MessageHook hook);

// Runs a modal dialog. A hook, when set, sees it first and may answer in the
// user's place (a result code), or return -1 to let it run as usual.
int ExecDialog(QDialog& dialog);
using DialogHook = std::function<int(QDialog& dialog)>;
void SetDialogHook(DialogHook hook);

}  // namespace sky::ui
