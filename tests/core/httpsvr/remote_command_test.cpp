// Remote-command records, offered files and the machine-information page.
#include <cstring>

#include "core/httpsvr/remote_command.h"
#include "server_harness.h"

namespace sky::test {
namespace {

using httpsvr::RemoteCommand;

RemoteCommand Sample() {
    RemoteCommand c;
    c.senderName = "alice";
    c.type = httpsvr::kCmdHotLink;
    c.senderIp = "10.0.0.7";
    c.conversation = 0xdeadbeef;
    c.targetHost = "bob.example:8080";
    c.firstText = "/home/alice/x.txt";
    c.secondText = "123/10.0.0.7/17/";
    c.data = std::string("look\0http://x/\0", 15);
    return c;
}

TEST(RemoteCommandTest, LayoutAndRoundTrip) {
    std::string bytes = Sample().Encode();
    ASSERT_EQ(bytes.size(), 464u + 15u);
    EXPECT_EQ(bytes.substr(4, 6), std::string("alice\0", 6));
    EXPECT_EQ(bytes.substr(36, 4), std::string("\x09\0\0\0", 4));
    EXPECT_EQ(bytes.substr(40, 9), std::string("10.0.0.7\0", 9));
    EXPECT_EQ(bytes.substr(56, 4), "\xef\xbe\xad\xde");
    EXPECT_EQ(bytes.substr(128, 4), std::string("\x0f\0\0\0", 4));
    EXPECT_EQ(bytes.substr(136, 6), "/home/");
    EXPECT_EQ(bytes.substr(391, 4), "123/");
    EXPECT_EQ(bytes.substr(460, 4), "look");
    EXPECT_EQ(bytes.substr(475), std::string(4, '\0'));

    auto back = RemoteCommand::Decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->senderName, "alice");
    EXPECT_EQ(back->type, httpsvr::kCmdHotLink);
    EXPECT_EQ(back->conversation, 0xdeadbeefu);
    EXPECT_EQ(back->targetHost, "bob.example:8080");
    EXPECT_EQ(back->secondText, "123/10.0.0.7/17/");
    EXPECT_EQ(back->data, Sample().data);

    // Over-long texts keep their NUL.
    RemoteCommand longName = Sample();
    longName.senderName = std::string(40, 'n');
    longName.firstText = std::string(300, 'p');
    auto cut = RemoteCommand::Decode(longName.Encode());
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->senderName, std::string(31, 'n'));
    EXPECT_EQ(cut->firstText, std::string(254, 'p'));
}

TEST(RemoteCommandTest, InvalidRecordsAreRejected) {
    std::string good = Sample().Encode();
    EXPECT_FALSE(RemoteCommand::Decode(good.substr(0, 463)));
    EXPECT_FALSE(RemoteCommand::Decode(good + "x"));  // data length no longer matches
    std::string longer = good;
    longer[128] = 16;
    EXPECT_FALSE(RemoteCommand::Decode(longer));
    std::string huge = good;
    huge[131] = '\x80';
    EXPECT_FALSE(RemoteCommand::Decode(huge));
    // Each text area without its NUL.
    for (auto [offset, size] : {std::pair{4, 32}, {40, 16}, {60, 68}, {136, 255}, {391, 69}}) {
        std::string bad = good;
        std::memset(bad.data() + offset, 'A', size);
        EXPECT_FALSE(RemoteCommand::Decode(bad)) << "text at " << offset;
    }
}

class RemoteCommandServerTest : public ServerTest {
protected:
    Reply Post(const std::string& body, const std::string& path = "/~SKYCMD") {
        return Exchange(port_, "POST " + path +
                                   " HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                   "Content-Length: " +
                                   std::to_string(body.size()) + "\r\n\r\n" + body);
    }
};

struct TestResolver : httpsvr::OfferedFileResolver {
    std::string allowed;
    std::string path;
    std::optional<std::string> Resolve(const std::string& url, const std::string& peer) override {
        if (url == allowed && peer == "127.0.0.1") return path;
        return std::nullopt;
    }
};

TEST_F(RemoteCommandServerTest, RecordsReachTheCallbackOnlyWhenValid) {
    Put("shared.txt", "shared bytes");
    Start();
    EXPECT_EQ(Post(Sample().Encode()).statusLine, "HTTP/1.0 204 No Content");
    std::string bad = Sample().Encode();
    bad[128] = 3;
    EXPECT_EQ(Post(bad).statusLine, "HTTP/1.0 400 Bad Request");
    EXPECT_EQ(Post(Sample().Encode().substr(0, 400)).statusLine, "HTTP/1.0 400 Bad Request");
    auto got = Records();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].record.senderName, "alice");
    EXPECT_EQ(got[0].peer, "127.0.0.1");

    // A file request is answered as a GET of its URL and never reaches the callback.
    RemoteCommand request;
    request.type = httpsvr::kCmdFileRequest;
    request.firstText = "/shared.txt";
    Reply file = Post(request.Encode());
    EXPECT_EQ(file.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(file.body, "shared bytes");
    EXPECT_EQ(Records().size(), 1u);
}

TEST_F(RemoteCommandServerTest, OfferedFilesGoThroughTheResolver) {
    WriteFile(sandbox_.path("offered/report.txt"), "offered bytes");
    auto resolver = std::make_shared<TestResolver>();
    resolver->allowed = "/~SKYCMD/55/127.0.0.1/20/15/x";
    resolver->path = sandbox_.path("offered/report.txt");
    auto o = DefaultOptions();
    o.offeredFiles = resolver;
    Start(o);
    Reply ok = Get("/~SKYCMD/55/127.0.0.1/20/15/x");
    EXPECT_EQ(ok.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(ok.body, "offered bytes");
    EXPECT_EQ(Get("/~SKYCMD/56/127.0.0.1/20/15/x").statusLine, "HTTP/1.0 400 Bad Request");

    // Without a chat there is nothing to fetch.
    server_->Stop();
    Start();
    EXPECT_EQ(Get("/~SKYCMD/55/127.0.0.1/20/15/x").statusLine, "HTTP/1.0 400 Bad Request");
}

TEST_F(RemoteCommandServerTest, SystemPageInAnyCase) {
    auto o = DefaultOptions();
    o.systemInfo = [] { return httpsvr::SystemPageInfo{"alice", "cookie<1>", "1.5 G", "120.0"}; };
    Start(o);
    for (const char* url : {"/~SYSTEM", "/~system", "/~SyStEm"}) {
        Reply r = Get(url);
        EXPECT_EQ(r.statusLine, "HTTP/1.0 404 Not Found") << url;
        EXPECT_EQ(
            r.body.rfind("<HTML><H1>SkyHarbor Remote Machine System Info</H1><HR><BR>Physical Memory: ", 0),
            0u)
            << url;
        EXPECT_NE(
            r.body.find(" KB Free on /:<HR><P>Account: alice <BR> Install Cookie: cookie&lt;1&gt; <BR> Sky "
                        "Ver: 1.5 G <BR>IE Ver:120.0<HR></HTML>"),
            std::string::npos)
            << r.body;
    }
    // HEAD gets no page.
    EXPECT_EQ(Exchange(port_, "HEAD /~SYSTEM HTTP/1.0\r\n\r\n").body, "");
}

}  // namespace
}  // namespace sky::test
