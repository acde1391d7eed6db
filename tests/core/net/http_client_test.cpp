#include "core/net/http_client.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <chrono>
#include <filesystem>
#include <stop_token>
#include <thread>

#include "support/sandbox.h"
#include "support/scripted_server.h"

namespace sky {
namespace {

// Takes one whole request (head and Content-Length body) and answers it.
struct CapturingServer {
    explicit CapturingServer(std::string reply) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(fd, 4);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        url = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/Scripts/Userdata.dll";
        thread = std::thread([this, reply] {
            int c = ::accept(fd, nullptr, nullptr);
            char buf[4096];
            for (ssize_t n; (n = ::recv(c, buf, sizeof buf, 0)) > 0;) {
                request.append(buf, static_cast<size_t>(n));
                size_t end = request.find("\r\n\r\n"), at = request.find("Content-Length: ");
                size_t length = at == std::string::npos ? 0 : std::stoul(request.substr(at + 16));
                if (end != std::string::npos && request.size() >= end + 4 + length) break;
            }
            ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
            ::close(c);
        });
    }
    ~CapturingServer() {
        thread.join();
        ::close(fd);
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::string url, request;  // request: read after the transfer
    std::thread thread;
};

HttpRequest Request(const std::string& url) {
    HttpRequest r;
    r.url = url;
    return r;
}

TEST(HttpClient, PostsABodyAndKeepsTheAnswerWithinItsLimit) {
    std::string body("rec\0ord&x=1", 11);
    CapturingServer server(test::ScriptedServer::Ok(10) + "0123456789");
    HttpClient client;
    HttpRequest request = Request(server.url);
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
    const std::string& got = server.request;
    EXPECT_TRUE(got.starts_with("POST /Scripts/Userdata.dll HTTP/1.1\r\n")) << got;
    for (const char* line : {"\r\nContent-Type: application/octet-stream\r\n", "\r\nX-Sky: 1\r\n"})
        EXPECT_NE(got.find(line), std::string::npos) << got;
    EXPECT_TRUE(got.ends_with("\r\n\r\n" + body));

    // The same client again, now a plain GET without limits.
    test::ScriptedServer second({{test::ScriptedServer::Ok(5), "hello"}});
    EXPECT_TRUE(client.Fetch(Request(second.url("/again")), &answer).ok());
    EXPECT_EQ(answer, "hello");
    EXPECT_EQ(second.requestLine(), "GET /again HTTP/1.1");
}

TEST(HttpClient, StopTokenAndTimeLimitEndASlowAnswer) {
    // Ten slow pieces: the whole answer would take five seconds.
    test::ScriptedServer server({{"HTTP/1.0 200 OK\r\n\r\n", std::string(10, 'x'), 10, 500}});
    HttpClient client;
    std::string body;
    std::stop_source source;
    std::atomic<bool> started{false};
    std::jthread stopper([&] {
        test::WaitFor([&] { return started.load(); });
        source.request_stop();
    });
    auto start = std::chrono::steady_clock::now();
    HttpRequest request = Request(server.url("/slow"));
    request.stop = source.get_token();
    request.progress = [&](long long got, long long) { started = started || got > 0; };
    EXPECT_EQ(client.Fetch(request, &body).outcome, HttpOutcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));

    HttpRequest timed = Request(server.url("/slow"));
    timed.totalTimeoutSec = 1;
    HttpResult r = client.Fetch(timed, &body);
    EXPECT_EQ(r.outcome, HttpOutcome::NetworkError);
    EXPECT_FALSE(r.error.empty());
    EXPECT_LT(body.size(), 10u);
}

TEST(HttpClient, ConnectionsAreNotInherited) {
    test::ScriptedServer server({{"HTTP/1.0 200 OK\r\n\r\n", std::string(4000, 'x'), 4, 100}});
    HttpRequest request = Request(server.url("/"));
    int sockets = 0, inheritable = 0;
    request.progress = [&](long long got, long long) {
        if (got == 0 || sockets > 0) return;
        for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
            int fd = std::stoi(e.path().filename());
            // Only the client's connections: those whose peer is the server.
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0 ||
                peer.sin_family != AF_INET || ntohs(peer.sin_port) != server.port())
                continue;
            ++sockets;
            inheritable += !(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        }
    };
    std::string body;
    EXPECT_TRUE(HttpClient().Fetch(request, &body).ok());
    EXPECT_GE(sockets, 1);
    EXPECT_EQ(inheritable, 0);
}

}  // namespace
}  // namespace sky
