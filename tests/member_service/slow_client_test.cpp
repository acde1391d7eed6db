#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "service_fixture.h"
#include "support/inherited_fds.h"

namespace sky::member::test {
namespace {

// A client that has begun a request and sends the rest slowly, if at all.
class SlowClient {
public:
    explicit SlowClient(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) Close();
    }
    ~SlowClient() { Close(); }
    bool Send(const std::string& s) { return fd_ >= 0 && ::send(fd_, s.data(), s.size(), MSG_NOSIGNAL) > 0; }
    // False once the service has closed its end (whatever it said first).
    bool Open() {
        char buf[512];
        while (fd_ >= 0) {
            ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
            Close();
        }
        return false;
    }

private:
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int fd_ = -1;
};

using SlowClientTest = ServiceTest;

TEST_F(SlowClientTest, FortyHalfSentRequestsLeaveRoomForOthers) {
    std::vector<std::unique_ptr<SlowClient>> slow;
    for (int i = 0; i < 40; ++i) {
        slow.push_back(std::make_unique<SlowClient>(service_->port()));
        ASSERT_TRUE(slow.back()->Send("GET /sky_start/skydata.htm HTTP/1.1\r\nHost: x\r\n")) << i;
    }
    Reply r = HttpGet(Url("/Scripts/SkyReg.dll?Ping"), {}, {}, 8);
    EXPECT_EQ(r.body, "PONG#");
    int open = 0;
    for (auto& c : slow) open += c->Open();
    EXPECT_EQ(open, 40) << "answered only because the slow ones were dropped";

    // Bursts of new connections wait in the kernel rather than being refused.
    std::string cmd = "ss -Hltn 'sport = :" + std::to_string(service_->port()) + "'";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char state[32] = {};
    long recvQ = -1, backlog = -1;
    int fields = std::fscanf(p, "%31s %ld %ld", state, &recvQ, &backlog);
    pclose(p);
    ASSERT_EQ(fields, 3) << cmd;
    EXPECT_GE(backlog, 64);
}

class HeadDeadlineTest : public ServiceTest {
    void Configure(Options& options) override { options.headDeadlineSeconds = 2; }
};

TEST_F(HeadDeadlineTest, ATricklingHeadIsCutOff) {
    SlowClient c(service_->port());
    ASSERT_TRUE(c.Send("GET /sky_start/skydata.htm HTTP/1.1\r\nX-Slow: "));
    // One byte every 100 ms never lets a read time out; at most 20 s.
    int sent = 0;
    bool closed = sky::test::WaitFor(
        [&] {
            c.Send("a");
            ++sent;
            ::usleep(100000);
            return !c.Open();
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(closed) << "still reading the head after " << sent << " bytes";
    // Whoever is quick is still served.
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Ping").body, "PONG#");
}

// The service runs inside the program, which starts other programs: they
// must not keep its listening socket or a client's connection.
TEST_F(SlowClientTest, AChildProgramInheritsNoServiceSocket) {
    SlowClient client(service_->port());
    ASSERT_TRUE(client.Send("GET /ping HTTP/1.1\r\n"));
    // A worker marks the connection as it takes it up: wait for that, not a fixed time.
    bool clean = sky::test::WaitFor(
        [&] {
            std::set<unsigned long> service = sky::test::SocketsOnPort(service_->port());
            if (service.size() < 2) return false;
            for (unsigned long inode : sky::test::SocketsAChildInherits())
                if (service.count(inode)) return false;
            return true;
        },
        std::chrono::seconds(5));
    EXPECT_TRUE(clean);
}

}  // namespace
}  // namespace sky::member::test
