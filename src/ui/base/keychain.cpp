#include "ui/base/keychain.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QTimer>

#include "ui/base/log.h"

namespace sky::ui {

namespace {

constexpr const char* kService = "SkyHarbor";

class KeychainBackend : public SecretBackend {
public:
    explicit KeychainBackend(int timeoutMs) : timeoutMs_(timeoutMs) {}

    Status Read(const QString& key, QString* value) override {
        auto* job = new QKeychain::ReadPasswordJob(kService);
        job->setKey(key);
        Status s = Run(job);
        if (s == Status::kOk) *value = job->textData();
        job->deleteLater();
        return s;
    }
    Status Write(const QString& key, const QString& value) override {
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setKey(key);
        job->setTextData(value);
        Status s = Run(job);
        job->deleteLater();
        return s;
    }
    Status Remove(const QString& key) override {
        auto* job = new QKeychain::DeletePasswordJob(kService);
        job->setKey(key);
        Status s = Run(job);
        job->deleteLater();
        return s;
    }

private:
    Status Run(QKeychain::Job* job) {
        job->setAutoDelete(false);
        // Never the plain-text store of the library: the fallback is ours.
        job->setInsecureFallback(false);
        QEventLoop loop;
        bool done = false;
        QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
            done = true;
            loop.quit();
        });
        QTimer::singleShot(timeoutMs_, &loop, &QEventLoop::quit);
        job->start();
        if (!done) loop.exec();
        if (!done) {
            qCWarning(lcApp) << "keyring: no answer within" << timeoutMs_ << "ms";
            // The job may still finish later; it must not outlive its use.
            QObject::disconnect(job, nullptr, &loop, nullptr);
            return Status::kUnavailable;
        }
        switch (job->error()) {
            case QKeychain::NoError:
                return Status::kOk;
            case QKeychain::EntryNotFound:
                return Status::kNotFound;
            default:
                qCWarning(lcApp) << "keyring:" << job->errorString();
                return Status::kUnavailable;
        }
    }
    int timeoutMs_;
};

}  // namespace

std::unique_ptr<SecretBackend> MakeKeychainBackend(int timeoutMs) {
    return std::make_unique<KeychainBackend>(timeoutMs);
}

}  // namespace sky::ui
