#include "core/net/http_client.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <stop_token>
#include <thread>

#include "support/sandbox.h"
#include "support/scripted_server.h"

namespace sky {
namespace {

// Takes one whole request (head and Content-Length body) and answers it.
class CapturingServer {
public:
    explicit CapturingServer(std::string reply) : reply_(std::move(reply)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            int c = ::accept(fd_, nullptr, nullptr);
            char buf[4096];
            ssize_t n;
            while ((n = ::recv(c, buf, sizeof buf, 0)) > 0) {
                request_.append(buf, static_cast<size_t>(n));
                size_t end = request_.find("\r\n\r\n");
                if (end == std::string::npos) continue;
                size_t at = request_.find("Content-Length: ");
                size_t length = at == std::string::npos ? 0 : std::stoul(request_.substr(at + 16));
                if (request_.size() >= end + 4 + length) break;
            }
            ::send(c, reply_.data(), reply_.size(), MSG_NOSIGNAL);
            ::close(c);
        });
    }
    ~CapturingServer() {
        thread_.join();
        ::close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/Scripts/Userdata.dll"; }
    const std::string& request() const { return request_; }  // after the transfer

private:
    std::string reply_;
    int fd_ = -1;
    int port_ = 0;
    std::string request_;
    std::thread thread_;
};

TEST(HttpClient, PostsABodyAndKeepsTheAnswerWithinItsLimit) {
    std::string body("rec\0ord&x=1", 11);
    CapturingServer server(test::ScriptedServer::Ok(10) + "0123456789");
    HttpClient client;
    HttpRequest request;
    request.url = server.url();
    request.post = true;
    request.body = body;
    request.contentType = "application/octet-stream";
    request.headers = {"X-Sky: 1"};
    request.maxBytes = 4;
    std::string answer;
    HttpResult r = client.Fetch(request, &answer);
    EXPECT_EQ(r.outcome, HttpOutcome::LimitReached) << r.error;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(answer, "0123");
    EXPECT_EQ(r.bytes, 4);

    const std::string& got = server.request();
    EXPECT_TRUE(got.starts_with("POST /Scripts/Userdata.dll HTTP/1.1\r\n")) << got;
    EXPECT_NE(got.find("\r\nContent-Type: application/octet-stream\r\n"), std::string::npos) << got;
    EXPECT_NE(got.find("\r\nX-Sky: 1\r\n"), std::string::npos) << got;
    EXPECT_TRUE(got.ends_with("\r\n\r\n" + body));

    // The same client again, now a plain GET without limits.
    test::ScriptedServer second({{test::ScriptedServer::Ok(5), "hello"}});
    HttpRequest get;
    get.url = second.url("/again");
    EXPECT_TRUE(client.Fetch(get, &answer).ok());
    EXPECT_EQ(answer, "hello");
    EXPECT_EQ(second.requestLine(), "GET /again HTTP/1.1");
}

TEST(HttpClient, StopTokenAndTimeLimitEndASlowAnswer) {
    // Ten slow pieces: the whole answer would take five seconds.
    test::ScriptedReply slow{"HTTP/1.0 200 OK\r\n\r\n", std::string(10, 'x'), 10, 500};
    test::ScriptedServer server({slow});
    HttpClient client;
    std::string body;
    {
        std::stop_source source;
        HttpRequest request;
        request.url = server.url("/slow");
        request.stop = source.get_token();
        std::atomic<bool> started{false};
        request.progress = [&](long long got, long long) {
            if (got > 0) started = true;
        };
        std::jthread stopper([&] {
            test::WaitFor([&] { return started.load(); });
            source.request_stop();
        });
        auto start = std::chrono::steady_clock::now();
        HttpResult r = client.Fetch(request, &body);
        EXPECT_EQ(r.outcome, HttpOutcome::Cancelled);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    }
    HttpRequest request;
    request.url = server.url("/slow");
    request.totalTimeoutSec = 1;
    HttpResult r = client.Fetch(request, &body);
    EXPECT_EQ(r.outcome, HttpOutcome::NetworkError);
    EXPECT_FALSE(r.error.empty());
    EXPECT_LT(body.size(), 10u);
}

TEST(HttpClient, ConnectionsAreNotInherited) {
    test::ScriptedServer server({{"HTTP/1.0 200 OK\r\n\r\n", std::string(4000, 'x'), 4, 100}});
    HttpClient client;
    HttpRequest request;
    request.url = server.url("/");
    int sockets = 0, inheritable = 0;
    request.progress = [&](long long got, long long) {
        if (got == 0 || sockets > 0) return;
        for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
            int fd = std::stoi(e.path().filename());
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
            // Only the client's connections: those whose peer is the server.
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0 ||
                peer.sin_family != AF_INET || ntohs(peer.sin_port) != server.port())
                continue;
            bool cloexec = ::fcntl(fd, F_GETFD) & FD_CLOEXEC;
            ++sockets;
            inheritable += !cloexec;
        }
    };
    std::string body;
    EXPECT_TRUE(client.Fetch(request, &body).ok());
    EXPECT_GE(sockets, 1);
    EXPECT_EQ(inheritable, 0);
}

}  // namespace
}  // namespace sky
