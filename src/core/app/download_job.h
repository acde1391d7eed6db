#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace sky {

// The two background download jobs.
enum class DownloadJobId : int {
    ChannelFile = 28013,  // public or replacement channel file -> "skytemp.sdf"
    Installer = 41377,    // software installer -> "skysetup.exe"
};

// Result codes of a download job.
namespace download_result {
constexpr int kOk = 0;
constexpr int kNoSession = -18;     // the transfer could not be set up
constexpr int kUrlNotOpened = -20;  // no connection, time-out, HTTP status 400 or more
constexpr int kNoWindow = -34;      // nobody to report to
constexpr int kCannotCreate = -36;  // the target could not be created
constexpr int kWriteFailed = -37;   // a write to the target failed mid-way
constexpr int kCancelled = -41;     // cancelled by the user
}  // namespace download_result

// What the worker reports, in this order: sizeKnown once (0 when the server
// gave no length), chunkWritten per piece, then either cancelled followed by
// finished(-41), or finished(code). Called on the worker thread.
struct DownloadJobEvents {
    std::function<void(long long total)> sizeKnown;
    std::function<void(long long bytes)> chunkWritten;
    std::function<void()> cancelled;
    std::function<void(int code)> finished;
};

struct DownloadJobSpec {
    std::string url;
    std::string target;
    DownloadJobId id = DownloadJobId::ChannelFile;
    // Set by the UI thread to stop the transfer before its next piece.
    const std::atomic<bool>* cancel = nullptr;
    long connectTimeoutSec = 20;
    long stallTimeoutSec = 30;
};

// Runs one transfer on the calling thread and returns its code. The file is
// written under a temporary name and renamed over `target` only when
// complete; on any failure `target` is left as it was.
int RunDownloadJob(const DownloadJobSpec& spec, const DownloadJobEvents& events);

// The pieces the progress bar counts in, and the frame's texts.
constexpr int kProgressRange = 60000;
// Bar position after `received` of `total` bytes (0 when total is unknown).
int ProgressPosition(long long received, long long total);

}  // namespace sky
