// What a hostile client or network must not be able to do to the server.
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
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

// Under ASan freed blocks wait in quarantine (256 MB by default) and the
// shadow memory counts too: the resident size no longer shows what the code keeps.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRssShowsWhatWeKeep = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kRssShowsWhatWeKeep = false;
#else
constexpr bool kRssShowsWhatWeKeep = true;
#endif
#else
constexpr bool kRssShowsWhatWeKeep = true;
#endif

long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// Bytes in the deleted files of our private temporary folder that this process holds open.
uint64_t HeldTempBytes() {
    std::string dir = PrivateTempDir();
    uint64_t total = 0;
    DIR* fds = ::opendir("/proc/self/fd");
    while (dirent* d = fds ? ::readdir(fds) : nullptr) {
        char target[4096];
        std::string link = std::string("/proc/self/fd/") + d->d_name;
        ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        std::string name(target, static_cast<size_t>(n));
        struct stat st {};
        if (name.rfind(dir, 0) == 0 && name.find(" (deleted)") != std::string::npos &&
            ::stat(link.c_str(), &st) == 0)
            total += static_cast<uint64_t>(st.st_size);
    }
    if (fds) ::closedir(fds);
    return total;
}

bool SendAll(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

class HostileClientTest : public ServerTest {};

TEST_F(HostileClientTest, SlowHeadsCannotKeepARealClientOut) {
    Put("a.txt", "plain text");
    auto o = DefaultOptions();
    o.maxConnections = 40;
    o.headerTimeout = std::chrono::milliseconds(1000);
    Start(o);

    // More slow clients than the server takes, each sending a header byte every 100 ms.
    struct Slow {
        int fd;
        Clock::time_point opened;
        Clock::duration lived{};
        bool closed = false;
    };
    std::vector<Slow> slow;
    for (int i = 0; i < 60; ++i) {
        int fd = Connect(port_);
        ASSERT_GE(fd, 0);
        SendAll(fd, "GET /a.txt HTTP/1.0\r\nX-Slow: ");
        slow.push_back({fd, Clock::now()});
    }
    std::atomic<bool> trickling{true};
    std::thread trickler([&] {
        auto end = Clock::now() + std::chrono::seconds(4);
        while (Clock::now() < end) {
            bool open = false;
            for (auto& s : slow) {
                if (s.closed) continue;
                char buf[512];
                ssize_t n = ::recv(s.fd, buf, sizeof buf, MSG_DONTWAIT);
                if (n == 0 || (n < 0 && errno != EAGAIN)) {
                    s.closed = true;
                    s.lived = Clock::now() - s.opened;
                    continue;
                }
                open = true;
                ::send(s.fd, "a", 1, MSG_NOSIGNAL);
            }
            if (!open) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        trickling = false;
    });

    // A real client gets its answer all through the flood.
    for (int i = 0; i < 3 && trickling; ++i) {
        CurlResult c = Curl("'" + Url("/a.txt") + "'");
        EXPECT_EQ(c.output, "plain text") << "request " << i;
    }
    trickler.join();
    for (size_t i = 0; i < slow.size(); ++i) {
        EXPECT_TRUE(slow[i].closed) << "slow client " << i << " still open";
        EXPECT_LT(slow[i].lived, std::chrono::milliseconds(3000)) << "slow client " << i;
        ::close(slow[i].fd);
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
        int fd = Connect(port_);
        ASSERT_GE(fd, 0);
        fds.push_back(fd);
        ASSERT_TRUE(SendAll(fd, "POST /big HTTP/1.0\r\nContent-Length: 33554432\r\n\r\n"));
        for (int m = 0; m < 24; ++m) ASSERT_TRUE(SendAll(fd, mebibyte));
    }
    // Forty-eight small ones, each a byte short: only eight fit the 8 MiB held in memory.
    const std::string million(1000000, 's');
    for (int i = 0; i < 48; ++i) {
        int fd = Connect(port_);
        ASSERT_GE(fd, 0);
        fds.push_back(fd);
        ASSERT_TRUE(SendAll(fd, "POST /small HTTP/1.0\r\nContent-Length: 1000001\r\n\r\n" + million));
    }
    const uint64_t onDisk = 8ull * 24 * (1 << 20) + 40ull * 1000000;
    EXPECT_TRUE(WaitFor([&] { return HeldTempBytes() >= onDisk; }, std::chrono::seconds(30)))
        << HeldTempBytes() << " bytes on disk";
    long grown = RssKb() - before;
    EXPECT_LT(grown, 64 * 1024) << "kB more memory for " << (8 * 24 + 48) << " MB of bodies";
    for (int fd : fds) ::close(fd);
}

TEST_F(HostileClientTest, AProgramGetsALargeBodyFromItsFile) {
    Put("cgi/count.sh", "#!/bin/sh\necho 'Content-type: text/plain'\necho\n/usr/bin/wc -c\n");
    ::chmod((root_ + "/cgi/count.sh").c_str(), 0755);
    Start();
    std::string body(3 << 20, 'q');
    Reply r = Exchange(port_, "POST /cgi/count.sh HTTP/1.0\r\nContent-Length: 3145728\r\n\r\n" + body);
    EXPECT_EQ(r.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(Trim(r.body), "3145728");
    // A remote-command record is never that large.
    EXPECT_EQ(Exchange(port_, "POST /~SKYCMD HTTP/1.0\r\nContent-Length: 3145728\r\n\r\n" + body).statusLine,
              "HTTP/1.0 400 Bad Request");
    EXPECT_TRUE(Records().empty());
}

TEST_F(HostileClientTest, ProgramsRunAndAreNeverSentAsText) {
    Put("cgi/secret.sh", "#!/bin/sh\n# PASSWORD=hunter2\necho 'Content-type: text/plain'\necho\necho ran\n");
    ::chmod((root_ + "/cgi/secret.sh").c_str(), 0755);
    Start();
    for (const char* request : {"GET /cgi/secret.sh HTTP/1.0\r\n\r\n", "GET /cgi/secret.sh? HTTP/1.0\r\n\r\n",
                                "GET /cgi/SECRET.SH HTTP/1.0\r\n\r\n", "HEAD /cgi/secret.sh HTTP/1.0\r\n\r\n",
                                "GET /cgi/./secret.sh HTTP/1.0\r\n\r\n"}) {
        Reply r = Exchange(port_, request);
        EXPECT_EQ(r.raw.find("PASSWORD"), std::string::npos) << request;
    }
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
    EXPECT_NE(Get("/~SYSTEM").body.find("Account: alice <BR> Install Cookie: c00kie <BR> Sky Ver: 1.5"),
              std::string::npos);
    // From the network the page is there without who this is.
    Reply far = ExchangeAt(lan, port_, system);
    EXPECT_NE(far.body.find("<P>Account:  <BR> Install Cookie:  <BR> Sky Ver: 1.5 <BR>IE Ver:120"),
              std::string::npos)
        << far.body;
    EXPECT_EQ(far.raw.find("alice"), std::string::npos);
    EXPECT_EQ(far.raw.find("c00kie"), std::string::npos);
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
    auto page = [&](const std::string& peer) {
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
    if (kRssShowsWhatWeKeep) {
        EXPECT_LT(RssKb() - before, 40 * 1024) << "kB for the hit log";
    }
    EXPECT_TRUE(log.cut());
    EXPECT_EQ(log.hitCount(), httpsvr::HitLog::kMaxHits);
    EXPECT_EQ(log.rowCount(), httpsvr::HitLog::kMaxHits);
    EXPECT_EQ(log.Rows().size(), httpsvr::HitLog::kMaxHits);
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
