// Reading requests, dispatch by method, and what a request may not do.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "core/chat/remote_command.h"
#include "core/httpsvr/http_request.h"
#include "server_harness.h"

namespace sky::test {
namespace {

using httpsvr::RequestReader;

TEST(UrlDecodeTest, EscapesAndPlus) {
    EXPECT_EQ(httpsvr::UrlDecode("%41"), "A");
    EXPECT_EQ(httpsvr::UrlDecode("a%2fb%2Fc"), "a/b/c");
    EXPECT_EQ(httpsvr::UrlDecode("100%%"), "100%");
    EXPECT_EQ(httpsvr::UrlDecode("%zz%4"), "%zz%4");  // not escapes: left alone
    EXPECT_EQ(httpsvr::UrlDecode("a+b"), "a+b");
    EXPECT_EQ(httpsvr::UrlDecode("a+b%2B", true), "a b+");
}

TEST(RequestReaderTest, PiecesParseAsTheWhole) {
    const std::string raw =
        "POST  /x%20y?q=1+2 HTTP/1.0\r\nContent-LENGTH: 5\r\nX-A:   one\r\nx-a: two\r\nno "
        "colon\r\n\r\nhelloEXTRA";
    RequestReader whole;
    ASSERT_EQ(whole.Feed(raw.data(), raw.size()), RequestReader::kComplete);
    RequestReader bytewise;
    for (char c : raw) bytewise.Feed(&c, 1);
    for (RequestReader* r : {&whole, &bytewise}) {
        const auto& q = r->request();
        EXPECT_EQ(q.method, "POST");
        EXPECT_EQ(q.url, "/x y");
        EXPECT_EQ(q.query, "q=1+2");
        EXPECT_EQ(q.kind, httpsvr::kKindQuery);
        EXPECT_EQ(q.version, "HTTP/1.0");
        EXPECT_EQ(q.body, "hello");
        EXPECT_EQ(q.Header("x-a"), "two");
        EXPECT_EQ(q.headers.size(), 2u);
    }
}

TEST(RequestReaderTest, LimitsStopGrowth) {
    RequestReader longLine;
    std::string line = "GET /" + std::string(70000, 'a');
    EXPECT_EQ(longLine.Feed(line.data(), line.size()), RequestReader::kTooLarge);

    auto withHeaders = [](int n) {
        std::string raw = "GET / HTTP/1.0\r\n";
        for (int i = 0; i < n; ++i) raw += "H" + std::to_string(i) + ": v\r\n";
        raw += "\r\n";
        RequestReader r;
        return r.Feed(raw.data(), raw.size());
    };
    EXPECT_EQ(withHeaders(100), RequestReader::kComplete);
    EXPECT_EQ(withHeaders(101), RequestReader::kTooLarge);

    RequestReader body;
    std::string raw = "POST / HTTP/1.0\r\nContent-Length: 67108865\r\n\r\n";
    EXPECT_EQ(body.Feed(raw.data(), raw.size()), RequestReader::kTooLarge);
    RequestReader junkLength;
    raw = "POST / HTTP/1.0\r\nContent-Length: 7abc\r\n\r\n";
    EXPECT_EQ(junkLength.Feed(raw.data(), raw.size()), RequestReader::kBody);
    EXPECT_EQ(junkLength.request().contentLength, 7u);
}

class RequestServerTest : public ServerTest {
protected:
    void SetUp() override {
        Put("a b.htm", "spaced");
        Put("a.txt", "plain text");
        Put(".hidden.txt", "hidden");
        Put(".git/config", "hidden too");
        Put("sub/inner.txt", "inner");
        WriteFile(sandbox_.path("outside.txt"), "SECRET");
        WriteFile(sandbox_.path("elsewhere/secret.txt"), "SECRET");
        std::filesystem::create_directory_symlink(sandbox_.path("elsewhere"), root_ + "/link_out");
        std::filesystem::create_symlink(root_ + "/a.txt", root_ + "/link_in.txt");
    }
};

TEST_F(RequestServerTest, RequestsAnsweredByTable) {
    Start();
    struct Case {
        const char* name;
        std::string request;
        const char* status;
        const char* body;  // nullptr: not checked
    } cases[] = {
        {"escaped space", "GET /a%20b.htm HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "spaced"},
        {"no version", "GET /a.txt\r\n\r\n", "HTTP/1.0 200 OK", "plain text"},
        {"bare LF lines", "GET /a.txt HTTP/1.0\n\n", "HTTP/1.0 200 OK", "plain text"},
        {"link inside root", "GET /link_in.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "plain text"},
        {"PUT", "PUT /a.txt HTTP/1.0\r\nContent-Length: 2\r\n\r\nxx", "HTTP/1.0 501 Not Implemented", ""},
        {"DELETE", "DELETE /a.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 501 Not Implemented", ""},
        {"POST without body", "POST /~SKYCMD HTTP/1.0\r\nContent-Length: 0\r\n\r\n",
         "HTTP/1.0 501 Not Implemented", ""},
        {"GET with body", "GET /a.txt HTTP/1.0\r\ncontent-length: 3\r\n\r\nabc",
         "HTTP/1.0 501 Not Implemented", ""},
        {"dot dot", "GET /../outside.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"escaped dots", "GET /%2e%2e/outside.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"half escaped", "GET /sub/.%2e/.%2E/outside.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"escaped slash", "GET /sub/..%2f..%2Foutside.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"backslashes", "GET /sub\\..\\..\\outside.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"escaped backslash", "GET /..%5Coutside.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"NUL", "GET /a.txt%00.htm HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"symlink out of root", "GET /link_out/secret.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"hidden file", "GET /.hidden.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 403 Forbidden", ""},
        {"inside hidden folder", "GET /.git/config HTTP/1.0\r\n\r\n", "HTTP/1.0 403 Forbidden", ""},
        {"missing", "GET /nothing.htm HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found", ""},
        {"query on a document", "GET /a.txt?x=1 HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request", ""},
        {"line too long", "GET /" + std::string(70000, 'a') + " HTTP/1.0\r\n\r\n", "HTTP/1.0 400 Bad Request",
         ""},
        {"body too large", "POST /~SKYCMD HTTP/1.0\r\nContent-Length: 99999999999\r\n\r\n",
         "HTTP/1.0 400 Bad Request", ""},
    };
    for (const auto& c : cases) {
        for (size_t chunk : {size_t(0), size_t(1)}) {
            if (chunk && c.request.size() > 200) continue;
            Reply r = Exchange(port_, c.request, chunk);
            SCOPED_TRACE(std::string(c.name) + (chunk ? " (one byte at a time)" : ""));
            EXPECT_EQ(r.statusLine, c.status);
            EXPECT_TRUE(r.closed);
            EXPECT_EQ(r.raw.find("SECRET"), std::string::npos);
            EXPECT_NE(r.Header("Date"), "");
            EXPECT_EQ(r.Header("Server"), "SkyHarbor-HttpServer/1.5");
            if (c.body) {
                EXPECT_EQ(r.body, c.body);
            }
        }
    }
}

TEST_F(RequestServerTest, SlowAndSurplusClientsAreTurnedAway) {
    auto o = DefaultOptions();
    o.idleTimeout = std::chrono::milliseconds(1000);
    o.maxConnections = 2;
    Start(o);
    // A client that stops half way through its request.
    auto began = std::chrono::steady_clock::now();
    Reply slow = Exchange(port_, "GET /a.txt HTTP/1.0\r\nHost: x\r\n", 0, 5000);
    EXPECT_EQ(slow.statusLine, "HTTP/1.0 400 Bad Request");
    EXPECT_TRUE(slow.closed);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(4));

    // Two connections in the middle of their bodies fill the server; a third is refused at once.
    const std::string halfBody = "POST /~SKYCMD HTTP/1.0\r\nContent-Length: 10\r\n\r\nab";
    std::thread a([&] { Exchange(port_, halfBody, 0, 3000); });
    std::thread b([&] { Exchange(port_, halfBody, 0, 3000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Reply third = Exchange(port_, "GET /a.txt HTTP/1.0\r\n\r\n", 0, 200);
    a.join();
    b.join();
    EXPECT_EQ(third.statusLine, "HTTP/1.0 400 Bad Request");
    // Once they are gone the server answers again.
    EXPECT_TRUE(WaitFor([&] { return Get("/a.txt").body == "plain text"; }, std::chrono::seconds(5)));
}

TEST_F(RequestServerTest, BytesAfterTheBodyAreIgnored) {
    Start();
    chat::RemoteCommand c;
    c.type = chat::kCmdChatText;
    c.senderName = "alice";
    c.data = "hello";
    std::string body = c.Encode();
    Reply r = Exchange(port_, "POST /~SKYCMD HTTP/1.0\r\ncontent-length: " + std::to_string(body.size()) +
                                  "\r\n\r\n" + body + "TRAILING GARBAGE");
    EXPECT_EQ(r.statusLine, "HTTP/1.0 204 No Content");
    auto got = Records();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].record.data, "hello");
    EXPECT_EQ(got[0].peer, "127.0.0.1");
}

}  // namespace
}  // namespace sky::test
