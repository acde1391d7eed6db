#include "server_harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "core/base/text_util.h"

namespace sky::test {

// Reads until the server closes `fd` (or the time is up), then closes it.
Reply ReadReply(int fd, int timeoutMs);

std::string Reply::Header(const std::string& name) const {
    size_t at = 0;
    while (at < head.size()) {
        size_t end = head.find("\r\n", at);
        if (end == std::string::npos) end = head.size();
        std::string line = head.substr(at, end - at);
        size_t colon = line.find(':');
        if (colon != std::string::npos && EqualsNoCase(line.substr(0, colon), name)) {
            return Trim(line.substr(colon + 1));
        }
        at = end + 2;
    }
    return {};
}

int Connect(int port, const std::string& address) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Reply Exchange(int port, const std::string& bytes, size_t chunk, int timeoutMs) {
    if (!chunk) return ExchangeAt("127.0.0.1", port, bytes, timeoutMs);
    Reply reply;
    int fd = Connect(port);
    if (fd < 0) return reply;
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        if (::send(fd, bytes.data() + at, std::min(chunk, bytes.size() - at), MSG_NOSIGNAL) < 0) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return ReadReply(fd, timeoutMs);
}

Reply ReadReply(int fd, int timeoutMs) {
    Reply reply;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buf[65536];
    while (true) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            reply.closed = true;
            break;
        }
        reply.raw.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    size_t eol = reply.raw.find("\r\n");
    size_t end = reply.raw.find("\r\n\r\n");
    if (eol != std::string::npos) reply.statusLine = reply.raw.substr(0, eol);
    if (end != std::string::npos) {
        reply.head = reply.raw.substr(eol + 2, end + 2 - (eol + 2));
        reply.body = reply.raw.substr(end + 4);
    }
    return reply;
}

Reply ExchangeAt(const std::string& address, int port, const std::string& bytes, int timeoutMs) {
    int fd = Connect(port, address);
    if (fd < 0) return Reply();
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    return ReadReply(fd, timeoutMs);
}

CurlResult Curl(const std::string& args) {
    CurlResult r;
    std::string cmd = "curl -sS --max-time 20 " + args + " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

ServerTest::ServerTest() {
    root_ = sandbox_.path("root");
    std::filesystem::create_directories(root_);
}

ServerTest::~ServerTest() {
    if (server_) server_->Stop();
}

httpsvr::ServerOptions ServerTest::DefaultOptions() {
    httpsvr::ServerOptions o;
    o.settings.root = root_;
    o.settings.serverName = "testhost";
    o.settings.port = 0;
    o.bindAddress = "127.0.0.1";
    return o;
}

void ServerTest::Start(httpsvr::ServerOptions options) {
    httpsvr::ServerCallbacks callbacks;
    callbacks.remoteCommand = [this](const chat::RemoteCommand& record, const std::string& peer) {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.push_back({record, peer});
    };
    callbacks.hit = [this](const httpsvr::CHitDoc& hit) {
        std::lock_guard<std::mutex> lock(mutex_);
        hits_.push_back(hit);
    };
    server_ = std::make_unique<httpsvr::HttpServer>(std::move(options), callbacks);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    port_ = server_->port();
}

void ServerTest::Put(const std::string& relative, const std::string& data) {
    WriteFile(root_ + "/" + relative, data);
}

std::string ServerTest::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<ServerTest::Received> ServerTest::Records() {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
}

}  // namespace sky::test
