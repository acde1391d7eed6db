// Settings, the default root, and `skyharbor-cli serve` as a separate process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/base/identity.h"
#include "core/base/settings_store.h"
#include "core/httpsvr/http_server.h"
#include "core/httpsvr/server_settings.h"
#include "server_harness.h"

extern char** environ;

namespace sky::test {
namespace {

using httpsvr::ServerSettings;

TEST(ServerSettingsTest, DefaultsRoundTripAndMachineName) {
    Sandbox sandbox;
    SettingsStore store(sandbox.path("skyharbor.ini"));
    ServerSettings s = ServerSettings::Load(store);
    EXPECT_EQ(s.root, sandbox.home() + "/PublicFiles");
    EXPECT_EQ(s.port, 8080);
    EXPECT_EQ(s.serverName, ComputerName());
    EXPECT_TRUE(s.showIcons && s.allowListings && s.longListing);
    EXPECT_FALSE(s.startAtStartup || s.ownName);

    s.root = "/srv/www/";
    s.serverName = "typed.example";
    s.port = 9090;
    s.allowListings = false;
    s.startAtStartup = true;
    ASSERT_TRUE(s.Save(store));
    ServerSettings back = ServerSettings::Load(store);
    EXPECT_EQ(back.root, "/srv/www");
    EXPECT_EQ(back.port, 9090);
    EXPECT_FALSE(back.allowListings);
    EXPECT_TRUE(back.startAtStartup);
    // A name the user did not type follows the machine.
    EXPECT_EQ(back.serverName, ComputerName());
    s.ownName = true;
    ASSERT_TRUE(s.Save(store));
    EXPECT_EQ(ServerSettings::Load(store).serverName, "typed.example");
    EXPECT_EQ(store.GetInt("server", "Port", 0), 9090);
}

TEST(ServerSettingsTest, DefaultRootIsMadeOnceWithPageAndIcons) {
    Sandbox sandbox;
    std::string root = httpsvr::DefaultRoot();
    ASSERT_TRUE(httpsvr::CreateDefaultRoot(root));
    EXPECT_NE(ReadFile(root + "/index.htm").find("<html>"), std::string::npos);
    for (const char* icon : {"Blank.gif", "File.gif", "Folder.gif", "Prev.gif"}) {
        std::string gif = ReadFile(root + "/SvrAdmin/" + icon);
        EXPECT_EQ(gif.substr(0, 10), std::string("GIF89a\x10\0\x10\0", 10)) << icon;
        EXPECT_EQ(gif.back(), ';') << icon;
    }
    EXPECT_NE(httpsvr::IconGif("File.gif"), httpsvr::IconGif("Folder.gif"));
    WriteFile(root + "/index.htm", "mine");
    ASSERT_TRUE(httpsvr::CreateDefaultRoot(root));
    EXPECT_EQ(ReadFile(root + "/index.htm"), "mine");
}

// The cli with its standard output and error on pipes.
struct CliProcess {
    pid_t pid = -1;
    FILE* out = nullptr;
    FILE* err = nullptr;

    explicit CliProcess(std::vector<std::string> args) {
        int o[2], e[2];
        EXPECT_EQ(::pipe(o), 0);
        EXPECT_EQ(::pipe(e), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, o[1], 1);
        posix_spawn_file_actions_adddup2(&fa, e[1], 2);
        args.insert(args.begin(), SKYHARBOR_CLI_PATH);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&pid, SKYHARBOR_CLI_PATH, &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
        ::close(o[1]);
        ::close(e[1]);
        out = ::fdopen(o[0], "r");
        err = ::fdopen(e[0], "r");
    }
    ~CliProcess() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        std::fclose(out);
        std::fclose(err);
    }
    std::string Line(FILE* f) {
        char buf[4096];
        return std::fgets(buf, sizeof buf, f) ? std::string(buf) : std::string();
    }
    int Wait() {
        int st = 0;
        ::waitpid(pid, &st, 0);
        pid = -1;
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
};

TEST(ServeCommandTest, TitleHitsAndCleanStop) {
    Sandbox sandbox;
    WriteFile(sandbox.path("www/hello.txt"), "hello");
    CliProcess cli({"serve", "--root", sandbox.path("www"), "--port", "0", "--server-name", "cli.test"});
    std::string title = cli.Line(cli.out);
    int port = 0;
    ASSERT_EQ(std::sscanf(title.c_str(), "Server Status (http://cli.test:%d)\n", &port), 1) << title;
    EXPECT_EQ(Exchange(port, "GET /hello.txt HTTP/1.0\r\nReferer: http://from/\r\n\r\n").body, "hello");
    std::string hit = cli.Line(cli.out);
    EXPECT_EQ(hit.rfind("hello.txt\t" + sandbox.path("www") + "/\t1\t", 0), 0u) << hit;
    EXPECT_NE(hit.find("\thttp://from/\t/hello.txt\n"), std::string::npos) << hit;
    Exchange(port, "GET /hello.txt HTTP/1.0\r\n\r\n");
    EXPECT_EQ(cli.Line(cli.out).rfind("hello.txt\t" + sandbox.path("www") + "/\t2\t", 0), 0u);
    ::kill(cli.pid, SIGTERM);
    EXPECT_EQ(cli.Wait(), 0);
}

TEST(ServeCommandTest, ListenKeepsItToOneAddress) {
    Sandbox sandbox;
    const std::string lan = FirstIPv4Address();
    ASSERT_NE(lan, "Unknown.") << "the test needs an address besides loopback";
    WriteFile(sandbox.path("www/hello.txt"), "hello");
    CliProcess cli({"serve", "--root", sandbox.path("www"), "--port", "0", "--listen", "127.0.0.1"});
    int port = 0;
    std::string title = cli.Line(cli.out);
    ASSERT_EQ(std::sscanf(title.c_str(), "Server Status (http://%*[^:]:%d)\n", &port), 1) << title;
    EXPECT_EQ(Exchange(port, "GET /hello.txt HTTP/1.0\r\n\r\n").body, "hello");
    EXPECT_EQ(Connect(port, lan), -1);
    ::kill(cli.pid, SIGTERM);
    EXPECT_EQ(cli.Wait(), 0);

    CliProcess bad({"serve", "--root", sandbox.path("www"), "--port", "0", "--listen", "not-an-address"});
    EXPECT_EQ(bad.Line(bad.out), "Server Status (Error! Not Listening!)\n");
    EXPECT_EQ(bad.Wait(), 1);
}

TEST(ServeCommandTest, PortInUseExitsWithTheSystemMessage) {
    Sandbox sandbox;
    int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t len = sizeof addr;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&addr), &len);
    CliProcess cli({"serve", "--root", sandbox.home(), "--port", std::to_string(ntohs(addr.sin_port))});
    EXPECT_EQ(cli.Line(cli.out), "Server Status (Error! Not Listening!)\n");
    EXPECT_EQ(cli.Line(cli.err), "skyharbor-cli: " + std::string(std::strerror(EADDRINUSE)) + "\n");
    EXPECT_EQ(cli.Wait(), 1);
    ::close(holder);
}

}  // namespace
}  // namespace sky::test
