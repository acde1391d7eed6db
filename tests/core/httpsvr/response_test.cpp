// Redirections, files, conditional requests, folder listings and the hit log.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utime.h>

#include <cstring>
#include <filesystem>

#include "core/base/text_util.h"
#include "core/httpsvr/hit_log.h"
#include "core/httpsvr/request_handler.h"
#include "core/httpsvr/status.h"
#include "server_harness.h"

namespace sky::test {
namespace {

std::string ListingTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d/%y %H:%M", &tm);
    return buf;
}

class ResponseTest : public ServerTest {
protected:
    void SetUp() override {
        Put("dir/index.htm", "index of dir");
        Put("dir/default.htm", "default of dir");
        Put("doc.htm", "<p>doc</p>");
        Put("tools/default.sh",
            "#!/bin/sh\necho 'Content-type: text/plain'\necho\necho \"ran with $QUERY_STRING\"\n");
        ::chmod((root_ + "/tools/default.sh").c_str(), 0755);
    }
};

TEST_F(ResponseTest, FoldersRedirectToTheirDefaultDocumentOrProgram) {
    Start();
    Reply dir = Get("/dir");
    EXPECT_EQ(dir.statusLine, "HTTP/1.0 302 Redirection");
    // default.htm comes before index.htm.
    EXPECT_EQ(dir.Header("Location"), Format("http://testhost:%d/dir/default.htm", port_));
    EXPECT_EQ(dir.body, "");

    Reply tools = Get("/tools/");
    EXPECT_EQ(tools.Header("Location"), Format("http://testhost:%d/tools/default.sh?", port_));
    Reply ran = Get("/tools/default.sh?");
    EXPECT_EQ(ran.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(ran.body, "ran with \n");
    // Without a query a program still runs, with an empty one: its text never goes out.
    EXPECT_EQ(Get("/tools/default.sh").body, "ran with \n");

    // Port 80 is left out of the address.
    httpsvr::HandlerConfig config;
    config.root = root_;
    config.serverName = "example.org";
    config.port = 80;
    httpsvr::FileRequestHandler handler(config);
    httpsvr::CRequest request;
    request.method = "GET";
    request.url = "/dir";
    httpsvr::Response r = handler.Handle(request);
    EXPECT_NE(r.head.find("\r\nLocation: http://example.org/dir/default.htm\r\n\r\n"), std::string::npos);
    EXPECT_EQ(request.status, 302);
}

TEST_F(ResponseTest, FileHeadersConditionalRequestsAndHead) {
    Start();
    struct stat st {};
    ::stat((root_ + "/doc.htm").c_str(), &st);
    Reply full = Get("/doc.htm");
    EXPECT_EQ(full.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(full.Header("Content-type"), "text/html");
    EXPECT_EQ(full.Header("Content-length"), "10");
    EXPECT_EQ(full.Header("Last-Modified"), httpsvr::HttpDate(st.st_mtime));
    EXPECT_EQ(full.body, "<p>doc</p>");

    auto since = [&](const std::string& date) {
        return Exchange(port_, "GET /doc.htm HTTP/1.0\r\nif-modified-since: " + date + "\r\n\r\n");
    };
    Reply same = since(httpsvr::HttpDate(st.st_mtime));
    EXPECT_EQ(same.statusLine, "HTTP/1.0 304 Not Modified");
    EXPECT_EQ(same.body, "");
    EXPECT_EQ(since(httpsvr::HttpDate(st.st_mtime - 1)).statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(since("not a date").statusLine, "HTTP/1.0 200 OK");
    // The older forms of the date are read too.
    EXPECT_EQ(httpsvr::ParseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT"), 784111777);
    EXPECT_EQ(httpsvr::ParseHttpDate("Sun Nov  6 08:49:37 1994"), 784111777);

    Reply head = Exchange(port_, "HEAD /doc.htm HTTP/1.0\r\n\r\n");
    EXPECT_EQ(head.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(head.Header("Content-length"), "10");
    EXPECT_EQ(head.body, "");
    EXPECT_TRUE(head.closed);

    // A file that exists but cannot be opened: a socket.
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = root_ + "/sock";
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(Get("/sock").statusLine, "HTTP/1.0 503 Service Unavailable");
    ::close(s);
}

TEST_F(ResponseTest, ListingIsExactAndEscaped) {
    const std::time_t when = 1700000000;
    Put("list/small.txt", std::string(1023, 'x'));
    Put("list/one k.txt", std::string(1024, 'x'));
    Put("list/<b>&.txt", "x");
    Put("list/.secret", "x");
    std::filesystem::create_directory(root_ + "/list/Sub");
    {
        std::FILE* f = std::fopen((root_ + "/list/huge.bin").c_str(), "w");
        ASSERT_EQ(::ftruncate(::fileno(f), 5ll << 30), 0);  // sparse
        std::fclose(f);
    }
    for (auto name : {"small.txt", "one k.txt", "<b>&.txt", "Sub", "huge.bin"}) {
        utimbuf t{when, when};
        ::utime((root_ + "/list/" + name).c_str(), &t);
    }
    Start();
    Reply r = Get("/list");
    EXPECT_EQ(r.statusLine, "HTTP/1.0 200 OK");
    std::string t = ListingTime(when);
    std::string expected =
        "<html>\n<BODY BGCOLOR=\"#AAFFFF\" TEXT=\"#666666\" LINK=\"#0033A1\" VLINK=\"#0033A1\" "
        "LINK=\"#999999\">\n<h1>SkyHarbor Remote Machine Access<BR> http://testhost/list/</h1><p>\n"
        "<pre> Last Modified       Size Name\n<hr>\n" +
        Format(" %-15s     &lt; 1K <a href=\"/list/%%3Cb%%3E%%26.txt\">&lt;b&gt;&amp;.txt</a>\n", t.c_str()) +
        Format(" %-15s    &gt; 4GB <a href=\"/list/huge.bin\">huge.bin</a>\n", t.c_str()) +
        Format(" %-15s       1K <a href=\"/list/one%%20k.txt\">one k.txt</a>\n", t.c_str()) +
        Format(" %-15s     &lt; 1K <a href=\"/list/small.txt\">small.txt</a>\n", t.c_str()) +
        Format(" %-15s   Folder <a href=\"/list/Sub\">Sub</a>\n", t.c_str()) +
        "</pre>\n<hr><h3><a href=\".\"> Parent Folder</a></h3>\n"
        "<hr><em>Do your part to beautify the web! Turn <strong>off</strong> link underlining!</em>\n\r\n";
    EXPECT_EQ(r.body, expected);

    // The root gets the explanation and no parent link; an empty folder says so.
    std::filesystem::remove(root_ + "/doc.htm");
    std::filesystem::create_directory(root_ + "/empty");
    Reply empty = Get("/empty/");
    EXPECT_NE(empty.body.find("<hr>\n<strong>empty</strong>\n</pre>\n"), std::string::npos);
    ::mkdir((root_ + "/SvrAdmin").c_str(), 0755);
    server_->Stop();
    Start();  // icons come on when the folder is there
    Reply top = Get("/");
    EXPECT_NE(top.body.find("please select one:<p>\n<pre> Last Modified       Size <img "
                            "src=\"/SvrAdmin/Blank.gif\" align=bottom alt=\"     \" border=0 width=16 "
                            "height=16>Name\n"),
              std::string::npos);
    EXPECT_EQ(top.body.find("Parent Folder"), std::string::npos);
}

TEST_F(ResponseTest, ListingsCanBeForbidden) {
    auto o = DefaultOptions();
    o.settings.allowListings = false;
    Start(o);
    std::filesystem::create_directory(root_ + "/plain");
    EXPECT_EQ(Get("/plain/").statusLine, "HTTP/1.0 403 Forbidden");
}

TEST_F(ResponseTest, CurlAcceptsEveryKindOfAnswer) {
    std::filesystem::create_directory(root_ + "/plain");
    Start();
    for (const char* path :
         {"/doc.htm", "/plain/", "/dir", "/missing", "/tools/default.sh?a+b", "/~SYSTEM", "/doc.htm?q"}) {
        CurlResult c = Curl("-o /dev/null '" + Url(path) + "'");
        EXPECT_EQ(c.status, 0) << path << ": " << c.output;
    }
    CurlResult head = Curl("-I '" + Url("/doc.htm") + "'");
    EXPECT_EQ(head.status, 0) << head.output;
}

TEST(HitLogTest, RowsMergeByUrlAndSortByColumn) {
    std::vector<httpsvr::CHitDoc> rows;
    httpsvr::CRequest ok;
    ok.url = "/a/doc.htm";
    ok.physicalPath = "/srv/a/doc.htm";
    ok.status = 200;
    ok.headers["referer"] = "http://x/";
    for (int i = 0; i < 10; ++i) httpsvr::MergeHit(rows, httpsvr::MakeHit(ok, 1000 + i));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].hits, 10);
    EXPECT_EQ(rows[0].time, 1009);
    EXPECT_EQ(rows[0].file, "doc.htm");
    EXPECT_EQ(rows[0].folder, "/srv/a/");
    EXPECT_EQ(rows[0].referrer, "http://x/");

    httpsvr::CRequest missing;
    missing.url = "/nope";
    missing.physicalPath = "/srv/nope";
    missing.status = 404;
    auto failed = rows[httpsvr::MergeHit(rows, httpsvr::MakeHit(missing, 2000))];
    EXPECT_EQ(failed.file, "404 Not Found");
    EXPECT_EQ(failed.folder, "");

    httpsvr::CRequest cgi = ok;
    cgi.url = "/run.sh";
    cgi.physicalPath = "/srv/run.sh";
    cgi.kind = httpsvr::kKindCgi;
    cgi.status = 0;
    auto ran = httpsvr::MakeHit(cgi, 3000);
    EXPECT_EQ(ran.file, "run.sh");
    httpsvr::CHitDoc folder = httpsvr::MakeHit(ok, 1);
    folder.isFolder = true;
    folder.file = "zzz";
    httpsvr::CHitDoc bad400 = failed;
    bad400.status = 400;

    using httpsvr::CompareHits;
    // First column: folders, then successes by name, then failures by status.
    EXPECT_LT(CompareHits(folder, rows[0], httpsvr::kColHitName), 0);
    EXPECT_LT(CompareHits(rows[0], ran, httpsvr::kColHitName), 0);
    EXPECT_LT(CompareHits(ran, bad400, httpsvr::kColHitName), 0);
    EXPECT_LT(CompareHits(bad400, failed, httpsvr::kColHitName), 0);
    EXPECT_GT(CompareHits(rows[0], failed, httpsvr::kColHits), 0);
    EXPECT_LT(CompareHits(rows[0], failed, httpsvr::kColTime), 0);
    httpsvr::CHitDoc upper = rows[0];
    upper.url = "/A/DOC.HTM";
    EXPECT_EQ(CompareHits(upper, rows[0], httpsvr::kColUrl), 0);
    rows[0].hits = 0;
    EXPECT_EQ(httpsvr::HitTimeText(rows[0]), "");
}

}  // namespace
}  // namespace sky::test
