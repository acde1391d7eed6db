#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// One request of the HTTP client (http, https, ftp or file addresses).
struct HttpRequest {
    std::string url;
    // With a body (even an empty one set by Post) the request is a POST.
    bool post = false;
    std::string body;
    std::string contentType = "application/x-www-form-urlencoded";
    std::vector<std::string> headers;  // extra "Name: value" lines
    // The request leaves from this local address when not empty.
    std::string localAddress;

    long connectTimeoutSec = 20;
    long totalTimeoutSec = 0;   // the whole transfer; 0: no limit
    long stallTimeoutSec = 30;  // slower than 1 byte/s for this long ends it; 0: never
    long maxRedirects = 10;     // 0: redirects are not followed
    // An answer of 400 or more ends the transfer at its status, before its body.
    bool failOnHttpError = false;
    // The body is cut here: the transfer ends with LimitReached. -1: no limit.
    long long maxBytes = -1;

    // On the transferring thread: bytes received so far and the total (-1 when unknown).
    std::function<void(long long received, long long total)> progress;
    // Either one set stops the transfer within about a second, even while
    // it waits for the server.
    const std::atomic<bool>* cancel = nullptr;
    std::stop_token stop;
};

enum class HttpOutcome {
    Ok,            // whatever the status; see HttpResult::status
    LimitReached,  // maxBytes were taken and the rest dropped
    Cancelled,
    HttpError,     // failOnHttpError and a status of 400 or more
    NetworkError,  // no connection, time-out, bad address, a stall
    SinkError,     // the receiver of the body refused it
    SetupError,    // no transfer could be set up
};

struct HttpResult {
    HttpOutcome outcome = HttpOutcome::SetupError;
    long status = 0;  // the HTTP status (0 when none arrived)
    long long bytes = 0;
    std::string error;  // why, for the log and messages
    int curlCode = 0;   // curl's own result, for callers that tell failures apart by stage
    bool ok() const { return outcome == HttpOutcome::Ok; }
};

// The one HTTP client: a curl handle, kept for the client's life so that
// connections to one host are reused. One transfer at a time; not shared
// between threads. Sockets are close-on-exec.
class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // The body goes to `sink` piece by piece; false from it ends the transfer (SinkError).
    HttpResult Perform(const HttpRequest& request, const std::function<bool(std::string_view)>& sink);
    // The body in memory (up to maxBytes).
    HttpResult Fetch(const HttpRequest& request, std::string* body);
    // The body into `target` through a hidden temporary file renamed over it
    // only when the transfer is Ok: nothing partial is ever left.
    HttpResult Download(const HttpRequest& request, const std::string& target);

private:
    void* curl_ = nullptr;
};

// curl's process-wide start, once, before the first handle.
void EnsureCurlReady();

}  // namespace sky
