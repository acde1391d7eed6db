#include "core/base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

namespace sky {

namespace {

constexpr time_t kStaleAge = 24 * 60 * 60;

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

std::string TemporaryNameFor(const std::string& path) {
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + name + "." + std::to_string(::getpid()) + ".XXXXXX";
}

AtomicFileWriter::AtomicFileWriter(std::string path)
    : path_(std::move(path)), temp_(TemporaryNameFor(path_)) {
    // Not inherited by a CGI program or the update installer.
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
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
    int dfd = ::open(DirOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

bool IsAtomicTemporaryName(std::string_view name, long* pid) {
    // ".<name>.<pid>.XXXXXX"
    if (name.size() < 1 + 1 + 1 + 1 + 1 + 6 || name[0] != '.') return false;
    std::string_view tail = name.substr(name.size() - 6);
    for (char c : tail)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    if (name[name.size() - 7] != '.') return false;
    std::string_view rest = name.substr(1, name.size() - 8);
    auto dot = rest.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == rest.size()) return false;
    std::string_view digits = rest.substr(dot + 1);
    if (digits.size() > 9) return false;
    long v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v <= 0) return false;
    if (pid) *pid = v;
    return true;
}

size_t RemoveStaleTemporaries(const std::string& dir, int depth) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    size_t removed = 0;
    std::vector<std::string> folders;
    time_t now = ::time(nullptr);
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth > 0) folders.push_back(path);
            continue;
        }
        long pid = 0;
        if (!S_ISREG(st.st_mode) || !IsAtomicTemporaryName(name, &pid)) continue;
        if (pid == ::getpid()) continue;
        bool writerGone = ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (writerGone || now - st.st_mtime > kStaleAge) removed += ::unlink(path.c_str()) == 0;
    }
    ::closedir(d);
    for (const std::string& f : folders) removed += RemoveStaleTemporaries(f, depth - 1);
    return removed;
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
