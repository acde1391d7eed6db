#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/sandbox.h"

namespace sky::webspace::test {

// A loopback HTTP hop in front of the member service that keeps every
// POST body as it came off the wire. With `stall` set it takes requests
// and never answers.
class RecordingProxy {
public:
    explicit RecordingProxy(int servicePort) : servicePort_(servicePort) {
        fd_ = sky::test::ListenOnLoopback(&port_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RecordingProxy() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> bodies() const {
        std::lock_guard lock(mutex_);
        return bodies_;
    }
    std::atomic<bool> stall{false};

private:
    static sockaddr_in Loopback(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(uint16_t(port));
        return a;
    }
    static bool Readable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    // Reads into `data` until `done` holds, the peer closes, or 5 s of silence.
    template <class Done>
    static void ReadUntil(int fd, std::string& data, Done done) {
        char buf[8192];
        ssize_t n;
        while (!done() && Readable(fd, 5000) && (n = ::recv(fd, buf, sizeof buf, 0)) > 0)
            data.append(buf, size_t(n));
    }

    void Serve() {
        while (!stop_) {
            if (!Readable(fd_, 20)) continue;
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            // One request per connection; the client opens another for the next.
            while (!stop_ && Handle(c)) {
            }
            ::close(c);
        }
    }

    bool Handle(int c) {
        std::string in;
        ReadUntil(c, in, [&] { return in.find("\r\n\r\n") != std::string::npos; });
        size_t end = in.find("\r\n\r\n");
        if (end == std::string::npos) return false;
        size_t length = 0;
        std::string head = in.substr(0, end + 4);
        for (std::string name : {"Content-Length:", "content-length:"})
            if (size_t at = head.find(name); at != std::string::npos)
                length = std::strtoul(head.c_str() + at + name.size(), nullptr, 10);
        ReadUntil(c, in, [&] { return in.size() >= end + 4 + length; });
        if (head.rfind("POST ", 0) == 0) {
            std::lock_guard lock(mutex_);
            bodies_.push_back(in.substr(end + 4, length));
        }
        if (stall) {
            while (!stop_ && !Readable(c, 20)) {
            }
            return false;
        }
        // The service closes after its answer, so the answer ends at its close.
        head.insert(head.find("\r\n") + 2, "Connection: close\r\n");
        std::string forward = head + in.substr(end + 4);
        int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(servicePort_);
        std::string answer;
        if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::send(s, forward.data(), forward.size(), MSG_NOSIGNAL) >= 0)
            ReadUntil(s, answer, [] { return false; });
        ::close(s);
        size_t cut = answer.find("\r\n");
        if (cut != std::string::npos) answer.insert(cut + 2, "Connection: close\r\n");
        ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
        return false;
    }

    int servicePort_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> bodies_;
    std::thread thread_;
};

}  // namespace sky::webspace::test
