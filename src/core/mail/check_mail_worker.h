#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "core/mail/mail_accounts.h"
#include "core/mail/mail_worker.h"

namespace sky {

class Pop3Client;

// Fetches the "DefaultUser" account's mail into InBox.
class CheckMailWorker {
public:
    // Results passed to mailDone.
    enum Result { kDone = 0, kConnectFailed = 1, kStatFailed = 2, kCancelled = 3, kConnectionLost = 4 };

    // `account` is read by the caller (ReadAccountForWorkers) so the worker
    // never touches the settings.
    CheckMailWorker(MailWorkerListener* listener, MailAccount account);
    ~CheckMailWorker();

    // Starts the fetch on its own thread; false (the caller shows kTooBusy)
    // while a fetch runs.
    bool Start();
    bool IsRunning() const { return running_.load(); }
    // Cooperative: the fetch stops at its next read; no half file stays in
    // the work folder and nothing not yet stored is deleted on the server.
    void Cancel();
    void Join();

    // The fetch on the calling thread.
    int Run();

    // Shorter time-outs for tests.
    int replyTimeoutSeconds = 10;
    int readTimeoutSeconds = 60;

private:
    // 0 downloaded and synced; 3 refused (no file); 2 the connection failed.
    int Download(Pop3Client& pop, long n, const std::string& temp);

    MailWorkerListener* listener_;
    MailAccount account_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex clientMutex_;
    Pop3Client* client_ = nullptr;
};

}  // namespace sky
