#include "core/chat/remote_command_sender.h"

#include <chrono>

#include "core/base/log.h"
#include "core/base/url_codec.h"
#include "core/net/http_client.h"

namespace sky::chat {

namespace {

// The worker's status after one post: "" when the peer took the record.
std::string PostStatus(const HttpResult& r) {
    switch (r.outcome) {
        case HttpOutcome::Ok:
            return r.status >= 200 && r.status < 300 ? "" : "Error 5 occurred.";
        case HttpOutcome::SetupError:
            return "Error 3 occurred !";
        case HttpOutcome::NetworkError:
            if (r.status == 0 &&
                (r.error.find("onnect") != std::string::npos || r.error.find("resolve") != std::string::npos))
                return "Error 2 occurred !";
            return r.status == 0 && r.error.find("reply") != std::string::npos ? "Error 5 occurred."
                                                                               : "Error 4 occurred.";
        default:
            return "Error 5 occurred.";
    }
}

}  // namespace

HttpRemoteCommandSender::HttpRemoteCommandSender(std::string localAddress, long timeoutSec)
    : timeoutSec_(timeoutSec > 0 ? timeoutSec : 10), local_(std::move(localAddress)) {
    worker_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

HttpRemoteCommandSender::~HttpRemoteCommandSender() {
    {
        // A hang-up queued on the way out must still leave, within bounds.
        std::unique_lock lock(mutex_);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSec_);
        wake_.wait_until(lock, deadline, [&] { return queue_.empty() && !busy_; });
        queue_.clear();
    }
    worker_.request_stop();
    wake_.notify_all();
    worker_.join();
}

void HttpRemoteCommandSender::Send(const std::string& host, int port, RemoteCommand record) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({host, port, record.Encode()});
    }
    wake_.notify_all();
}

void HttpRemoteCommandSender::SetLocalAddress(std::string localAddress) {
    std::lock_guard lock(mutex_);
    local_ = std::move(localAddress);
}

std::string HttpRemoteCommandSender::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void HttpRemoteCommandSender::Run(std::stop_token stop) {
    HttpClient client;
    for (;;) {
        Item item;
        std::string local;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [&] { return !queue_.empty(); })) return;
            item = std::move(queue_.front());
            queue_.pop_front();
            local = local_;
            busy_ = true;
        }
        HttpRequest request;
        request.url = "http://" + JoinHostPort(item.host, item.port) + "/~SKYCMD";
        request.post = true;
        request.body = std::move(item.body);
        request.contentType = "application/x-www-form-urlencoded";
        request.localAddress = local;
        request.connectTimeoutSec = timeoutSec_;
        request.totalTimeoutSec = timeoutSec_;
        request.maxRedirects = 0;
        request.stop = stop;
        std::string discarded;
        HttpResult result = client.Fetch(request, &discarded);
        std::string status = PostStatus(result);
        if (!status.empty())
            LogWarn("chat", "remote command to " + JoinHostPort(item.host, item.port) + ": " + status + " (" +
                                result.error + ")");
        {
            std::lock_guard lock(mutex_);
            status_ = status;
        }
        if (posted) posted(item.host, status.empty());
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        wake_.notify_all();
    }
}

}  // namespace sky::chat
