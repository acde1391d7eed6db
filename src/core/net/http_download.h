#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace sky {

enum class DownloadStatus {
    Ok,
    Cancelled,
    HttpError,     // the server answered with a status of 400 or more
    NetworkError,  // no connection, time-out, bad address
    WriteError,    // the target could not be created or written
};

struct DownloadResult {
    DownloadStatus status = DownloadStatus::NetworkError;
    long httpCode = 0;
    long long bytes = 0;
    std::string error;  // why, for the log and messages
    bool ok() const { return status == DownloadStatus::Ok; }
};

struct DownloadOptions {
    long connectTimeoutSec = 20;
    // A transfer slower than 1 byte/s for this long is given up.
    long stallTimeoutSec = 30;
    // Called on the downloading thread with bytes so far and the total (-1 when unknown).
    std::function<void(long long received, long long total)> progress;
    // Checked between reads; setting it stops the transfer.
    const std::atomic<bool>* cancel = nullptr;
};

// Fetches `url` (http, https, ftp or file) into `target`. The data goes to a
// temporary file beside it that is renamed over `target` only when complete,
// so a failed or cancelled download never leaves a partial file behind.
// Blocking: run it on a worker.
DownloadResult DownloadToFile(const std::string& url, const std::string& target,
                              const DownloadOptions& options = {});

}  // namespace sky
