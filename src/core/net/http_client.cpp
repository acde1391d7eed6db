#include "core/net/http_client.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <mutex>

#include "core/base/atomic_file.h"

namespace sky {

namespace {

struct Transfer {
    const HttpRequest* request = nullptr;
    const std::function<bool(std::string_view)>* sink = nullptr;
    long long bytes = 0;
    bool sinkFailed = false;
    bool limitReached = false;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    size_t take = n;
    long long max = t->request->maxBytes;
    if (max >= 0 && t->bytes + static_cast<long long>(n) > max) {
        take = static_cast<size_t>(max - t->bytes);
        t->limitReached = true;
    }
    if (take > 0 && !(*t->sink)(std::string_view(data, take))) {
        t->sinkFailed = true;
        return 0;
    }
    t->bytes += static_cast<long long>(take);
    // Returning less than given makes curl stop with a write error we expect.
    return t->limitReached ? 0 : n;
}

int OnProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    const HttpRequest& r = *t->request;
    if ((r.cancel && r.cancel->load()) || r.stop.stop_requested()) return 1;
    if (r.progress) r.progress(dlNow, dlTotal > 0 ? dlTotal : -1);
    return 0;
}

// Made close-on-exec from the start: a CGI program, the update installer or
// a browser started by the program never inherits a connection.
curl_socket_t OpenSocket(void*, curlsocktype, curl_sockaddr* address) {
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

}  // namespace

void EnsureCurlReady() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpClient::HttpClient() {
    EnsureCurlReady();
    curl_ = curl_easy_init();
}

HttpClient::~HttpClient() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

HttpResult HttpClient::Perform(const HttpRequest& request,
                               const std::function<bool(std::string_view)>& sink) {
    HttpResult r;
    CURL* curl = static_cast<CURL*>(curl_);
    if (!curl) {
        r.error = "the transfer could not be set up";
        return r;
    }
    curl_easy_reset(curl);
    Transfer t{&request, &sink};
    char errbuf[CURL_ERROR_SIZE] = {};
    curl_slist* headers = nullptr;
    for (const std::string& h : request.headers) headers = curl_slist_append(headers, h.c_str());
    if (request.post) {
        headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).c_str());
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    std::string local = "host!" + request.localAddress;
    if (!request.localAddress.empty()) curl_easy_setopt(curl, CURLOPT_INTERFACE, local.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.maxRedirects > 0 ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, request.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, request.failOnHttpError ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, request.connectTimeoutSec);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, request.totalTimeoutSec);
    if (request.stallTimeoutSec > 0) {
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, request.stallTimeoutSec);
    }
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "SkyHarbor");
    CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    r.bytes = t.bytes;
    r.curlCode = static_cast<int>(rc);

    if (t.sinkFailed) {
        r.outcome = HttpOutcome::SinkError;
        r.error = "the received data could not be kept";
    } else if (t.limitReached) {
        r.outcome = HttpOutcome::LimitReached;
        r.error = "more than " + std::to_string(request.maxBytes) + " bytes";
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        r.outcome = HttpOutcome::Cancelled;
        r.error = "cancelled";
    } else if (rc == CURLE_HTTP_RETURNED_ERROR ||
               (request.failOnHttpError && rc == CURLE_OK && r.status >= 400)) {
        r.outcome = HttpOutcome::HttpError;
        r.error = "the server answered " + std::to_string(r.status);
    } else if (rc != CURLE_OK) {
        r.outcome = HttpOutcome::NetworkError;
        r.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    } else {
        r.outcome = HttpOutcome::Ok;
    }
    return r;
}

HttpResult HttpClient::Fetch(const HttpRequest& request, std::string* body) {
    body->clear();
    return Perform(request, [body](std::string_view piece) {
        body->append(piece);
        return true;
    });
}

HttpResult HttpClient::Download(const HttpRequest& request, const std::string& target) {
    AtomicFileWriter file(target);
    if (!file.ok()) {
        HttpResult r;
        r.outcome = HttpOutcome::SinkError;
        r.error = file.error();
        return r;
    }
    HttpResult r = Perform(request, [&file](std::string_view piece) { return file.Write(piece); });
    if (r.outcome == HttpOutcome::SinkError) {
        r.error = file.error();
    } else if (r.ok() && !file.Commit()) {
        r.outcome = HttpOutcome::SinkError;
        r.error = file.error();
    }
    // An uncommitted file is removed with `file`; `target` stays as it was.
    return r;
}

}  // namespace sky
