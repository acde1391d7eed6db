#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "core/base/job.h"
#include "core/net/mail_socket.h"

namespace sky {
namespace {

// A loopback listener that accepts (through the backlog) and never speaks.
struct SilentListener {
    int fd = -1, port = 0;
    SilentListener() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~SilentListener() { ::close(fd); }
};

TEST(JobTest, CancelEndsABlockedReadAtOnceAndTheJobCanRunAgain) {
    SilentListener peer;
    Job job;
    std::atomic<int> reads{0};
    std::atomic<bool> reading{false};
    auto body = [&](std::stop_token stop) {
        MailSocket socket;
        if (socket.Connect("127.0.0.1", peer.port) != 0) return;
        std::stop_callback unblock(stop, [&] { socket.Cancel(); });
        std::string line;
        reading = true;
        socket.ReadLine(&line, 100, 60);
        reading = false;
        ++reads;
    };
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(job.Start(body));
        EXPECT_FALSE(job.Start(body));  // busy
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!reading && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        ASSERT_TRUE(reading.load());
        auto start = std::chrono::steady_clock::now();
        job.Cancel();
        job.Join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_FALSE(job.IsRunning());
        EXPECT_EQ(reads.load(), round + 1);
    }
}

TEST(JobTest, StopFlagFollowsTheToken) {
    std::stop_source source;
    StopFlag flag(source.get_token());
    EXPECT_FALSE(flag.get()->load());
    source.request_stop();
    EXPECT_TRUE(flag.stopped());
    // A token already stopped sets the flag at once.
    StopFlag late(source.get_token());
    EXPECT_TRUE(late.stopped());
}

}  // namespace
}  // namespace sky
