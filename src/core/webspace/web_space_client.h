#pragma once

// The web-space client: puts, lists, deletes and fetches a member's files and
// posts files to the public space.
//
//   Synchronous (run on the caller's thread; the cli and the ui's jobs use them):
//     PostRecord        one POST of a transfer record, 0 or -1..-5
//     ListFiles         command 259, 4,116-byte reply; DeleteFile command 262, 21 bytes
//     UploadFile        one file, or a "?"-separated list, in pieces of 36,864 bytes
//     DownloadFile      GET into a temporary name renamed when complete
//     PostToPublicSpace 900-byte pieces; 1 all acknowledged, 2 refused or not logged in
//   Threaded: TransferWorker runs one TransferJob on a core Job and reports
//   through TransferListener on the worker's thread; Cancel stops cooperatively.

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "core/base/job.h"

namespace sky {
class HttpClient;
}

namespace sky::webspace {

inline constexpr const char* kUserDataScript = "Scripts/Userdata.dll";
inline constexpr const char* kPublicSpaceScript = "Scripts/UserData.dll";

// Reply sizes and message codes of the jobs.
inline constexpr size_t kListReplySize = 4116;
inline constexpr size_t kDeleteReplySize = 21;
inline constexpr size_t kUploadReplySize = 20;
inline constexpr size_t kDownloadReplySize = 320;
inline constexpr size_t kPublicReplySize = 1020;
inline constexpr int kListMessage = 2;
inline constexpr int kDeleteMessage = 5;
inline constexpr int kUploadFinished = 3;  // status code of the upload's last report
inline constexpr int kUploadProgress = 4;  // status code of the upload's progress texts
inline constexpr int kCancelTransfer = 3027;

inline constexpr size_t kUploadPieceSize = 0x9000;
inline constexpr size_t kPublicPieceSize = 900;

// Results beyond PostRecord's own -1..-5.
inline constexpr int kLocalFileError = -6;  // a local file could not be opened or measured
inline constexpr int kCancelled = -7;
// PostToPublicSpace.
inline constexpr int kPublicAcknowledged = 1;
inline constexpr int kPublicRefused = 2;
inline constexpr int kPublicCancelled = 0;

// Where a transfer goes; filled from the member session just before each transfer.
struct ServerTarget {
    std::string host;  // "host" or "host:port"
    std::string script = kUserDataScript;
    std::string account;
    std::string password;
};

// The head of a reply from the transfer script.
struct TransferReply {
    uint32_t headSize = 0;
    uint16_t status = 1;  // 0: success
    uint32_t textLength = 0;
    std::string text;  // from byte 16, at most textLength bytes of what arrived
};
// Nothing for a reply too short to carry a status.
std::optional<TransferReply> ReadTransferReply(std::string_view reply);

// Reports of a transfer, called on the transferring thread.
class TransferListener {
public:
    virtual ~TransferListener() = default;
    // A status line; `code` is kUploadProgress for upload texts, else the job's message code.
    virtual void OnStatus(int code, const std::string& text) = 0;
    // Bytes of the current file sent or received so far.
    virtual void OnProgress(uint64_t /*done*/, uint64_t /*total*/) {}
    // A message the user must see (a message box in the ui).
    virtual void OnMessage(const std::string& text) { OnStatus(0, text); }
    // The public-space progress display for one piece: its title and its line.
    virtual void OnPiece(const std::string& title, const std::string& line) {
        OnStatus(0, title + " " + line);
    }
    // The end: the job's message code (kUploadFinished for an upload), its
    // result (0, or a negative error, or the service's non-zero status) and the reply bytes.
    virtual void OnDone(int /*code*/, int /*result*/, const std::string& /*reply*/) {}
};

// One POST of `record` (sent whole) to http://host/script; reads up to
// `replySize` bytes of the answer into *reply. Returns 0, or -1 send failed,
// -2 no connection, -3 error before the answer, -4 no answer, -5 error while reading it,
// kCancelled when `stop` ended it.
int PostRecord(HttpClient& http, const std::string& host, const std::string& script, std::string_view record,
               size_t replySize, std::string* reply, int code, TransferListener& listener,
               std::stop_token stop = {});

// A command record (259 list, 262 delete) of 695 bytes on the wire.
std::string BuildCommandRecord(uint16_t command, const ServerTarget& target, const std::string& operand1,
                               const std::string& operand2);

// One piece of one job.
struct TransferJob {
    enum class Kind { Command, Upload, Download };
    Kind kind = Kind::Command;
    ServerTarget target;
    std::string text1;  // local path(s), command operand, or the download address
    std::string text2;  // remote name, second operand, or the download's local path
    size_t replySize = 0;
    uint16_t command = 0;
    int messageCode = 0;
};

TransferJob CommandJob(uint16_t command, const std::string& operand1, const std::string& operand2,
                       size_t replySize, const ServerTarget& target, int messageCode);
TransferJob UploadJob(const std::string& localPaths, const std::string& remote, const ServerTarget& target);
TransferJob DownloadJob(const std::string& url, const std::string& local, int messageCode);

// Runs a job on the calling thread, reports OnDone last, and returns its result.
int RunTransferJob(const TransferJob& job, TransferListener& listener, std::stop_token stop = {});

int ListFiles(const ServerTarget& target, TransferListener& listener, std::stop_token stop,
              std::string* reply);
int DeleteFile(const ServerTarget& target, const std::string& remote, TransferListener& listener,
               std::stop_token stop);
// `local` is one path (sent as `remote`), or a list "?path?path" (each file
// under its own name); 0 when every piece was acknowledged, else the first
// failure: a PostRecord error, kLocalFileError, kCancelled, or the service's status.
int UploadFile(const ServerTarget& target, const std::string& local, const std::string& remote,
               TransferListener& listener, std::stop_token stop);
// 0 when `local` now holds the whole body; a failed fetch leaves nothing.
int DownloadFile(const std::string& url, const std::string& local, TransferListener& listener,
                 std::stop_token stop, int messageCode = 0);
// The public address of a member's file.
std::string MemberFileUrl(const std::string& webHost, const std::string& account, const std::string& name);

// `target` names the public-space host (its script is replaced by kPublicSpaceScript).
int PostToPublicSpace(const ServerTarget& target, bool loggedIn, const std::string& local,
                      const std::string& remote, TransferListener& listener, std::stop_token stop);

// One transfer at a time on a thread of its own; the listener must outlive it.
class TransferWorker {
public:
    explicit TransferWorker(TransferListener& listener) : listener_(listener) {}
    // False while a transfer runs.
    bool Start(TransferJob job);
    bool StartCommand(uint16_t command, const std::string& operand1, const std::string& operand2,
                      size_t replySize, const ServerTarget& target, int messageCode) {
        return Start(CommandJob(command, operand1, operand2, replySize, target, messageCode));
    }
    bool StartUpload(const std::string& localPaths, const std::string& remote, const ServerTarget& target) {
        return Start(UploadJob(localPaths, remote, target));
    }
    bool StartDownload(const std::string& url, const std::string& local, int messageCode) {
        return Start(DownloadJob(url, local, messageCode));
    }
    bool IsRunning() const { return job_.IsRunning(); }
    void Cancel() { job_.Cancel(); }
    void Join() { job_.Join(); }

private:
    TransferListener& listener_;
    Job job_;
};

}  // namespace sky::webspace
