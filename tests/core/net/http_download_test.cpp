#include "core/net/http_download.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "support/sandbox.h"

namespace sky {
namespace {

// A one-shot HTTP peer: answers the first request with `head` and then the
// body in chunks, pausing between them, and closes (no Content-Length needed).
class ScriptedServer {
public:
    ScriptedServer(std::string head, std::string body, int chunks = 1, int pauseMs = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([=, this] {
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            char buf[4096];
            (void)::recv(c, buf, sizeof buf, 0);
            (void)::send(c, head.data(), head.size(), MSG_NOSIGNAL);
            size_t step = body.size() / chunks + 1;
            for (size_t at = 0; at < body.size(); at += step) {
                if (::send(c, body.data() + at, std::min(step, body.size() - at), MSG_NOSIGNAL) < 0) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            }
            ::close(c);
        });
    }
    ~ScriptedServer() {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/file.sdf"; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

TEST(HttpDownload, BodyWithoutLengthIsWrittenWholeAndNothingElseIsLeft) {
    test::Sandbox box;
    std::string body(200000, 'x');
    body += "END";
    ScriptedServer server("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", body, 8, 5);
    std::string target = box.path("skytemp.sdf");
    long long lastSeen = 0;
    DownloadOptions options;
    options.progress = [&](long long got, long long total) {
        EXPECT_EQ(total, -1);
        lastSeen = got;
    };
    DownloadResult r = DownloadToFile(server.url(), target, options);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(test::ReadFile(target), body);
    EXPECT_EQ(lastSeen, static_cast<long long>(body.size()));
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(box.home()))
        files += e.path().filename() != "skyharbor.ini";
    EXPECT_EQ(files, 1);  // no temporary file left behind
}

TEST(HttpDownload, FailuresKeepTheOldFile) {
    test::Sandbox box;
    std::string target = box.path("local.sky");
    test::WriteFile(target, "old");
    {
        ScriptedServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n", "not found");
        DownloadResult r = DownloadToFile(server.url(), target);
        EXPECT_EQ(r.status, DownloadStatus::HttpError);
        EXPECT_EQ(r.httpCode, 404);
    }
    {
        // Cancelled mid-transfer: the old file stays, the partial one goes.
        ScriptedServer server("HTTP/1.0 200 OK\r\n\r\n", std::string(100000, 'y'), 50, 40);
        std::atomic<bool> cancel{false};
        DownloadOptions options;
        options.cancel = &cancel;
        options.progress = [&](long long got, long long) {
            if (got > 0) cancel = true;
        };
        DownloadResult r = DownloadToFile(server.url(), target, options);
        EXPECT_EQ(r.status, DownloadStatus::Cancelled);
    }
    {
        int port = test::FreePort();
        DownloadResult r = DownloadToFile("http://127.0.0.1:" + std::to_string(port) + "/x", target);
        EXPECT_EQ(r.status, DownloadStatus::NetworkError);
    }
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.home()), {}), 1);

    DownloadResult r = DownloadToFile("file://" + target, box.path("missing/dir/out.sky"));
    EXPECT_EQ(r.status, DownloadStatus::WriteError);
    EXPECT_FALSE(r.error.empty());
}

}  // namespace
}  // namespace sky
