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

#include "support/sandbox.h"

namespace sky::test {

// One answer: the head, then the body in `chunks` pieces with a pause after each.
struct ScriptedReply {
    std::string head;
    std::string body;
    int chunks = 1;
    int pauseMs = 0;
    bool holdLast = false;  // the last piece waits for Release()
};

// A loopback HTTP peer: the n-th connection gets the n-th reply (the last one
// repeats) and is closed after it; request lines are kept.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptedReply> replies) : replies_(std::move(replies)) {
        fd_ = ListenOnLoopback(&port_);
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
    size_t requests() const {
        std::lock_guard lock(mutex_);
        return lines_.size();
    }
    std::string requestLine(size_t n = 0) const {
        std::lock_guard lock(mutex_);
        return n < lines_.size() ? lines_[n] : std::string();
    }
    void Release() { released_ = true; }
    static std::string Ok(size_t length) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) +
               "\r\nConnection: close\r\n\r\n";
    }

private:
    static bool Readable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    void Serve() {
        for (size_t served = 0; !stop_;) {
            if (!Readable(fd_, 20)) continue;
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            std::string head;
            char buf[4096];
            ssize_t n;
            while (head.find("\r\n\r\n") == std::string::npos && Readable(c, 2000) &&
                   (n = ::recv(c, buf, sizeof buf, 0)) > 0)
                head.append(buf, static_cast<size_t>(n));
            {
                std::lock_guard lock(mutex_);
                lines_.push_back(head.substr(0, head.find("\r\n")));
            }
            const ScriptedReply& r = replies_[std::min(served++, replies_.size() - 1)];
            bool sent = ::send(c, r.head.data(), r.head.size(), MSG_NOSIGNAL) >= 0;
            size_t step = r.body.size() / std::max(r.chunks, 1) + 1;
            for (size_t at = 0; sent && !stop_ && at < r.body.size(); at += step) {
                if (r.holdLast && at + step >= r.body.size())
                    while (!released_ && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                sent = ::send(c, r.body.data() + at, std::min(step, r.body.size() - at), MSG_NOSIGNAL) >= 0;
                std::this_thread::sleep_for(std::chrono::milliseconds(r.pauseMs));
            }
            ::close(c);
        }
    }

    std::vector<ScriptedReply> replies_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> released_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

}  // namespace sky::test
