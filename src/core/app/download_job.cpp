#include "core/app/download_job.h"

#include <curl/curl.h>

#include "core/net/http_download.h"

namespace sky {

namespace {

bool UrlParses(const std::string& url) {
    if (url.empty()) return false;
    CURLU* u = curl_url();
    if (!u) return false;
    bool ok = curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
    curl_url_cleanup(u);
    return ok;
}

template <typename F, typename... Args>
void Emit(const F& f, Args... args) {
    if (f) f(args...);
}

}  // namespace

int RunDownloadJob(const DownloadJobSpec& spec, const DownloadJobEvents& events) {
    auto finish = [&](int code) {
        Emit(events.finished, code);
        return code;
    };
    if (!UrlParses(spec.url)) return finish(download_result::kNoSession);

    bool sizeSent = false;
    long long reported = 0;
    auto sendSize = [&](long long total) {
        if (sizeSent) return;
        sizeSent = true;
        Emit(events.sizeKnown, total < 0 ? 0LL : total);
    };

    DownloadOptions options;
    options.connectTimeoutSec = spec.connectTimeoutSec;
    options.stallTimeoutSec = spec.stallTimeoutSec;
    options.cancel = spec.cancel;
    // The library reports running totals; the frame counts pieces.
    options.progress = [&](long long received, long long total) {
        if (total > 0) sendSize(total);
        if (received <= reported) return;
        sendSize(total);
        Emit(events.chunkWritten, received - reported);
        reported = received;
    };
    DownloadResult r = DownloadToFile(spec.url, spec.target, options);

    switch (r.status) {
        case DownloadStatus::Ok:
            sendSize(0);  // an empty body still gets its size message
            if (r.bytes > reported) Emit(events.chunkWritten, r.bytes - reported);
            return finish(download_result::kOk);
        case DownloadStatus::Cancelled:
            Emit(events.cancelled);
            return finish(download_result::kCancelled);
        case DownloadStatus::HttpError:
        case DownloadStatus::NetworkError:
            return finish(download_result::kUrlNotOpened);
        case DownloadStatus::WriteError:
            // No answer yet means the temporary file was never made.
            return finish(r.httpCode == 0 ? download_result::kCannotCreate : download_result::kWriteFailed);
    }
    return finish(download_result::kUrlNotOpened);
}

int ProgressPosition(long long received, long long total) {
    if (total <= 0 || received <= 0) return 0;
    if (received >= total) return kProgressRange;
    // In 128 bits no file size can overflow the product.
    return static_cast<int>(static_cast<__int128>(received) * kProgressRange / total);
}

}  // namespace sky
