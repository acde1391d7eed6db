#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace sky::ui {

// One request to the service on a worker, for a window that stays alive
// meanwhile: the result comes back on the UI thread, and Cancel gives the
// request up instead of waiting out its time-out.
class ServiceRequest : public QObject {
    Q_OBJECT
public:
    // Runs on the worker; gives up when *cancel is set.
    using Work = std::function<int(const std::atomic<bool>* cancel)>;

    explicit ServiceRequest(QObject* parent = nullptr);
    ~ServiceRequest() override;  // gives up a running request and waits for it

    bool busy() const { return worker_.joinable(); }
    void Start(Work work);
    // Gives up the running request: false when none runs. `finished` still
    // comes, with cancelled() true.
    bool Cancel();
    bool cancelled() const { return cancelled_; }

signals:
    void finished(int result);

private:
    void OnDone(int result);

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool cancelled_ = false;
};

}  // namespace sky::ui
