#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/mail/mail_accounts.h"
#include "core/mail/mail_worker.h"

namespace sky {

class SmtpClient;

struct OutgoingMessage {
    std::string to;
    std::string cc;
    std::string subject;
    std::string body;
    std::vector<std::string> attachments;
};

// Sends one message with the "DefaultUser" account; mailDone gets the
// SendMessage result.
class SendMailWorker {
public:
    SendMailWorker(MailWorkerListener* listener, MailAccount account, OutgoingMessage message);
    ~SendMailWorker();

    bool Start();  // false while a send runs (the caller shows kTooBusy)
    bool IsRunning() const { return running_.load(); }
    void Cancel();
    void Join();
    int Run();  // on the calling thread

    int replyTimeoutSeconds = 20;

private:
    MailWorkerListener* listener_;
    MailAccount account_;
    OutgoingMessage message_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex clientMutex_;
    SmtpClient* client_ = nullptr;
};

}  // namespace sky
