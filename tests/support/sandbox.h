#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace sky::test {

// A fresh SKYHARBOR_HOME in a temporary folder for as long as it lives, so no
// test touches the real home or sees another test's files.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& home() const { return home_; }
    std::string path(const std::string& relative) const { return home_ + "/" + relative; }

private:
    std::string home_;
    std::string oldHome_;
    bool hadHome_ = false;
};

// Polls `done` until it holds or `timeout` passes; true when it held.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// A loopback TCP port nobody listens on now: bound, read back and closed.
int FreePort();
// A socket listening on a free loopback port; the port in *port.
int ListenOnLoopback(int* port);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

}  // namespace sky::test
