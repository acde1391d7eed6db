#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/httpsvr/http_server.h"
#include "support/sandbox.h"

namespace sky::test {

// What came back on one connection, read until the server closed it.
struct Reply {
    std::string raw;
    std::string statusLine;  // without CR LF
    std::string head;        // header lines after the status line
    std::string body;
    bool closed = false;  // the server closed within the time allowed

    std::string Header(const std::string& name) const;  // first value, any case
};

// Connects to 127.0.0.1:port, sends `bytes` (in pieces of `chunk` bytes when
// non-zero) and reads until the server closes.
Reply Exchange(int port, const std::string& bytes, size_t chunk = 0, int timeoutMs = 10000);
// The same to an IPv4 address of this machine; an empty reply when nobody listens there.
Reply ExchangeAt(const std::string& address, int port, const std::string& bytes, int timeoutMs = 10000);
// A connected socket to 127.0.0.1:port, or -1.
int Connect(int port, const std::string& address = "127.0.0.1");

// Runs curl on the URL with the given extra arguments; its exit status and what it wrote.
struct CurlResult {
    int status = -1;
    std::string output;
};
CurlResult Curl(const std::string& args);

// A server on loopback, any free port, serving a folder of the sandbox.
class ServerTest : public ::testing::Test {
protected:
    ServerTest();
    ~ServerTest() override;

    httpsvr::ServerOptions DefaultOptions();
    void Start(httpsvr::ServerOptions options);
    void Start() { Start(DefaultOptions()); }
    void Put(const std::string& relative, const std::string& data);
    std::string Url(const std::string& path) const;
    Reply Get(const std::string& path) { return Exchange(port_, "GET " + path + " HTTP/1.0\r\n\r\n"); }

    struct Received {
        chat::RemoteCommand record;
        std::string peer;
    };
    std::vector<Received> Records();

    Sandbox sandbox_;
    std::string root_;
    int port_ = 0;
    std::unique_ptr<httpsvr::HttpServer> server_;
    std::mutex mutex_;
    std::vector<Received> records_;
    std::vector<httpsvr::CHitDoc> hits_;
};

}  // namespace sky::test
