#pragma once

#include <string>

namespace sky {

inline constexpr const char* kTooBusy = "Sorry. I'm too busy right now";
inline constexpr const char* kCouldNotConnect = "Could not connect to E-Mail Server";

// What the fetch and send workers report. Every call is made on the worker's
// own thread; the ui forwards each to the UI thread with one queued call.
class MailWorkerListener {
public:
    virtual ~MailWorkerListener() = default;
    virtual void mailProgress(const std::string& line) = 0;
    // A message was stored in InBox at `path`.
    virtual void newMessage(const std::string& path) {}
    // The fetch could not log in: `message` is "Could not connect to E-Mail
    // Server", `detail` says why.
    virtual void connectFailed(const std::string& message, const std::string& detail) {}
    // Always the last call; `result` is the worker's result code.
    virtual void mailDone(int result) {}
};

}  // namespace sky
