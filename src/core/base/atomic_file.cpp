#include "core/base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace sky {

namespace {
void SetError(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
}

std::string DirOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}
}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)), temp_(path_ + ".XXXXXX") {
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        SetError(&error_, "cannot create a temporary file beside " + path_);
        return;
    }
    // Keep the old file's permissions; a new file gets the usual private mode.
    struct stat st {};
    mode_t mode = (::stat(path_.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0600;
    ::fchmod(fd_, mode);
}

AtomicFileWriter::~AtomicFileWriter() {
    Abandon();
}

void AtomicFileWriter::Abandon() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
}

bool AtomicFileWriter::Write(std::string_view data) {
    if (fd_ < 0) return false;
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetError(&error_, "cannot write " + path_);
            Abandon();
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFileWriter::Commit(const std::function<bool()>& beforeRename) {
    if (fd_ < 0) return false;
    int fd = std::exchange(fd_, -1);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        SetError(&error_, "cannot write " + path_);
        ::unlink(temp_.c_str());
        return false;
    }
    if (beforeRename && !beforeRename()) {
        ::unlink(temp_.c_str());
        error_ = "write abandoned";
        return false;
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        SetError(&error_, "cannot replace " + path_);
        ::unlink(temp_.c_str());
        return false;
    }
    // The rename itself must reach the disk too.
    int dfd = ::open(DirOf(path_).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error,
                         const std::function<bool()>& beforeRename) {
    AtomicFileWriter writer(path);
    if (writer.Write(data) && writer.Commit(beforeRename)) return true;
    if (error) *error = writer.error();
    return false;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // A folder opens for reading here but holds no file; nor does a failed read.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    *out = std::move(data);
    return true;
}

}  // namespace sky
