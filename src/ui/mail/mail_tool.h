#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "ui/mail/compose_fields.h"

class QMdiSubWindow;
class QUrl;
class QWidget;

namespace sky::ui {

class AppContext;
class PasswordStore;
class ToolRegistry;
struct MailWindowHost;

// The mail tool: the mail window, compose windows, the account dialogs and
// the address book, and what other tools ask of mail.
class MailTool : public QObject {
    Q_OBJECT
public:
    explicit MailTool(AppContext& context);
    ~MailTool() override;

    AppContext& context() const { return context_; }
    // The mail window (one per copy), opened or brought forward.
    QMdiSubWindow* OpenMailWindow();
    // A compose window, pre-filled, shown modeless and raised.
    QWidget* OpenCompose(const ComposeFields& fields);
    // "mailto:a@b?subject=x&cc=..&body=.."
    QWidget* OpenMailto(const QUrl& url);
    // Addresses chosen in the address book, ", "-joined by the caller; empty when cancelled.
    QStringList PickAddresses(QWidget* parent);
    // What a mail window asks of the program.
    MailWindowHost Host();
    PasswordStore& passwords() const { return *passwords_; }

private:
    AppContext& context_;
    std::unique_ptr<PasswordStore> passwords_;
    QPointer<QMdiSubWindow> window_;
};

void RegisterMailTool(ToolRegistry& registry, AppContext& context);

// The fields of a "mailto:" address (RFC 6068).
ComposeFields ParseMailto(const QUrl& url);

}  // namespace sky::ui
