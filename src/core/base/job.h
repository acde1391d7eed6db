#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>

namespace sky {

// What a window that owns a running job says to a second one.
inline constexpr const char* kTooBusy = "Sorry. I'm too busy right now";

// One cancellable piece of work on a thread of its own. The body gets a
// stop_token and registers what ends its pending read (a socket shutdown, a
// curl abort flag) with std::stop_callback, so Cancel ends a blocked read at
// once instead of waiting out its time-out. Threads are joined, never killed.
class Job {
public:
    using Body = std::function<void(std::stop_token)>;

    Job() = default;
    ~Job() {
        Cancel();
        Join();
    }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Starts the body on its own thread; false (the caller says it is too
    // busy) while a body still runs. Call Start, Cancel and Join from one thread.
    bool Start(Body body) {
        if (running_.exchange(true)) return false;
        Join();
        thread_ = std::jthread([this, body = std::move(body)](std::stop_token stop) {
            body(stop);
            running_ = false;
        });
        return true;
    }
    bool IsRunning() const { return running_.load(); }
    void Cancel() { thread_.request_stop(); }
    bool cancelled() const { return thread_.get_stop_token().stop_requested(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::jthread thread_;
    std::atomic<bool> running_{false};
};

// The token mirrored into an atomic flag, for code that polls one (a curl
// progress callback, a loop between reads).
class StopFlag {
public:
    explicit StopFlag(std::stop_token stop) : callback_(std::move(stop), Setter{&flag_}) {}
    const std::atomic<bool>* get() const { return &flag_; }
    bool stopped() const { return flag_.load(); }

private:
    struct Setter {
        std::atomic<bool>* flag;
        void operator()() const { flag->store(true); }
    };
    std::atomic<bool> flag_{false};
    std::stop_callback<Setter> callback_;
};

}  // namespace sky
