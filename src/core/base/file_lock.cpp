#include "core/base/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace sky {

std::string FileLock::LockPathFor(const std::string& path) {
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + name + ".lock";
}

FileLock::FileLock(const std::string& path) {
    std::string lockPath = LockPathFor(path);
    // The lock file is never removed: unlinking it would let two writers lock two different files.
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        error_ = "cannot open the lock file " + lockPath + ": " + std::strerror(errno);
        return;
    }
    int rc;
    do rc = ::flock(fd_, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error_ = "cannot lock " + lockPath + ": " + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool ModifyLocked(const std::string& path, const std::function<bool(std::string* error)>& modify,
                  std::string* error) {
    std::error_code ec;
    auto dir = std::filesystem::path(path).parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    FileLock lock(path);
    if (!lock.ok()) {
        if (error) *error = lock.error();
        return false;
    }
    std::string why;
    if (modify(&why)) return true;
    if (error) *error = why;
    return false;
}

}  // namespace sky
