#include "core/app/sky_reg_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/sandbox.h"
#include "support/scripted_server.h"

namespace sky {
namespace {

PingRequest SamplePing() {
    PingRequest r;
    r.host = "svc.example:7780";
    r.account = "pilot";
    r.cookie = "913377";
    r.action = "PING";
    r.text = "P3-C257";
    r.version = "1.5";
    r.engine = "118.0.5993.220";
    r.ip = "10.0.0.5";
    r.lastStartupMsg = 4;
    r.lastBroadcast = 5;
    r.lastBulletin = 6;
    return r;
}

TEST(PingUrl, FieldsInOrderAndTheUnregisteredAccount) {
    PingRequest r = SamplePing();
    EXPECT_EQ(BuildPingUrl(r),
              "http://svc.example:7780/Scripts/SkyReg.dll?Ping&Account=pilot&InstallCookie=913377"
              "&Action=PING&Text=P3-C257&URL=SKY&Ver=1.5&ie=118.0.5993.220&IP=10.0.0.5"
              "&LastStartupMsg=4&LastBroadcast=5&LastBulletin=6");
    r.account = "UNREGISTERED";
    EXPECT_NE(BuildPingUrl(r).find("?Ping&Account=U913377&InstallCookie=913377&"), std::string::npos);
    for (const char* other : {"unregistered", "UNREGISTERED ", "XUNREGISTERED"}) {
        r.account = other;
        std::string url = BuildPingUrl(r);
        EXPECT_EQ(url.find("Account=U913377"), std::string::npos) << other;
    }
}

TEST(PingUrl, CanonicalisedAndCut) {
    PingRequest r = SamplePing();
    r.engine = "Chromium 118 %41";
    std::string url = BuildPingUrl(r);
    EXPECT_NE(url.find("&ie=Chromium%20118%20%41&IP="), std::string::npos) << url;

    EXPECT_EQ(CanonicalizeUrl("http://h:1/a/./b/../c?q=/x/../y"), "http://h:1/a/c?q=/x/../y");
    EXPECT_EQ(CanonicalizeUrl("http://h/../a/.."), "http://h/");
    EXPECT_EQ(CanonicalizeUrl("http://h/a/b/.."), "http://h/a/");
    EXPECT_EQ(CanonicalizeUrl("http://h/x?a=\"<>\\^`{|}\x7f\xe9\t"),
              "http://h/x?a=%22%3C%3E%5C%5E%60%7B%7C%7D%7F%E9%09");
    EXPECT_EQ(CanonicalizeUrl("http://h/100%?p=%4"), "http://h/100%25?p=%254");
    EXPECT_EQ(CanonicalizeUrl("http://h/%2e%2E/a"), "http://h/%2e%2E/a");

    // The assembled text is cut at 1024 bytes before it is canonicalised.
    r = SamplePing();
    r.version = std::string(1500, 'v');
    url = BuildPingUrl(r);
    ASSERT_EQ(url.size(), 1024u);
    EXPECT_EQ(url.substr(url.size() - 4), "vvvv");
    r.version = std::string(1500, ' ');
    EXPECT_EQ(BuildPingUrl(r).size(), 1024u + 2 * (1024 - url.find("&Ver=") - 5));
}

TEST(PingAnswer, FieldsAfterPong) {
    auto fields = ParsePingAnswer("PONG#PINGINTERVAL=600000#BULLETIN=7=http://x/b.htm#trailing");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 2u);
    ServerLine interval = ParseServerLine((*fields)[0]);
    EXPECT_EQ(interval.kind, ServerLineKind::PingInterval);
    EXPECT_EQ(interval.value, 600000);
    ServerLine bulletin = ParseServerLine((*fields)[1]);
    EXPECT_EQ(bulletin.kind, ServerLineKind::Bulletin);
    EXPECT_EQ(bulletin.value, 7);
    EXPECT_EQ(bulletin.url, "http://x/b.htm");

    fields = ParsePingAnswer("PONG##X#");
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (std::vector<std::string>{"", "X"}));
    ASSERT_TRUE(ParsePingAnswer("PONG#"));
    EXPECT_TRUE(ParsePingAnswer("PONG#")->empty());
    for (const char* ignored :
         {"PONGX#PINGINTERVAL=5#", "PONG", "pong#PINGINTERVAL=5#", " PONG#A#", "", "PINGINTERVAL=5#PONG#"})
        EXPECT_FALSE(ParsePingAnswer(ignored)) << ignored;
}

TEST(PingAnswer, ServerLines) {
    struct Row {
        const char* field;
        ServerLineKind kind;
        int value;
        const char* url;
    };
    const Row rows[] = {
        {"STARTUPMSG=12=http://s/m.htm", ServerLineKind::StartupMsg, 12, "http://s/m.htm"},
        {"BROADCAST:3:http://s/b.htm?a=1", ServerLineKind::Broadcast, 3, "http://s/b.htm?a=1"},
        {"STARTUPMSG=0=http://s/m.htm", ServerLineKind::StartupMsg, 0, ""},
        {"STARTUPMSG=x=http://s/m.htm", ServerLineKind::StartupMsg, 0, ""},
        {"BULLETIN=-4=http://s/m.htm", ServerLineKind::Bulletin, 0, ""},
        {"BULLETIN=99999999999=http://s/", ServerLineKind::Bulletin, 0, ""},
        {"BULLETIN=8", ServerLineKind::Bulletin, 0, ""},
        {"BULLETIN", ServerLineKind::Bulletin, 0, ""},
        {"PINGINTERVAL=abc", ServerLineKind::PingInterval, 0, ""},
        {"PINGINTERVAL=", ServerLineKind::PingInterval, 0, ""},
        {"PINGINTERVAL 120000", ServerLineKind::PingInterval, 120000, ""},
        {"PINGINTERVAL==5", ServerLineKind::PingInterval, 0, ""},
        {"pinginterval=5", ServerLineKind::Other, 0, ""},
        {"NEWS=1=http://s/", ServerLineKind::Other, 0, ""},
    };
    for (const Row& row : rows) {
        ServerLine line = ParseServerLine(row.field);
        EXPECT_EQ(line.kind, row.kind) << row.field;
        EXPECT_EQ(line.value, row.value) << row.field;
        EXPECT_EQ(line.url, row.url) << row.field;
    }
}

TEST(LoginAnswer, Tokens) {
    std::string hint = "old";
    EXPECT_EQ(ParseLoginAnswer("<html>__OK</html>", &hint), 0);
    EXPECT_EQ(ParseLoginAnswer("__BADPASS__ __OK", &hint), 0);  // success is looked for first
    EXPECT_EQ(hint, "old");
    EXPECT_EQ(ParseLoginAnswer("x__BADPASS__my dog__y", &hint), -24);
    EXPECT_EQ(hint, "my dog");
    EXPECT_EQ(ParseLoginAnswer("__BADPASS____", &hint), -24);
    EXPECT_EQ(hint, "");
    hint = "kept";
    EXPECT_EQ(ParseLoginAnswer("__BADPASS__no end", &hint), -25);
    EXPECT_EQ(hint, "kept");
    EXPECT_EQ(ParseLoginAnswer("__BADPASS_", &hint), -26);
    EXPECT_EQ(ParseLoginAnswer("", nullptr), -26);
    EXPECT_EQ(ParseLoginAnswer("__BADPASS__h__", nullptr), -24);
}

TEST(Login, AgainstTheScript) {
    test::ScriptedReply ok{test::ScriptedServer::Ok(4), "__OK"};
    std::string bad = "__BADPASS__first pet__";
    test::ScriptedReply badPass{test::ScriptedServer::Ok(bad.size()), bad};
    test::ScriptedReply missing{"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n", "__OK"};
    test::ScriptedServer server({ok, badPass, missing});

    // The port inside the host wins over the one passed.
    CSkyRegClient client(server.host(), 80);
    EXPECT_EQ(client.port(), server.port());
    EXPECT_EQ(client.Login("  \t", "x"), -1);
    EXPECT_EQ(client.Login("  Pilot ", " SeCret\t"), 0);
    EXPECT_EQ(server.requestLine(), "GET /Scripts/SkyReg.dll?Login&Account=pilot&Password=secret HTTP/1.1");
    EXPECT_TRUE(client.loggedIn());
    EXPECT_EQ(client.account(), "pilot");
    EXPECT_EQ(client.password(), "secret");

    EXPECT_EQ(client.Login("pilot", "wrong"), -24);
    EXPECT_EQ(client.hint(), "first pet");
    EXPECT_EQ(client.Login("pilot", "secret"), -20);  // status 404, whatever the body says
    EXPECT_EQ(server.requests(), 3u);
}

TEST(Login, AccountAndPasswordCannotChangeTheQuery) {
    EXPECT_EQ(BuildLoginUrl("svc", 80, "/Scripts/SkyReg.dll", " Pilot&Admin=1 ", "P w+%41#frag&x=y"),
              "http://svc:80/Scripts/"
              "SkyReg.dll?Login&Account=pilot%26admin%3D1&Password=p+w%2B%2541%23frag%26x%3Dy");
    EXPECT_EQ(BuildLoginUrl("::1", 7780, "s", "a", "b"), "http://[::1]:7780/s?Login&Account=a&Password=b");

    test::ScriptedReply ok{test::ScriptedServer::Ok(4), "__OK"};
    test::ScriptedServer server({ok});
    CSkyRegClient client(server.host(), 80);
    EXPECT_EQ(client.Login("pilot", "a&b c#d"), 0);
    EXPECT_EQ(server.requestLine(),
              "GET /Scripts/SkyReg.dll?Login&Account=pilot&Password=a%26b+c%23d HTTP/1.1");
    EXPECT_EQ(client.password(), "a&b c#d");

    CSkyRegClient v6("[::1]:7781");
    EXPECT_EQ(v6.host(), "::1");
    EXPECT_EQ(v6.port(), 7781);
    CSkyRegClient odd("not a host:80", 81);
    EXPECT_EQ(odd.port(), 81);
}

TEST(Login, SampleAccountAndUnreachableHost) {
    int port = test::FreePort();
    CSkyRegClient client("127.0.0.1", port);
    auto start = std::chrono::steady_clock::now();
    EXPECT_LT(client.Login("pilot", "secret"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(client.loggedIn());

    EXPECT_EQ(client.Login(" SampleID ", ""), 0);  // no request: the port is closed
    EXPECT_TRUE(client.loggedIn());
    EXPECT_EQ(client.account(), "sampleid");
}

TEST(HttpGet, FollowsRedirectsAndStopsAtTheLimit) {
    std::string big(30000, 'b');
    test::ScriptedServer server({
        {"HTTP/1.1 302 Found\r\nLocation: /second\r\nContent-Length: 0\r\n\r\n", ""},
        {"HTTP/1.0 200 OK\r\n\r\n", big, 4, 5},
    });
    HttpGetResult r = HttpGet(server.url("/first"), 20480);
    EXPECT_EQ(r.code, 0) << r.error;
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_EQ(r.body, big.substr(0, 20480));
    EXPECT_EQ(server.requestLine(1), "GET /second HTTP/1.1");

    HttpGetResult closed = HttpGet("http://127.0.0.1:" + std::to_string(test::FreePort()) + "/", 100, 5);
    EXPECT_EQ(closed.code, -20);
    EXPECT_FALSE(closed.error.empty());
}

TEST(HttpGet, CancelEndsAWaitForASlowServer) {
    // Ten slow pieces: a whole answer would take five seconds.
    test::ScriptedServer server({{"HTTP/1.0 200 OK\r\n\r\n", std::string(10, 'x'), 10, 500}});
    std::atomic<bool> cancel{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    auto start = std::chrono::steady_clock::now();
    HttpGetResult r = HttpGet(server.url("/"), 100, 20, &cancel);
    stopper.join();
    EXPECT_EQ(r.code, -20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

}  // namespace
}  // namespace sky
