#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/mail/mail_accounts.h"
#include "core/mail/mail_worker.h"
#include "core/mail/smtp_client.h"

namespace sky {

struct OutgoingMessage {
    std::string to;
    std::string cc;
    std::string subject;
    std::string body;
    std::vector<std::string> attachments;
    // The sender's own address goes along as a blind copy (a recipient on the
    // wire, in no header).
    bool copySelf = false;
};

// Sends one message with the "DefaultUser" account; mailDone gets the
// SendMessage result.
class SendMailWorker : public MailWorkerThread<SmtpClient> {
public:
    SendMailWorker(MailWorkerListener* listener, MailAccount account, OutgoingMessage message);
    ~SendMailWorker();

    int Run() override;  // on the calling thread

    int replyTimeoutSeconds = 20;
    // The mail folder that keeps a copy of what was sent; empty keeps none.
    std::string sentFolderName = "Sent";

    // What the finished run leaves for the one who tells the user: the
    // Connect result (0 connected), the server's last reply, why the
    // connection or a send failed, and the stored copy.
    int connectResult() const { return connectResult_; }
    const std::string& serverAnswer() const { return serverAnswer_; }
    const std::string& detail() const { return detail_; }
    const std::string& refusedRecipient() const { return refused_; }
    const std::string& sentCopyPath() const { return sentCopy_; }

private:
    MailWorkerListener* listener_;
    MailAccount account_;
    OutgoingMessage message_;
    int connectResult_ = -1;
    std::string serverAnswer_, detail_, refused_, sentCopy_;
};

// "<20261207.031500.1234.1.8f3a@example.org>": unique per message sent from
// this host, in the sender's domain.
std::string NewMessageId(const std::string& senderAddress);

}  // namespace sky
