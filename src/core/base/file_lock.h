#pragma once

#include <functional>
#include <string>

namespace sky {

// An exclusive advisory lock (flock) on a hidden lock file beside `path`
// (".<name>.lock"), held for the object's life. Every read-modify-write of a
// user file holds it and reads the file again under it, so the program and
// skyharbor-cli never lose each other's changes. Not re-entrant: a second
// FileLock on the same path in the same thread waits for ever.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool ok() const { return fd_ >= 0; }
    // Why the lock could not be taken.
    const std::string& error() const { return error_; }

    // The lock file that guards `path`.
    static std::string LockPathFor(const std::string& path);

private:
    int fd_ = -1;
    std::string error_;
};

// Runs `modify` with the lock on `path` held (the folder is made if missing).
// False, with `error` set, when the lock cannot be taken or `modify` fails.
bool ModifyLocked(const std::string& path, const std::function<bool(std::string* error)>& modify,
                  std::string* error = nullptr);

}  // namespace sky
