#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/job.h"

namespace sky {

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

// One mail job on a Job thread, cancelled cooperatively: a flag the job
// checks between reads, and the client's own Cancel to end a pending read.
template <class Client>
class MailWorkerThread {
public:
    virtual ~MailWorkerThread() = default;

    // Starts the job on its own thread; false (the caller shows kTooBusy) while one runs.
    bool Start() {
        if (job_.IsRunning()) return false;
        cancelled_ = false;
        return job_.Start([this](std::stop_token stop) {
            std::stop_callback unblock(stop, [this] { CancelClient(); });
            Run();
        });
    }
    bool IsRunning() const { return job_.IsRunning(); }
    void Cancel() {
        job_.Cancel();
        CancelClient();
    }
    void Join() { job_.Join(); }
    // The job on the calling thread; returns its result code.
    virtual int Run() = 0;

protected:
    // Derived destructors call this: the job must end before their members go.
    void Stop() {
        Cancel();
        Join();
    }
    // The client a Cancel reaches while the returned guard lives.
    class ClientScope {
    public:
        ClientScope(MailWorkerThread* worker, Client* client) : worker_(worker) {
            worker_->SetClient(client);
        }
        ~ClientScope() { worker_->SetClient(nullptr); }
        ClientScope(const ClientScope&) = delete;
        ClientScope& operator=(const ClientScope&) = delete;

    private:
        MailWorkerThread* worker_;
    };
    void SetClient(Client* client) {
        std::lock_guard<std::mutex> lock(clientMutex_);
        client_ = client;
        if (client_ && cancelled_) client_->Cancel();
    }
    std::atomic<bool> cancelled_{false};

private:
    void CancelClient() {
        cancelled_ = true;
        std::lock_guard<std::mutex> lock(clientMutex_);
        if (client_) client_->Cancel();
    }

    std::mutex clientMutex_;
    Client* client_ = nullptr;
    // Last, so the thread ends before the members it uses go.
    Job job_;
};

}  // namespace sky
