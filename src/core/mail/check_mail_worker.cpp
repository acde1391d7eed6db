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

CheckMailWorker::CheckMailWorker(MailWorkerListener* listener, MailAccount account) : listener_(listener) {
    targets_.push_back(
        {kDefaultMailUser, kDefaultMailUser, AccountSection(kDefaultMailUser), std::move(account)});
}

CheckMailWorker::CheckMailWorker(MailWorkerListener* listener, std::vector<MailFetchTarget> targets)
    : listener_(listener), targets_(std::move(targets)) {}

CheckMailWorker::~CheckMailWorker() {
    Stop();
}

int CheckMailWorker::Download(Pop3Client& pop, long n, const std::string& temp) {
    int rc = pop.Retr(n);
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
        return r == 0 ? 6 : r;
    }
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    long bytes = 0;
    rc = pop.ReadMessageTo(f, &bytes);
    bool ok = rc == 0 && std::fflush(f) == 0 && ::fsync(fileno(f)) == 0;
    std::fclose(f);
    if (!ok) {
        ::unlink(temp.c_str());
        return rc == 0 ? 6 : rc;
    }
    return 0;
}

int CheckMailWorker::Run() {
    int overall = kDone;
    bool named = targets_.size() > 1;
    for (const MailFetchTarget& target : targets_) {
        if (cancelled_) {
            overall = kCancelled;
            break;
        }
        int r = Fetch(target, named);
        if (r == kCancelled) {
            overall = kCancelled;
            break;
        }
        if (overall == kDone) overall = r;
    }
    listener_->mailDone(overall);
    return overall;
}

int CheckMailWorker::Fetch(const MailFetchTarget& target, bool named) {
    const MailAccount& account = target.account;
    if (named) listener_->mailProgress(Format("=== Account %s ===", target.label.c_str()));
    std::string inbox = GetMailFolderPath("InBox", target.user);
    std::string work = MailWorkFolder();
    ServerAddress server = PopServer(account);
    listener_->mailProgress(
        Format("* Connecting to %s as %s...", account.pop.c_str(), account.username.c_str()));
    Pop3Client pop;
    pop.replyTimeoutSeconds = replyTimeoutSeconds;
    pop.readTimeoutSeconds = readTimeoutSeconds;
    const long long limit = static_cast<long long>(account.maxMessageMB) << 20;
    pop.maxMessageBytes = limit;
    ClientScope scope(this, &pop);
    auto finish = [&](int result) {
        SetClient(nullptr);
        return result;
    };
    int rc = inbox.empty() || work.empty()
                 ? 1
                 : pop.Connect(server, account.username, account.password,
                               ParseMailSecurity(account.pop_security), account.ca_file);
    if (rc != 0) {
        std::string detail = pop.lastError();
        if (detail.empty())
            detail = inbox.empty() || work.empty() ? "cannot make the mail folders" : pop.lastReply();
        pop.Close();
        if (named) detail = target.label + ": " + detail;
        listener_->connectFailed(kCouldNotConnect, detail);
        return finish(cancelled_ ? kCancelled : kConnectFailed);
    }
    listener_->mailProgress("Connected OK. Checking for new mail.");
    long count = 0;
    if (pop.Stat(&count) != 0) {
        // Without a count nothing is downloaded.
        listener_->mailProgress("-- Could not read the number of messages");
        if (!pop.lastError().empty()) listener_->mailProgress("-- " + pop.lastError());
        pop.Quit();
        return finish(cancelled_ ? kCancelled : kStatFailed);
    }
    // The listing says which messages there are; STAT's count is only
    // believed when the server will not list them.
    std::vector<Pop3Client::ListEntry> listed;
    int l = pop.ListAll(&listed);
    if (l == 1 || l == 2) {
        if (!pop.lastError().empty()) listener_->mailProgress("-- " + pop.lastError());
        pop.Close();
        return finish(cancelled_ ? kCancelled : kConnectionLost);
    }
    bool haveList = l == 0;
    long total = haveList ? static_cast<long>(listed.size()) : count;
    listener_->mailProgress(Format("Found %ld Messages.", total));
    bool deleteFlag = account.leaveonserver == 0;
    int result = kDone;
    long deleted = 0;
    long notStored = 0;
    int refusedInARow = 0;
    auto tooLarge = [&] {
        listener_->mailProgress(
            Format("-- This message is larger than %d MB; it stays on the server", account.maxMessageMB));
    };
    for (long i = 1; i <= total; ++i) {
        if (cancelled_) {
            result = kCancelled;
            break;
        }
        listener_->mailProgress(Format("Downloading Message %ld of %ld", i, total));
        long number = haveList ? listed[i - 1].number : i;
        long size = haveList ? listed[i - 1].size : -1;
        // The size is only a hint; the message is read to its final line.
        if (!haveList && pop.List(number, &size) == 2) {
            result = cancelled_ ? kCancelled : kConnectionLost;
            break;
        }
        if (size > limit) {
            tooLarge();
            continue;
        }
        long tick = TickCount();
        std::string temp = Format("%sM%ld.new", work.c_str(), tick);
        while (::access(temp.c_str(), F_OK) == 0) temp = Format("%sM%ld.new", work.c_str(), ++tick);
        int d = Download(pop, number, temp);
        if (d == 3) {
            // Not stored: never deleted, never called a duplicate.
            listener_->mailProgress("-- Could not download this message");
            if (++refusedInARow >= kMaxRefusals) {
                listener_->mailProgress(
                    Format("-- The server refused %d messages in a row; the check stops here", kMaxRefusals));
                result = kServerRefused;
                break;
            }
            continue;
        }
        if (d == 7) {
            // The rest of it is still coming; only closing ends it.
            tooLarge();
            result = kTooLarge;
            break;
        }
        if (d == 2) {
            listener_->mailProgress("-- Could not download this message");
            if (!pop.lastError().empty()) listener_->mailProgress("-- " + pop.lastError());
            result = cancelled_ ? kCancelled : kConnectionLost;
            break;
        }
        refusedInARow = 0;
        if (d == 6) {
            ++notStored;
            listener_->mailProgress("-- Could not store this message: cannot write " + temp);
            continue;
        }
        // Stored in InBox before DELE, so a message the server forgets is
        // already safe on disk.
        // The file itself is synced; the folder is synced once before QUIT,
        // which is when the server really deletes.
        StoreResult stored = StoreIncomingMessage(temp, tick, false, target.user);
        if (stored.duplicate) ::unlink(temp.c_str());
        bool safe = stored.stored || stored.duplicate;
        if (deleteFlag && safe) {
            listener_->mailProgress("-- Removing from server");
            if (pop.Dele(number) == 0) ++deleted;
        }
        if (stored.duplicate) {
            listener_->mailProgress("-- Duplicate Message Found in your Inbox");
        } else if (stored.stored) {
            listener_->newMessage(stored.path);
        } else {
            ::unlink(temp.c_str());
            ++notStored;
            listener_->mailProgress("-- Could not store this message: " + stored.error);
        }
    }
    SyncMailFolder(inbox);
    if (result == kCancelled || result == kConnectionLost || result == kTooLarge) {
        // A cut session ends without QUIT, so the server keeps every message
        // whose deletion was not committed.
        pop.Close();
    } else if (pop.Quit() != 0 && deleted > 0) {
        // Without the answer to QUIT nobody knows whether the deletions took.
        listener_->mailProgress("-- The server did not confirm the removals; the messages may come back");
        result = kCommitFailed;
    }
    if (result == kDone && notStored > 0) {
        listener_->mailProgress(
            Format("-- %ld messages could not be stored; they stay on the server", notStored));
        result = kStoreFailed;
    }
    if (result == kDone) listener_->mailProgress(Format("Done.  Processed %ld messages", total));
    return finish(result);
}

}  // namespace sky
