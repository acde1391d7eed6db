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

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error,
                         const std::function<bool()>& beforeRename) {
    std::string tmpl = path + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        SetError(error, "cannot create a temporary file beside " + path);
        return false;
    }
    // Keep the old file's permissions; a new file gets the usual private mode.
    struct stat st {};
    mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0600;
    ::fchmod(fd, mode);

    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetError(error, "cannot write " + path);
            ::close(fd);
            ::unlink(tmpl.c_str());
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        SetError(error, "cannot write " + path);
        ::unlink(tmpl.c_str());
        return false;
    }
    if (beforeRename && !beforeRename()) {
        ::unlink(tmpl.c_str());
        if (error) *error = "write abandoned";
        return false;
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        SetError(error, "cannot replace " + path);
        ::unlink(tmpl.c_str());
        return false;
    }
    // The rename itself must reach the disk too.
    int dfd = ::open(DirOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
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
