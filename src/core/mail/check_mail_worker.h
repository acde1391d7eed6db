#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/mail/mail_accounts.h"
#include "core/mail/mail_worker.h"
#include "core/mail/pop3_client.h"

namespace sky {

// Fetches the mail of one or more accounts, one after the other, each into
// its own InBox.
class CheckMailWorker : public MailWorkerThread<Pop3Client> {
public:
    // Results passed to mailDone.
    enum Result {
        kDone = 0,
        kConnectFailed = 1,
        kStatFailed = 2,
        kCancelled = 3,
        kConnectionLost = 4,
        kCommitFailed = 5,
        kStoreFailed = 6,    // some message could not be stored; it stays on the server
        kTooLarge = 7,       // a message grew past the limit; the session was cut
        kServerRefused = 8,  // too many refusals in a row
    };
    // Refused messages in a row before the check gives up.
    static constexpr int kMaxRefusals = 10;

    // `account` is read by the caller (ReadAccountForWorkers) so the worker
    // never touches the settings.
    CheckMailWorker(MailWorkerListener* listener, MailAccount account);
    // Every account in order (ReadFetchTargets). A failing account does not
    // stop the others; mailDone gets the first failure, or kCancelled.
    CheckMailWorker(MailWorkerListener* listener, std::vector<MailFetchTarget> targets);
    ~CheckMailWorker();

    // Cancel is cooperative: the fetch stops at its next read; no half file
    // stays in the work folder and nothing not yet stored is deleted on the server.

    // The fetch on the calling thread.
    int Run() override;

    // Shorter time-outs for tests.
    int replyTimeoutSeconds = 10;
    int readTimeoutSeconds = 60;

private:
    int Fetch(const MailFetchTarget& target, bool named);
    // 0 downloaded and synced; 3 refused (no file); 2 the connection failed;
    // 6 it could not be written here; 7 it grew past the limit.
    int Download(Pop3Client& pop, long n, const std::string& temp);

    MailWorkerListener* listener_;
    std::vector<MailFetchTarget> targets_;
};

}  // namespace sky
