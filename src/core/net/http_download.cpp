#include "core/net/http_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace sky {

namespace {

struct Transfer {
    int fd = -1;
    bool writeFailed = false;
    int writeErrno = 0;
    long long bytes = 0;
    const DownloadOptions* options = nullptr;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t total = size * count;
    size_t done = 0;
    while (done < total) {
        ssize_t n = ::write(t->fd, data + done, total - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            t->writeFailed = true;
            t->writeErrno = errno;
            return 0;  // makes curl stop with a write error
        }
        done += static_cast<size_t>(n);
    }
    t->bytes += static_cast<long long>(total);
    return total;
}

int OnProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->options->cancel && t->options->cancel->load()) return 1;
    if (t->options->progress) t->options->progress(dlNow, dlTotal > 0 ? dlTotal : -1);
    return 0;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

DownloadResult DownloadToFile(const std::string& url, const std::string& target,
                              const DownloadOptions& options) {
    GlobalInit();
    DownloadResult r;
    std::string temp = target + ".part-XXXXXX";
    Transfer t;
    t.options = &options;
    t.fd = ::mkstemp(temp.data());
    if (t.fd < 0) {
        r.status = DownloadStatus::WriteError;
        r.error = "cannot create " + target + ": " + std::strerror(errno);
        return r;
    }
    ::fchmod(t.fd, 0644);

    CURL* curl = curl_easy_init();
    char errbuf[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSec);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallTimeoutSec);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "SkyHarbor");
    CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.httpCode);
    curl_easy_cleanup(curl);
    r.bytes = t.bytes;

    bool synced = !t.writeFailed && ::fsync(t.fd) == 0;
    if (::close(t.fd) != 0) synced = false;
    if (t.writeFailed || (rc == CURLE_OK && !synced)) {
        r.status = DownloadStatus::WriteError;
        r.error =
            std::string("cannot write ") + target + ": " + std::strerror(t.writeErrno ? t.writeErrno : EIO);
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        r.status = DownloadStatus::Cancelled;
        r.error = "cancelled";
    } else if (rc != CURLE_OK) {
        r.status = DownloadStatus::NetworkError;
        r.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    } else if (r.httpCode >= 400) {
        r.status = DownloadStatus::HttpError;
        r.error = "the server answered " + std::to_string(r.httpCode);
    } else if (::rename(temp.c_str(), target.c_str()) != 0) {
        r.status = DownloadStatus::WriteError;
        r.error = "cannot replace " + target + ": " + std::strerror(errno);
    } else {
        r.status = DownloadStatus::Ok;
        return r;
    }
    ::unlink(temp.c_str());
    return r;
}

}  // namespace sky
