#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <stop_token>

#include "core/base/job.h"

class QWidget;

namespace sky::ui {

// A core Job whose events and result reach the UI thread. Events are queued
// to this object, so none reaches an owner that is gone (Qt drops calls to a
// deleted receiver, and the destructor cancels and joins the thread). Make it
// a member or child of the window that owns the work.
class UiJob : public QObject {
    Q_OBJECT
public:
    // Hands `call` to the UI thread; usable from the job's thread.
    using Post = std::function<void(std::function<void()> call)>;
    // Runs on the job's thread; its return value is the result.
    using Body = std::function<int(std::stop_token stop, const Post& post)>;

    explicit UiJob(QObject* parent = nullptr);
    ~UiJob() override;

    // From Start until `finished` is delivered.
    bool busy() const { return running_; }
    // False while a job runs.
    bool Start(Body body);
    // Start, or the owner's "too busy" box when a job runs.
    bool StartOrRefuse(QWidget* owner, Body body, const QString& busyText = QString::fromLatin1(kTooBusy));
    // Gives up the running job: false when none runs. `finished` still
    // comes, with cancelled() true.
    bool Cancel();
    bool cancelled() const { return cancelled_; }

signals:
    void finished(int result);

private:
    void OnDone(int result);

    bool running_ = false;
    bool cancelled_ = false;
    Job job_;
};

}  // namespace sky::ui
