// CGI programs: real shell scripts run by the server.
#include <signal.h>
#include <sys/stat.h>

#include "core/base/text_util.h"
#include "server_harness.h"

namespace sky::test {
namespace {

class CgiTest : public ServerTest {
protected:
    void Script(const std::string& name, const std::string& body) {
        Put("cgi/" + name, "#!/bin/sh\n" + body);
        ::chmod((root_ + "/cgi/" + name).c_str(), 0755);
    }
};

TEST_F(CgiTest, EnvironmentArgumentsAndPathInfo) {
    Script("env.sh",
           "echo 'Content-type: text/plain'\necho\n/usr/bin/tr '\\0' '\\n' < /proc/$$/environ\necho "
           "\"args:$#:$1:$2\"\necho \"cwd:$(pwd)\"\n");
    Start();
    Reply r = Exchange(port_,
                       "GET /cgi/env.sh/extra/info?a+b%21 HTTP/1.0\r\nX-Thing: one\r\nProxy: evil\r\n"
                       "X_Thing: smuggled\r\n\r\n");
    EXPECT_EQ(r.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(r.Header("Content-type"), "text/plain");
    // Exactly these variables, in this order; nothing from the server's own environment.
    std::string expected = Format(
        "SERVER_SOFTWARE=SkyHarbor-HttpServer/1.5\nSERVER_NAME=testhost\nGATEWAY_INTERFACE=CGI/1.1\n"
        "SERVER_PROTOCOL=HTTP/1.0\nSERVER_PORT=%d\nREQUEST_METHOD=GET\nSCRIPT_NAME=/cgi/env.sh/extra/info\n"
        "QUERY_STRING=a+b%%21\nREMOTE_ADDR=127.0.0.1\nPATH_INFO=/extra/info\nPATH_TRANSLATED=%s/extra/info\n"
        "HTTP_X_THING=one\n",
        port_, root_.c_str());
    EXPECT_EQ(r.body.substr(0, expected.size()), expected);
    EXPECT_EQ(r.body.find("PROXY"), std::string::npos);
    EXPECT_EQ(r.body.find("smuggled"), std::string::npos);
    EXPECT_NE(r.body.find("args:2:a:b!\n"), std::string::npos);
    EXPECT_NE(r.body.find("cwd:" + root_ + "/cgi\n"), std::string::npos);
}

TEST_F(CgiTest, PostedBodyOnStandardInput) {
    Script(
        "echo.sh",
        "echo 'Content-type: text/plain'\necho\necho \"len=$CONTENT_LENGTH type=$CONTENT_TYPE\"\n/bin/cat\n");
    Start();
    std::string body(100000, 'q');  // more than a pipe holds at once
    Reply r = Exchange(
        port_, "POST /cgi/echo.sh HTTP/1.0\r\nContent-Length: 100000\r\nContent-Type: text/x\r\n\r\n" + body);
    EXPECT_EQ(r.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(r.body, "len=100000 type=text/x\n" + body);
}

TEST_F(CgiTest, OutputHeadersChooseTheStatus) {
    Script("status.sh", "echo 'Status: 404 Gone Fishing'\necho 'X-Extra :  yes '\necho\necho body\n");
    Script("moved.sh", "printf 'Location: http://elsewhere/\\r\\n\\r\\n'\n");
    Script("noblank.sh", "echo 'Content-type: text/plain'\necho 'X-Last: 1'\n");
    Script("both.sh", "echo 'Location: /x'\necho 'Status: 301 Moved Permanently'\necho\n");
    Start();
    Reply status = Get("/cgi/status.sh?");
    EXPECT_EQ(status.statusLine, "HTTP/1.0 404 Gone Fishing");
    EXPECT_EQ(status.Header("X-Extra"), "yes");
    EXPECT_EQ(status.Header("Status"), "");
    EXPECT_EQ(status.body, "body\n");
    Reply moved = Get("/cgi/moved.sh?");
    EXPECT_EQ(moved.statusLine, "HTTP/1.0 302 Redirection");
    EXPECT_EQ(moved.Header("Location"), "http://elsewhere/");
    Reply noblank = Get("/cgi/noblank.sh?");
    EXPECT_EQ(noblank.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(noblank.Header("X-Last"), "1");
    EXPECT_EQ(noblank.body, "");
    EXPECT_EQ(Get("/cgi/both.sh?").statusLine, "HTTP/1.0 301 Moved Permanently");
    // HEAD runs the program but sends only its head.
    Reply head = Exchange(port_, "HEAD /cgi/status.sh?x HTTP/1.0\r\n\r\n");
    EXPECT_EQ(head.statusLine, "HTTP/1.0 404 Gone Fishing");
    EXPECT_EQ(head.body, "");
}

TEST_F(CgiTest, WhatIsNotAProgram) {
    Put("cgi/plain.sh", "#!/bin/sh\necho hi\n");  // not executable
    Put("cgi/lib.so", "ELF");
    Start();
    EXPECT_EQ(Get("/cgi/plain.sh?x").statusLine, "HTTP/1.0 400 Bad Request");
    EXPECT_EQ(Get("/cgi/lib.so?x").statusLine, "HTTP/1.0 501 Not Implemented");
    EXPECT_EQ(Get("/cgi/plain.sh").body, "#!/bin/sh\necho hi\n");
}

TEST_F(CgiTest, TimeLimitAndLeavingClientKillTheProgram) {
    Script("slow.sh", "echo $$ > \"$PID_FILE\"\nexec /bin/sleep 30\n");
    Script("pid.sh", "echo $$ > " + sandbox_.path("pid") + "\nexec /bin/sleep 30\n");
    auto o = DefaultOptions();
    o.cgiTimeLimit = std::chrono::milliseconds(700);
    Start(o);
    auto began = std::chrono::steady_clock::now();
    Reply r = Get("/cgi/slow.sh?");
    EXPECT_EQ(r.statusLine, "HTTP/1.0 500 Internal Server Error");
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));

    server_->Stop();
    o.cgiTimeLimit = std::chrono::seconds(60);
    Start(o);
    // The client gives up after a moment; its program must not live on.
    Exchange(port_, "GET /cgi/pid.sh? HTTP/1.0\r\n\r\n", 0, 500);
    std::string pidText;
    ASSERT_TRUE(WaitFor([&] { return !(pidText = ReadFile(sandbox_.path("pid"))).empty(); }));
    pid_t pid = std::stoi(pidText);
    EXPECT_TRUE(WaitFor([&] { return ::kill(pid, 0) != 0; }, std::chrono::seconds(10)));
}

}  // namespace
}  // namespace sky::test
