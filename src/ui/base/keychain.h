#pragma once

#include <QString>
#include <memory>

namespace sky::ui {

// Where secrets go when a desktop keyring answers.
class SecretBackend {
public:
    virtual ~SecretBackend() = default;
    enum class Status { kOk, kNotFound, kUnavailable };
    virtual Status Read(const QString& key, QString* value) = 0;
    virtual Status Write(const QString& key, const QString& value) = 0;
    virtual Status Remove(const QString& key) = 0;
};

// The Secret Service keyring through QtKeychain. Each call waits for its job
// in a local event loop (the window keeps painting) for at most `timeoutMs`.
std::unique_ptr<SecretBackend> MakeKeychainBackend(int timeoutMs = 5000);

}  // namespace sky::ui
