#include "ui/base/messages.h"

#include <QDialog>
#include <QMessageBox>

namespace sky::ui {

namespace {
MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}
}  // namespace

void SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}

void ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageKind kind) {
    if (Hook()) {
        Hook()(kind, title, text);
        return;
    }
    if (kind == MessageKind::Warning)
        QMessageBox::warning(parent, title, text);
    else if (kind == MessageKind::Critical)
        QMessageBox::critical(parent, title, text);
    else
        QMessageBox::information(parent, title, text);
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& title) {
    if (Hook()) return Hook()(MessageKind::Question, title, text);
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace sky::ui

namespace sky::ui {

namespace {
DialogHook& DialogHookSlot() {
    static DialogHook hook;
    return hook;
}
}  // namespace

void SetDialogHook(DialogHook hook) {
    DialogHookSlot() = std::move(hook);
}

int ExecDialog(QDialog& dialog) {
    if (DialogHookSlot()) {
        int answer = DialogHookSlot()(dialog);
        if (answer != -1) return answer;
    }
    return dialog.exec();
}

}  // namespace sky::ui
