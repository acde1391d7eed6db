#include "ui/base/ui_job.h"

#include "ui/base/messages.h"

namespace sky::ui {

UiJob::UiJob(QObject* parent) : QObject(parent) {}

UiJob::~UiJob() {
    job_.Cancel();
    job_.Join();
}

bool UiJob::Start(Body body) {
    if (running_) return false;
    running_ = true;
    cancelled_ = false;
    Post post = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    bool started = job_.Start([this, body = std::move(body), post](std::stop_token stop) {
        int result = body(stop, post);
        post([this, result] { OnDone(result); });
    });
    if (!started) running_ = false;
    return started;
}

bool UiJob::StartOrRefuse(QWidget* owner, Body body, const QString& busyText) {
    if (running_) {
        ShowMessage(owner, busyText);
        return false;
    }
    return Start(std::move(body));
}

bool UiJob::Cancel() {
    if (!running_) return false;
    cancelled_ = true;
    job_.Cancel();
    return true;
}

void UiJob::OnDone(int result) {
    job_.Join();
    running_ = false;
    emit finished(result);
}

}  // namespace sky::ui
