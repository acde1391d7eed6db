#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sky::test {

// One scripted answer: the head as given, then the body in `chunks` pieces
// with a pause after each, then the connection is closed.
struct ScriptedReply {
    std::string head;
    std::string body;
    int chunks = 1;
    int pauseMs = 0;
};

// A loopback HTTP peer that answers the n-th connection with the n-th reply
// (the last one repeats) and keeps every request head it read.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptedReply> replies) : replies_(std::move(replies)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 8);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return "http://" + host() + path; }
    std::vector<std::string> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // The first line of the n-th request, "" when there was none.
    std::string requestLine(size_t n = 0) const {
        auto all = requests();
        return n < all.size() ? all[n].substr(0, all[n].find("\r\n")) : std::string();
    }

    static std::string Ok(size_t length) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) +
               "\r\nConnection: close\r\n\r\n";
    }

private:
    void Serve() {
        for (size_t served = 0; !stop_;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            std::string head;
            char buf[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                pollfd q{c, POLLIN, 0};
                if (::poll(&q, 1, 2000) <= 0) break;
                ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                head.append(buf, static_cast<size_t>(n));
            }
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(head);
            }
            const ScriptedReply& r = replies_[std::min(served++, replies_.size() - 1)];
            (void)::send(c, r.head.data(), r.head.size(), MSG_NOSIGNAL);
            size_t step = r.body.size() / std::max(r.chunks, 1) + 1;
            for (size_t at = 0; at < r.body.size() && !stop_; at += step) {
                if (::send(c, r.body.data() + at, std::min(step, r.body.size() - at), MSG_NOSIGNAL) < 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(r.pauseMs));
            }
            ::close(c);
        }
    }

    std::vector<ScriptedReply> replies_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace sky::test
