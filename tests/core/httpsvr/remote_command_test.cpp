// Remote-command records reaching the server, offered files and the machine-information page.
#include <cstring>

#include "core/chat/remote_command.h"
#include "../chat/record_sample.h"
#include "server_harness.h"

namespace sky::test {
namespace {

using chat::RemoteCommand;

RemoteCommand Sample() {
    return SampleRecord();
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
    request.type = chat::kCmdFileRequest;
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
