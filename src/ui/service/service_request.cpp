#include "ui/service/service_request.h"

namespace sky::ui {

ServiceRequest::ServiceRequest(QObject* parent) : QObject(parent) {}

ServiceRequest::~ServiceRequest() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void ServiceRequest::Start(Work work) {
    if (worker_.joinable()) return;
    cancel_ = false;
    cancelled_ = false;
    worker_ = std::thread([this, work = std::move(work)] {
        int result = work(&cancel_);
        QMetaObject::invokeMethod(
            this, [this, result] { OnDone(result); }, Qt::QueuedConnection);
    });
}

bool ServiceRequest::Cancel() {
    if (!worker_.joinable()) return false;
    cancel_ = true;
    cancelled_ = true;
    return true;
}

void ServiceRequest::OnDone(int result) {
    if (worker_.joinable()) worker_.join();
    emit finished(result);
}

}  // namespace sky::ui
