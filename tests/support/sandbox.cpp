#include "support/sandbox.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace sky::test {

namespace {

// Every sandbox of a test process lives in one folder that goes when the
// process ends, so what a program writes after its sandbox (a settings flush
// at exit, a web profile closing late) leaves nothing behind.
struct SandboxRoot {
    std::string path;
    pid_t owner = ::getpid();
    SandboxRoot() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "skyharbor-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        path = tmpl;
    }
    ~SandboxRoot() {
        if (owner != ::getpid()) return;
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::string& Root() {
    static SandboxRoot root;
    return root.path;
}

}  // namespace

Sandbox::Sandbox() {
    std::string tmpl = Root() + "/home-XXXXXX";
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    home_ = tmpl;
    if (const char* old = std::getenv("SKYHARBOR_HOME")) {
        hadHome_ = true;
        oldHome_ = old;
    }
    ::setenv("SKYHARBOR_HOME", home_.c_str(), 1);
}

Sandbox::~Sandbox() {
    if (hadHome_)
        ::setenv("SKYHARBOR_HOME", oldHome_.c_str(), 1);
    else
        ::unsetenv("SKYHARBOR_HOME");
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
    // Something still writing here after its test is a fault worth seeing.
    if (ec)
        std::fprintf(stderr, "test sandbox %s could not be removed: %s\n", home_.c_str(),
                     ec.message().c_str());
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

int ListenOnLoopback(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
    ::listen(fd, 8);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

}  // namespace sky::test
