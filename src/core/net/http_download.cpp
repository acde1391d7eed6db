#include "core/net/http_download.h"

#include <curl/curl.h>

#include <mutex>
#include <string_view>

#include "core/base/atomic_file.h"

namespace sky {

namespace {

struct Transfer {
    AtomicFileWriter* file = nullptr;
    bool writeFailed = false;
    long long bytes = 0;
    const DownloadOptions* options = nullptr;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t total = size * count;
    if (!t->file->Write(std::string_view(data, total))) {
        t->writeFailed = true;
        return 0;  // makes curl stop with a write error
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
    AtomicFileWriter file(target);
    if (!file.ok()) {
        r.status = DownloadStatus::WriteError;
        r.error = file.error();
        return r;
    }
    Transfer t;
    t.file = &file;
    t.options = &options;

    CURL* curl = curl_easy_init();
    char errbuf[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    // An error page is no download: stop at the status, before its body.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
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

    if (t.writeFailed) {
        r.status = DownloadStatus::WriteError;
        r.error = file.error();
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        r.status = DownloadStatus::Cancelled;
        r.error = "cancelled";
    } else if (rc == CURLE_HTTP_RETURNED_ERROR || (rc == CURLE_OK && r.httpCode >= 400)) {
        r.status = DownloadStatus::HttpError;
        r.error = "the server answered " + std::to_string(r.httpCode);
    } else if (rc != CURLE_OK) {
        r.status = DownloadStatus::NetworkError;
        r.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    } else if (!file.Commit()) {
        r.status = DownloadStatus::WriteError;
        r.error = file.error();
    } else {
        r.status = DownloadStatus::Ok;
    }
    // An uncommitted file is removed with `file`; `target` stays as it was.
    return r;
}

}  // namespace sky
