#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/mail/mail_accounts.h"
#include "ui/mail/compose_fields.h"

class QCheckBox;
class QListWidget;
class QMimeData;
class QPlainTextEdit;
class QPushButton;

namespace sky {
class SendMailWorker;
}

namespace sky::ui {

class AppContext;
class ProgressPanel;
class UiJob;

// A To or CC field: plain-text drops add addresses; other drops go to the
// hook first (the address book's entries).
class AddressEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit AddressEdit(QWidget* parent = nullptr);
    // Adds ", " and the addresses, or only the addresses when empty.
    void AppendAddresses(const QStringList& addresses);

    std::function<bool(QLineEdit*, const QMimeData*)> dropHook;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool Takes(const QMimeData* mime) const;
};

// "Compose Mail": a modeless window that writes one message and sends it.
// It deletes itself when closed or once its message is sent.
class ComposeWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Compose Mail";
    static constexpr const char* kNoAddressBook = "AddressBook is unavailable in this version.";
    static constexpr const char* kThirdButtonText = "What is this going to have?";
    static constexpr const char* kSendFailedTitle = "Mail Not Sent";

    explicit ComposeWindow(AppContext& context, QWidget* parent = nullptr);
    ~ComposeWindow() override;

    void Fill(const ComposeFields& fields);
    ComposeFields fields() const;
    void AddAttachment(const QString& path);
    void RemoveAttachment(int row);
    QStringList attachments() const { return attachments_; }

    // The "..." buttons; unset, they say the address book is missing.
    std::function<QStringList(QWidget*)> pickAddresses;
    // Drops on To and CC that are not plain text (address-book entries).
    std::function<bool(QLineEdit*, const QMimeData*)> dropOnAddress;
    // The sending account, passwords filled in.
    std::function<MailAccount()> account;

    // Seconds to wait for each server reply.
    int replyTimeoutSeconds = 20;

    AddressEdit* toEdit() const { return to_; }
    AddressEdit* ccEdit() const { return cc_; }
    QLineEdit* subjectEdit() const { return subject_; }
    QPlainTextEdit* bodyEdit() const { return body_; }
    QListWidget* attachmentStrip() const { return strip_; }
    QCheckBox* urgentBox() const { return urgent_; }
    QCheckBox* copySelfBox() const { return copySelf_; }
    QCheckBox* confirmBox() const { return confirm_; }
    QCheckBox* signatureBox() const { return signature_; }
    QPushButton* sendButton() const { return send_; }
    QPushButton* toPickButton() const { return toPick_; }
    QPushButton* ccPickButton() const { return ccPick_; }
    ProgressPanel* progressPanel() const { return panel_; }
    bool sending() const;

public slots:
    void Send();
    void Attach();
    void CancelSend();

signals:
    // The server took the message; `sentCopy` is the stored copy ("" when none).
    void messageSent(const QString& sentCopy);

private:
    void OnFinished(int result);
    QString FailureText(int result) const;
    void Pick(AddressEdit* edit);

    AddressEdit* to_;
    AddressEdit* cc_;
    QLineEdit* subject_;
    QPlainTextEdit* body_;
    QListWidget* strip_;
    QCheckBox *urgent_, *copySelf_, *confirm_, *signature_;
    QPushButton *send_, *toPick_, *ccPick_;
    ProgressPanel* panel_;
    UiJob* job_;
    QStringList attachments_;
    std::shared_ptr<SendMailWorker> worker_;
    MailAccount sentWith_;
};

}  // namespace sky::ui
