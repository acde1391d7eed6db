#include "core/net/http_download.h"

#include "core/net/http_client.h"

namespace sky {

DownloadResult DownloadToFile(const std::string& url, const std::string& target,
                              const DownloadOptions& options) {
    HttpRequest request;
    request.url = url;
    request.connectTimeoutSec = options.connectTimeoutSec;
    request.stallTimeoutSec = options.stallTimeoutSec;
    // An error page is no download: stop at the status, before its body.
    request.failOnHttpError = true;
    request.progress = options.progress;
    request.cancel = options.cancel;

    HttpClient client;
    HttpResult got = client.Download(request, target);
    DownloadResult r;
    r.httpCode = got.status;
    r.bytes = got.bytes;
    r.error = got.error;
    switch (got.outcome) {
        case HttpOutcome::Ok:
            r.status = DownloadStatus::Ok;
            break;
        case HttpOutcome::Cancelled:
            r.status = DownloadStatus::Cancelled;
            break;
        case HttpOutcome::HttpError:
            r.status = DownloadStatus::HttpError;
            break;
        case HttpOutcome::SinkError:
            r.status = DownloadStatus::WriteError;
            break;
        case HttpOutcome::LimitReached:
        case HttpOutcome::NetworkError:
        case HttpOutcome::SetupError:
            r.status = DownloadStatus::NetworkError;
            break;
    }
    return r;
}

}  // namespace sky
