#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/chat/remote_command.h"

namespace sky::chat {

// Posts remote-command records to other copies. Send never blocks.
class RemoteCommandSender {
public:
    virtual ~RemoteCommandSender() = default;
    // `host` and `port` of the partner's server; the record is complete.
    virtual void Send(const std::string& host, int port, RemoteCommand record) = 0;
};

// SendRemoteCommand: one worker posts the records in the order they were
// given, each as "POST /~SKYCMD" with the form content type and a time-out.
// Failures are the worker's status ("Error 2 occurred !" ...), logged only.
class HttpRemoteCommandSender : public RemoteCommandSender {
public:
    // `localAddress`: posts leave from this address when not empty.
    explicit HttpRemoteCommandSender(std::string localAddress = {}, long timeoutSec = 10);
    // Posts what is queued (a hang-up on exit must still go) for at most
    // about `timeoutSec`, then stops.
    ~HttpRemoteCommandSender() override;

    void Send(const std::string& host, int port, RemoteCommand record) override;
    // Records not yet posted leave from `localAddress` (empty: any).
    void SetLocalAddress(std::string localAddress);

    // The worker's last status text: "" after a good post.
    std::string status() const;
    // On the worker, after each post: the host and whether it was delivered.
    std::function<void(const std::string& host, bool delivered)> posted;

private:
    struct Item {
        std::string host;
        int port = 0;
        std::string body;
    };
    void Run(std::stop_token stop);

    long timeoutSec_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Item> queue_;
    std::string local_;
    std::string status_;
    bool busy_ = false;  // a post is under way
    std::jthread worker_;
};

}  // namespace sky::chat
