#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/net/mail_socket.h"
#include "support/sandbox.h"

namespace sky {
namespace {

TEST(MailSocketTest, ServerAddresses) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    } cases[] = {
        {"mail.example.net", "mail.example.net", 0},
        {"mail.example.net:2525", "mail.example.net", 2525},
        {"[::1]:995", "::1", 995},
        {"::1", "::1", 0},
        {"jane@pop.example.net", "pop.example.net", 0},
        {"a@b@10.0.0.1:110", "10.0.0.1", 110},
        {"host:99999", "host", 0},
    };
    for (const Case& c : cases) {
        ServerAddress a = ParseServerAddress(c.text);
        EXPECT_EQ(a.host, c.host) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
    }
    EXPECT_EQ(ParseMailSecurity(" STARTTLS "), MailSecurity::kStartTls);
    EXPECT_EQ(ParseMailSecurity("bogus"), MailSecurity::kNone);
    std::string tok;
    EXPECT_EQ(MailSocket::Token("+OK  1 (1200 octets)", " ()", 2, &tok), 0);
    EXPECT_EQ(tok, "1200");
    EXPECT_EQ(MailSocket::Token("+OK", " ", 1, &tok), 1);
}

// A listener on ::1 that sends `data` to its one client and keeps the
// connection open until told to stop.
class Ipv6Peer {
public:
    explicit Ipv6Peer(std::string data) : data_(std::move(data)) {
        fd_ = socket(AF_INET6, SOCK_STREAM, 0);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, 1);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin6_port);
        thread_ = std::thread([this] {
            int c = accept(fd_, nullptr, nullptr);
            send(c, data_.data(), data_.size(), MSG_NOSIGNAL);
            while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            close(c);
        });
    }
    ~Ipv6Peer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    int port() const { return port_; }

private:
    std::string data_;
    int fd_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(MailSocketTest, LinesOverIpv6WithTimeoutAndCancel) {
    Ipv6Peer peer("+OK one\r\n" + std::string(100, 'x') + "\r\nrest");
    MailSocket s;
    ASSERT_EQ(s.Connect("::1", peer.port()), 0) << s.lastError();
    EXPECT_EQ(s.Connect("::1", peer.port()), 1);  // already open
    std::string line;
    EXPECT_EQ(s.ReadLine(&line, 512, 5), 9);
    EXPECT_EQ(line, "+OK one\r\n");
    // A long line comes in pieces of the given size.
    EXPECT_EQ(s.ReadLine(&line, 64, 5), 64);
    EXPECT_EQ(s.ReadLine(&line, 64, 5), 38);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");

    // Nothing more comes: the read gives up after its time-out with what it has.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.ReadLine(&line, 512, 1), 4);
    EXPECT_EQ(line, "rest");
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(3));

    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        s.Cancel();
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.ReadLine(&line, 512, 30), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    canceller.join();
    EXPECT_FALSE(s.Send("more\r\n"));
}

TEST(MailSocketTest, RefusedAndUnresolvable) {
    MailSocket s;
    EXPECT_EQ(s.Connect("127.0.0.1", test::FreePort()), 3);
    EXPECT_EQ(s.Connect("no-such-host.invalid", 110), 1);
    EXPECT_EQ(s.Connect("", 110), 1);
}

}  // namespace
}  // namespace sky
