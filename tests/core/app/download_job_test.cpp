#include "core/app/download_job.h"
#include "core/base/job.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "support/scripted_server.h"
#include "support/sandbox.h"

namespace sky {
namespace {

// Every report of a job, in order: "size N", "chunk N", "cancelled", "finished N".
struct Recorder {
    std::vector<std::string> log;
    long long bytes = 0;
    int chunks = 0;
    DownloadJobEvents events() {
        return {[this](long long total) { log.push_back("size " + std::to_string(total)); },
                [this](long long n) {
                    log.push_back("chunk " + std::to_string(n));
                    bytes += n;
                    ++chunks;
                },
                [this] { log.push_back("cancelled"); },
                [this](int code) { log.push_back("finished " + std::to_string(code)); }};
    }
};

size_t FilesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(DownloadJob, WithoutLengthTheSizeIsZeroAndChunksStillCount) {
    test::Sandbox box;
    std::string body(120000, 'c');
    test::ScriptedServer server({test::ScriptedReply{"HTTP/1.0 200 OK\r\n\r\n", body, 6, 20}});
    DownloadJobSpec spec;
    spec.url = server.url("/skychan1.sky");
    spec.target = box.path("skytemp.sdf");
    Recorder rec;
    EXPECT_EQ(RunDownloadJob(spec, rec.events()), download_result::kOk);
    const auto& log = rec.log;
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "size 0");
    EXPECT_EQ(log.back(), "finished 0");
    EXPECT_EQ(rec.bytes, 120000);
    EXPECT_GT(rec.chunks, 1);
    EXPECT_EQ(test::ReadFile(spec.target), body);
    EXPECT_EQ(server.requestLine(), "GET /skychan1.sky HTTP/1.1");
}

TEST(DownloadJob, WithLengthOnItsOwnThread) {
    test::Sandbox box;
    std::string body(50000, 'i');
    test::ScriptedServer server(
        {{test::ScriptedServer::Ok(body.size()), body, 3, 10}, {test::ScriptedServer::Ok(0), ""}});
    DownloadJobSpec spec;
    spec.url = server.url("/bin/skysetup.exe");
    spec.target = box.path("skysetup.exe");
    spec.id = DownloadJobId::Installer;
    Recorder rec;
    // On a job's thread, as the program runs it.
    Job job;
    job.Start([&](std::stop_token) { RunDownloadJob(spec, rec.events()); });
    job.Join();
    const auto& log = rec.log;
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "size 50000");
    EXPECT_EQ(log.back(), "finished 0");
    EXPECT_EQ(rec.bytes, 50000);
    EXPECT_EQ(test::ReadFile(spec.target), body);

    // An empty body still reports its size before it finishes.
    Recorder empty;
    spec.target = box.path("empty.sdf");
    EXPECT_EQ(RunDownloadJob(spec, empty.events()), download_result::kOk);
    EXPECT_EQ(empty.log, (std::vector<std::string>{"size 0", "finished 0"}));
    EXPECT_TRUE(std::filesystem::exists(spec.target));
}

TEST(DownloadJob, FailuresLeaveTheTargetAsItWas) {
    test::Sandbox box;
    std::string target = box.path("skytemp.sdf");
    test::WriteFile(target, "old");
    DownloadJobSpec spec;
    spec.target = target;
    {
        test::ScriptedServer server(
            {test::ScriptedReply{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n", "not found"}});
        spec.url = server.url("/skychan1.sky");
        Recorder rec;
        EXPECT_EQ(RunDownloadJob(spec, rec.events()), download_result::kUrlNotOpened);
        EXPECT_EQ(rec.log.back(), "finished -20");
        EXPECT_EQ(rec.chunks, 0);  // the error page is not counted as progress
    }
    spec.url = "http://127.0.0.1:" + std::to_string(test::FreePort()) + "/x";
    EXPECT_EQ(RunDownloadJob(spec, {}), download_result::kUrlNotOpened);
    spec.url = "";
    EXPECT_EQ(RunDownloadJob(spec, {}), download_result::kNoSession);
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(FilesIn(box.home()), 1u);

    // A target that cannot be created.
    test::ScriptedServer server({test::ScriptedReply{test::ScriptedServer::Ok(3), "new"}});
    spec.url = server.url("/skychan1.sky");
    spec.target = box.path("no/such/folder/skytemp.sdf");
    Recorder rec;
    EXPECT_EQ(RunDownloadJob(spec, rec.events()), download_result::kCannotCreate);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"finished -36"}));
}

TEST(DownloadJob, CancelStopsBeforeTheNextPiece) {
    test::Sandbox box;
    test::ScriptedServer server(
        {test::ScriptedReply{"HTTP/1.0 200 OK\r\n\r\n", std::string(400000, 'z'), 100, 30}});
    std::atomic<bool> cancel{false};
    DownloadJobSpec spec;
    spec.url = server.url("/bin/skysetup.exe");
    spec.target = box.path("skysetup.exe");
    spec.cancel = &cancel;
    Recorder rec;
    DownloadJobEvents events = rec.events();
    auto count = events.chunkWritten;
    events.chunkWritten = [&](long long bytes) {
        count(bytes);
        cancel = true;
    };
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunDownloadJob(spec, events), download_result::kCancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // not the whole 3 s body
    const auto& log = rec.log;
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "size 0");
    EXPECT_EQ(log[1].rfind("chunk ", 0), 0u);
    EXPECT_EQ(log[log.size() - 2], "cancelled");
    EXPECT_EQ(log.back(), "finished -41");
    EXPECT_LT(rec.bytes, 400000);
    EXPECT_EQ(FilesIn(box.home()), 0u);  // no partial file, temporary or not
}

TEST(DownloadJob, ProgressPositionAtTheEdges) {
    EXPECT_EQ(ProgressPosition(500, 0), 0);
    EXPECT_EQ(ProgressPosition(500, -1), 0);
    EXPECT_EQ(ProgressPosition(0, 1000), 0);
    EXPECT_EQ(ProgressPosition(-5, 1000), 0);
    EXPECT_EQ(ProgressPosition(1, 1000), 60);
    EXPECT_EQ(ProgressPosition(999, 1000), 59940);
    EXPECT_EQ(ProgressPosition(1000, 1000), kProgressRange);
    EXPECT_EQ(ProgressPosition(5000, 1000), kProgressRange);
    const long long gib = 1LL << 30;
    EXPECT_EQ(ProgressPosition(3 * gib / 2, 3 * gib), 30000);
    EXPECT_EQ(ProgressPosition(5 * gib - 1, 5 * gib), 59999);
    EXPECT_EQ(ProgressPosition(1, 5 * gib), 0);
    EXPECT_EQ(ProgressPosition(LLONG_MAX / 2, LLONG_MAX), 29999);
}

}  // namespace
}  // namespace sky
