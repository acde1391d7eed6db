#pragma once

#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "core/chat/remote_command_router.h"
#include "core/chat/remote_command_sender.h"

namespace sky::test {

// Keeps every record instead of posting it. Any thread.
class RecordingSender : public chat::RemoteCommandSender {
public:
    struct Sent {
        std::string host;
        int port = 0;
        chat::RemoteCommand record;
    };
    void Send(const std::string& host, int port, chat::RemoteCommand record) override {
        std::lock_guard lock(mutex_);
        sent_.push_back({host, port, std::move(record)});
    }
    std::vector<Sent> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(sent_, {});
    }

private:
    std::mutex mutex_;
    std::vector<Sent> sent_;
};

class ManualClock : public chat::MsClock {
public:
    uint64_t NowMs() const override { return now; }
    std::atomic<uint64_t> now{1000};
};

// The curl program's output and exit status.
inline std::pair<int, std::string> Curl(const std::string& args) {
    std::string out;
    FILE* p = ::popen(("curl -sS --max-time 20 " + args + " 2>&1").c_str(), "r");
    if (!p) return {-1, out};
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int st = ::pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

}  // namespace sky::test
