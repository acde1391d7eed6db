#include "core/mail/check_mail_worker.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "core/base/text_util.h"
#include "core/mail/mail_store.h"
#include "core/mail/pop3_client.h"

namespace sky {

namespace {

long TickCount() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

}  // namespace

CheckMailWorker::CheckMailWorker(MailWorkerListener* listener, MailAccount account)
    : listener_(listener), account_(std::move(account)) {}

CheckMailWorker::~CheckMailWorker() {
    Stop();
}

int CheckMailWorker::Download(Pop3Client& pop, long n, const std::string& temp) {
    long size = 0;
    // The LIST size is only a hint; the message is read to its final line.
    int rc = pop.List(n, &size);
    if (rc == 2) return 2;
    rc = pop.Retr(n);
    if (rc != 0) return rc;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    std::FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!f) {
        if (fd >= 0) ::close(fd);
        // Still read the message so the conversation stays in step.
        std::FILE* sink = std::fopen("/dev/null", "wbe");
        long ignored = 0;
        int r = sink ? pop.ReadMessageTo(sink, &ignored) : 2;
        if (sink) std::fclose(sink);
        return r == 0 ? 3 : 2;
    }
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    long bytes = 0;
    rc = pop.ReadMessageTo(f, &bytes);
    bool ok = rc == 0 && std::fflush(f) == 0 && ::fsync(fileno(f)) == 0;
    std::fclose(f);
    if (!ok) {
        ::unlink(temp.c_str());
        return rc == 0 || rc == 6 ? 3 : 2;
    }
    return 0;
}

int CheckMailWorker::Run() {
    std::string inbox = GetMailFolderPath("InBox");
    std::string work = MailWorkFolder();
    ServerAddress server = PopServer(account_);
    listener_->mailProgress(
        Format("* Connecting to %s as %s...", account_.pop.c_str(), account_.username.c_str()));
    Pop3Client pop;
    pop.replyTimeoutSeconds = replyTimeoutSeconds;
    pop.readTimeoutSeconds = readTimeoutSeconds;
    ClientScope scope(this, &pop);
    auto finish = [&](int result) {
        SetClient(nullptr);
        listener_->mailDone(result);
        return result;
    };
    int rc = inbox.empty() || work.empty()
                 ? 1
                 : pop.Connect(server, account_.username, account_.password,
                               ParseMailSecurity(account_.pop_security), account_.ca_file);
    if (rc != 0) {
        std::string detail = pop.lastError();
        if (detail.empty())
            detail = inbox.empty() || work.empty() ? "cannot make the mail folders" : pop.lastReply();
        pop.Close();
        listener_->connectFailed(kCouldNotConnect, detail);
        return finish(cancelled_ ? kCancelled : kConnectFailed);
    }
    listener_->mailProgress("Connected OK. Checking for new mail.");
    long count = 0;
    if (pop.Stat(&count) != 0) {
        // Without a count nothing is downloaded.
        listener_->mailProgress("-- Could not read the number of messages");
        pop.Quit();
        return finish(cancelled_ ? kCancelled : kStatFailed);
    }
    listener_->mailProgress(Format("Found %ld Messages.", count));
    bool deleteFlag = account_.leaveonserver == 0;
    int result = kDone;
    long deleted = 0;
    for (long i = 1; i <= count; ++i) {
        if (cancelled_) {
            result = kCancelled;
            break;
        }
        listener_->mailProgress(Format("Downloading Message %ld of %ld", i, count));
        long tick = TickCount();
        std::string temp = Format("%sM%ld.new", work.c_str(), tick);
        while (::access(temp.c_str(), F_OK) == 0) temp = Format("%sM%ld.new", work.c_str(), ++tick);
        int d = Download(pop, i, temp);
        if (d != 0) {
            // Not stored: never deleted, never called a duplicate.
            listener_->mailProgress("-- Could not download this message");
            if (d == 2) {
                result = cancelled_ ? kCancelled : kConnectionLost;
                break;
            }
            continue;
        }
        // Stored in InBox before DELE, so a message the server forgets is
        // already safe on disk.
        // The file itself is synced; the folder is synced once before QUIT,
        // which is when the server really deletes.
        StoreResult stored = StoreIncomingMessage(temp, tick, false);
        if (stored.duplicate) ::unlink(temp.c_str());
        bool safe = stored.stored || stored.duplicate;
        if (deleteFlag && safe) {
            listener_->mailProgress("-- Removing from server");
            if (pop.Dele(i) == 0) ++deleted;
        }
        if (stored.duplicate) {
            listener_->mailProgress("-- Duplicate Message Found in your Inbox");
        } else if (stored.stored) {
            listener_->newMessage(stored.path);
        } else {
            ::unlink(temp.c_str());
            listener_->mailProgress("-- " + stored.error);
        }
    }
    SyncMailFolder(inbox);
    if (result == kCancelled || result == kConnectionLost) {
        // A cancelled session ends without QUIT, so the server keeps every
        // message whose deletion was not committed.
        pop.Close();
    } else if (pop.Quit() != 0 && deleted > 0) {
        // Without the answer to QUIT nobody knows whether the deletions took.
        listener_->mailProgress("-- The server did not confirm the removals; the messages may come back");
        result = kCommitFailed;
    }
    if (result == kDone) listener_->mailProgress(Format("Done.  Processed %ld messages", count));
    return finish(result);
}

}  // namespace sky
