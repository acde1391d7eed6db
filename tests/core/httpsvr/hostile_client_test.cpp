// What a hostile client or network must not be able to do to the server.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/base/identity.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"
#include "core/httpsvr/hit_log.h"
#include "core/httpsvr/request_handler.h"
#include "server_harness.h"
#include "support/inherited_fds.h"

namespace sky::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Under ASan freed blocks wait in quarantine (256 MB by default) and the
// shadow memory counts too: the resident size no longer shows what the code keeps.
#if defined(__SANITIZE_ADDRESS__)
#define SKY_TEST_UNDER_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SKY_TEST_UNDER_ASAN
#endif
#endif

bool SendAll(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && !line.starts_with("VmRSS:")) continue;
    return line.starts_with("VmRSS:") ? std::stol(line.substr(6)) : -1;
}

// Bytes in the deleted files of our private temporary folder that this process holds open.
uint64_t HeldTempBytes() {
    uint64_t total = 0;
    std::error_code ec;
    for (auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::string name = std::filesystem::read_symlink(fd.path(), ec).string();
        struct stat st {};
        if (!ec && name.starts_with(PrivateTempDir()) && name.ends_with(" (deleted)") &&
            ::stat(fd.path().c_str(), &st) == 0)
            total += static_cast<uint64_t>(st.st_size);
    }
    return total;
}

int ConnectAndSend(int port, const std::string& bytes) {
    int fd = Connect(port);
    return fd >= 0 && SendAll(fd, bytes) ? fd : -1;
}

using HostileClientTest = ServerTest;

TEST_F(HostileClientTest, SlowHeadsCannotKeepARealClientOut) {
    Put("a.txt", "plain text");
    auto o = DefaultOptions();
    o.maxConnections = 40;
    o.headerTimeout = std::chrono::milliseconds(1000);
    Start(o);

    // More slow clients than the server takes, each sending a header byte every 100 ms.
    const auto start = Clock::now();
    std::vector<int> slow;
    std::vector<Clock::duration> lived(60, Clock::duration::max());  // max: still open
    for (int i = 0; i < 60; ++i) {
        slow.push_back(ConnectAndSend(port_, "GET /a.txt HTTP/1.0\r\nX-Slow: "));
        ASSERT_GE(slow.back(), 0);
    }
    std::atomic<bool> trickling{true};
    std::thread trickler([&] {
        for (bool open = true; open && Clock::now() < start + 4s; std::this_thread::sleep_for(100ms)) {
            open = false;
            for (size_t i = 0; i < slow.size(); ++i) {
                if (lived[i] != Clock::duration::max()) continue;
                char buf[512];
                ssize_t n = ::recv(slow[i], buf, sizeof buf, MSG_DONTWAIT);
                if (n == 0 || (n < 0 && errno != EAGAIN)) {
                    lived[i] = Clock::now() - start;
                } else {
                    open = true;
                    ::send(slow[i], "a", 1, MSG_NOSIGNAL);
                }
            }
        }
        trickling = false;
    });

    // A real client gets its answer all through the flood.
    for (int i = 0; i < 3 && trickling; ++i)
        EXPECT_EQ(Curl("'" + Url("/a.txt") + "'").output, "plain text") << i;
    trickler.join();
    for (size_t i = 0; i < slow.size(); ++i) {
        EXPECT_LT(lived[i], 3000ms) << "slow client " << i;
        ::close(slow[i]);
    }
}

TEST_F(HostileClientTest, LargeBodiesWaitOnDiskAndHeldBodiesShareACap) {
    auto o = DefaultOptions();
    o.limits.maxMemoryBodies = 8 << 20;
    Start(o);
    long before = RssKb();
    std::vector<int> fds;
    const std::string mebibyte(1 << 20, 'b');
    // Eight bodies that stop 8 MiB short of their declared 32 MiB.
    for (int i = 0; i < 8; ++i) {
        fds.push_back(ConnectAndSend(port_, "POST /big HTTP/1.0\r\nContent-Length: 33554432\r\n\r\n"));
        ASSERT_GE(fds.back(), 0);
        for (int m = 0; m < 24; ++m) ASSERT_TRUE(SendAll(fds.back(), mebibyte));
    }
    // Forty-eight small ones, each a byte short: only eight fit the 8 MiB held in memory.
    for (int i = 0; i < 48; ++i) {
        fds.push_back(ConnectAndSend(
            port_, "POST /small HTTP/1.0\r\nContent-Length: 1000001\r\n\r\n" + std::string(1000000, 's')));
        ASSERT_GE(fds.back(), 0);
    }
    EXPECT_TRUE(WaitFor([] { return HeldTempBytes() >= 8ull * 24 * (1 << 20) + 40ull * 1000000; }, 30s))
        << HeldTempBytes() << " bytes on disk";
#ifndef SKY_TEST_UNDER_ASAN
    EXPECT_LT(RssKb() - before, 64 * 1024) << "kB more memory for " << (8 * 24 + 48) << " MB of bodies";
#else
    (void)before;
#endif
    for (int fd : fds) ::close(fd);
}

TEST_F(HostileClientTest, ProgramsRunOnLargeBodiesAndAreNeverSentAsText) {
    Put("cgi/count.sh", "#!/bin/sh\necho 'Content-type: text/plain'\necho\n/usr/bin/wc -c\n");
    Put("cgi/secret.sh", "#!/bin/sh\n# PASSWORD=hunter2\necho 'Content-type: text/plain'\necho\necho ran\n");
    for (const char* program : {"/cgi/count.sh", "/cgi/secret.sh"}) ::chmod((root_ + program).c_str(), 0755);
    Start();
    std::string body(3 << 20, 'q');
    Reply r = Exchange(port_, "POST /cgi/count.sh HTTP/1.0\r\nContent-Length: 3145728\r\n\r\n" + body);
    EXPECT_EQ(r.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(Trim(r.body), "3145728");
    // A remote-command record is never that large.
    EXPECT_EQ(Exchange(port_, "POST /~SKYCMD HTTP/1.0\r\nContent-Length: 3145728\r\n\r\n" + body).statusLine,
              "HTTP/1.0 400 Bad Request");
    EXPECT_TRUE(Records().empty());

    for (const char* path : {"/cgi/secret.sh?", "/cgi/SECRET.SH", "/cgi/./secret.sh"})
        EXPECT_EQ(Get(path).raw.find("PASSWORD"), std::string::npos) << path;
    EXPECT_EQ(Exchange(port_, "HEAD /cgi/secret.sh HTTP/1.0\r\n\r\n").raw.find("PASSWORD"),
              std::string::npos);
    Reply ran = Get("/cgi/secret.sh");
    EXPECT_EQ(ran.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(ran.body, "ran\n");
}

TEST_F(HostileClientTest, ListingsLeaveOutLinksThatLeaveTheRoot) {
    Put("list/real.txt", "real");
    Put("a.txt", "inside");
    WriteFile(sandbox_.path("outside/big.bin"), std::string(5000, 'o'));
    std::filesystem::create_symlink(sandbox_.path("outside/big.bin"), root_ + "/list/out.bin");
    std::filesystem::create_directory_symlink(sandbox_.path("outside"), root_ + "/list/outdir");
    std::filesystem::create_symlink(root_ + "/nowhere", root_ + "/list/dangling");
    std::filesystem::create_symlink(root_ + "/a.txt", root_ + "/list/in.txt");
    Start();
    Reply r = Get("/list/");
    EXPECT_EQ(r.statusLine, "HTTP/1.0 200 OK");
    EXPECT_NE(r.body.find(">real.txt</a>"), std::string::npos) << r.body;
    EXPECT_NE(r.body.find("&lt; 1K <a href=\"/list/in.txt\">in.txt</a>"), std::string::npos) << r.body;
    for (const char* name : {"out.bin", "outdir", "dangling", "      4K"})
        EXPECT_EQ(r.body.find(name), std::string::npos) << name << " in\n" << r.body;
}

TEST_F(HostileClientTest, ListenAddressKeepsTheServerToThisMachine) {
    const std::string lan = FirstIPv4Address();
    ASSERT_NE(lan, "Unknown.") << "the test needs an address besides loopback";
    auto o = DefaultOptions();
    o.bindAddress.clear();  // the setting decides: every interface by default
    o.systemInfo = [] { return httpsvr::SystemPageInfo{"alice", "c00kie", "1.5", "120"}; };
    Start(o);
    const std::string system = "GET /~SYSTEM HTTP/1.0\r\n\r\n";
    // From the network the page is there without who this is.
    Reply far = ExchangeAt(lan, port_, system);
    EXPECT_NE(far.body.find("<P>Account:  <BR> Install Cookie:  <BR> Sky Ver: 1.5 <BR>IE Ver:120"),
              std::string::npos)
        << far.body;
    for (const char* secret : {"alice", "c00kie"}) EXPECT_EQ(far.raw.find(secret), std::string::npos);
    // A chat partner at that address sees it all.
    server_->SetChatPeers({lan});
    EXPECT_NE(ExchangeAt(lan, port_, system).body.find("Account: alice <BR> Install Cookie: c00kie"),
              std::string::npos);
    server_->SetChatPeers({});
    EXPECT_EQ(ExchangeAt(lan, port_, system).body.find("c00kie"), std::string::npos);

    server_->Stop();
    o.settings.listenAddress = "127.0.0.1";
    Start(o);
    EXPECT_EQ(ExchangeAt(lan, port_, system).raw, "");
    EXPECT_EQ(Get("/~SYSTEM").statusLine, "HTTP/1.0 404 Not Found");

    // The setting is kept with the others.
    SettingsStore store(sandbox_.path("skyharbor.ini"));
    auto s = httpsvr::ServerSettings::Load(store);
    EXPECT_EQ(s.listenAddress, "");
    s.listenAddress = "127.0.0.1";
    ASSERT_TRUE(s.Save(store));
    EXPECT_EQ(httpsvr::ServerSettings::Load(store).listenAddress, "127.0.0.1");
}

TEST(SystemPageTest, AccountAndCookieOnlyForThisMachineAndChatPartners) {
    httpsvr::HandlerConfig config;
    config.root = "/nonexistent-root";
    config.systemInfo = [] { return httpsvr::SystemPageInfo{"alice", "c00kie", "1.5", "120"}; };
    auto peers = std::make_shared<httpsvr::PeerAddressSet>();
    peers->Add("2001:db8::7");
    config.chatPeers = peers;
    httpsvr::FileRequestHandler handler(config);
    auto page = [&](const char* peer) {
        httpsvr::CRequest request;
        request.method = "GET";
        request.url = "/~system";
        request.clientAddress = peer;
        return handler.Handle(request).head;
    };
    for (const char* peer : {"127.0.0.1", "127.1.2.3", "::1", "2001:db8::7"})
        EXPECT_NE(page(peer).find("Account: alice <BR> Install Cookie: c00kie"), std::string::npos) << peer;
    for (const char* peer : {"192.0.2.9", "::ffff:127.0.0.1x", "2001:db8::8", "10.127.0.1", ""})
        EXPECT_EQ(page(peer).find("c00kie"), std::string::npos) << peer;
}

TEST(HitLogTest, KeepsTheLastTenThousandHitsAndTheirRows) {
    httpsvr::HitLog log;
    auto hit = [](const std::string& url) {
        httpsvr::CRequest r;
        r.url = url;
        r.status = 404;
        return httpsvr::MakeHit(r, 1);
    };
    // An address asked for early and again later keeps only its later hits.
    log.Add(hit("/twice"));
    log.Add(hit("/early"));
    EXPECT_FALSE(log.cut());
    const long before = RssKb();
    const std::string pad(1000, 'x');
    size_t removed = 0;
    for (int i = 0; i < 100000; ++i) {
        auto change = log.Add(hit("/missing/" + std::to_string(i) + pad));
        removed += change.removedUrls.size();
        if (i == 50000) log.Add(hit("/twice"));
    }
#ifndef SKY_TEST_UNDER_ASAN
    EXPECT_LT(RssKb() - before, 40 * 1024) << "kB for the hit log";
#endif
    EXPECT_TRUE(log.cut());
    EXPECT_EQ(log.hitCount(), httpsvr::HitLog::kMaxHits);
    EXPECT_EQ(log.rowCount(), httpsvr::HitLog::kMaxHits);
    EXPECT_EQ(removed, 100000u + 2 - 10000u);
    EXPECT_EQ(log.Row("/early"), nullptr);
    EXPECT_EQ(log.Row("/twice"), nullptr);
    EXPECT_EQ(log.Row("/missing/89999" + pad), nullptr);
    ASSERT_NE(log.Row("/missing/99999" + pad), nullptr);
    EXPECT_EQ(log.Row("/missing/90000" + pad)->hits, 1);

    httpsvr::HitLog small(3);
    for (const char* url : {"/a", "/b", "/a", "/a", "/c"}) small.Add(hit(url));
    ASSERT_NE(small.Row("/a"), nullptr);
    EXPECT_EQ(small.Row("/a")->hits, 2);  // the first of its three hits is gone
    EXPECT_EQ(small.Row("/b"), nullptr);
    EXPECT_EQ(small.Row("/c")->hits, 1);
}

// A program started while the server runs (a CGI program, the installer)
// must not hold its port: neither the listener nor a client's connection.
TEST_F(HostileClientTest, AChildProgramInheritsNoServerSocket) {
    Start();
    int client = Connect(port_);
    ASSERT_GE(client, 0);
    ASSERT_TRUE(WaitFor([&] { return SocketsOnPort(port_).size() >= 2; }))
        << "the connection was not accepted";
    std::set<unsigned long> server = SocketsOnPort(port_);
    for (unsigned long inode : SocketsAChildInherits()) EXPECT_EQ(server.count(inode), 0u) << inode;
    ::close(client);
}

}  // namespace
}  // namespace sky::test
