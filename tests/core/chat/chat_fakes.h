#pragma once

#include <atomic>
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

}  // namespace sky::test
