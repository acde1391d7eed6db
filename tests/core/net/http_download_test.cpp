#include "core/net/http_download.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "support/sandbox.h"
#include "support/scripted_server.h"

namespace sky {
namespace {

TEST(HttpDownload, BodyWithoutLengthIsWrittenWholeAndNothingElseIsLeft) {
    test::Sandbox box;
    std::string body(200000, 'x');
    body += "END";
    test::ScriptedServer server({{"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", body, 8, 5}});
    std::string target = box.path("skytemp.sdf");
    long long lastSeen = 0;
    DownloadOptions options;
    options.progress = [&](long long got, long long total) {
        EXPECT_EQ(total, -1);
        lastSeen = got;
    };
    DownloadResult r = DownloadToFile(server.url("/file.sdf"), target, options);
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
        test::ScriptedServer server(
            {test::ScriptedReply{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n", "not found"}});
        DownloadResult r = DownloadToFile(server.url("/file.sdf"), target);
        EXPECT_EQ(r.status, DownloadStatus::HttpError);
        EXPECT_EQ(r.httpCode, 404);
    }
    {
        // Cancelled mid-transfer: the old file stays, the partial one goes.
        test::ScriptedServer server({{"HTTP/1.0 200 OK\r\n\r\n", std::string(100000, 'y'), 50, 40}});
        std::atomic<bool> cancel{false};
        DownloadOptions options;
        options.cancel = &cancel;
        options.progress = [&](long long got, long long) {
            if (got > 0) cancel = true;
        };
        DownloadResult r = DownloadToFile(server.url("/file.sdf"), target, options);
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
