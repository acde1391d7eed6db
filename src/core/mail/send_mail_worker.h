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
};

// Sends one message with the "DefaultUser" account; mailDone gets the
// SendMessage result.
class SendMailWorker : public MailWorkerThread<SmtpClient> {
public:
    SendMailWorker(MailWorkerListener* listener, MailAccount account, OutgoingMessage message);
    ~SendMailWorker();

    int Run() override;  // on the calling thread

    int replyTimeoutSeconds = 20;

private:
    MailWorkerListener* listener_;
    MailAccount account_;
    OutgoingMessage message_;
};

}  // namespace sky
