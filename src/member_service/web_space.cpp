#include "member_service/web_space.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/base/atomic_file.h"
#include "core/webspace/transfer_record.h"

namespace sky::member {

using namespace sky::webspace;

void SpaceBudget::Add(uint64_t bytes) {
    std::lock_guard lock(mutex_);
    used_ += bytes;
}

bool SpaceBudget::Take(uint64_t bytes) {
    std::lock_guard lock(mutex_);
    if (used_ + bytes > limit_) return false;
    used_ += bytes;
    return true;
}

void SpaceBudget::Release(uint64_t bytes) {
    std::lock_guard lock(mutex_);
    used_ -= std::min(bytes, used_);
}

uint64_t FileSpace::Used() const {
    uint64_t used = 0;
    for (const FileInfo& f : List("")) used += f.size;
    DIR* d = ::opendir(root_.c_str());
    if (!d) return used;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        struct stat st {};
        if (!SafeFileName(name) || ::lstat((root_ + "/" + name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        for (const FileInfo& f : List(name)) used += f.size;
    }
    ::closedir(d);
    return used;
}

std::string FileSpace::PathOf(const std::string& folder, const std::string& name) const {
    std::string p = root_;
    if (!folder.empty()) p += "/" + folder;
    return name.empty() ? p : p + "/" + name;
}

std::vector<FileInfo> FileSpace::List(const std::string& folder) const {
    std::vector<FileInfo> files;
    std::string dir = PathOf(folder, "");
    DIR* d = ::opendir(dir.c_str());
    if (!d) return files;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        // Temporary files of a write in progress start with "."; never shown.
        if (!SafeFileName(name)) continue;
        struct stat st {};
        if (::lstat((dir + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        files.push_back({name, uint64_t(st.st_size), int64_t(st.st_mtime)});
    }
    ::closedir(d);
    std::sort(files.begin(), files.end(),
              [](const FileInfo& a, const FileInfo& b) { return a.name < b.name; });
    return files;
}

uint16_t FileSpace::PutPiece(const std::string& folder, const std::string& name, uint32_t offset,
                             std::string_view data, uint64_t quota) {
    if (!SafeFileName(name)) return kStatusBadName;
    if (uint64_t(offset) + data.size() > kMaxFileSize) return kStatusTooLarge;
    std::lock_guard lock(mutex_);
    ::mkdir(root_.c_str(), 0700);
    std::string dir = PathOf(folder, "");
    ::mkdir(dir.c_str(), 0700);
    std::string path = dir + "/" + name;
    std::string content;
    uint64_t used = 0;
    for (const FileInfo& f : List(folder))
        if (f.name != name) used += f.size;
    struct stat old {};
    uint64_t oldSize = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? uint64_t(old.st_size) : 0;
    // Growth is taken from the service's room before the write and given
    // back when the write fails or the file shrinks.
    auto take = [this, oldSize](uint64_t newSize) {
        return !budget_ || newSize <= oldSize || budget_->Take(newSize - oldSize);
    };
    auto settle = [this, oldSize](uint64_t newSize, bool written) {
        if (!budget_) return;
        if (newSize > oldSize && !written) budget_->Release(newSize - oldSize);
        if (newSize < oldSize && written) budget_->Release(oldSize - newSize);
    };
    if (offset > 0) {
        if (!S_ISREG(old.st_mode)) return kStatusNotFound;
        // The next piece of an upload in order is appended in place; a file
        // being uploaded is incomplete until its last piece anyway.
        if (oldSize == offset) {
            uint64_t newSize = offset + data.size();
            if (quota && used + newSize > quota) return kStatusTooLarge;
            if (!take(newSize)) return kStatusTooLarge;
            int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
            bool ok =
                fd >= 0 && ::write(fd, data.data(), data.size()) == ssize_t(data.size()) && ::fsync(fd) == 0;
            if (fd >= 0) ::close(fd);
            if (!ok && fd >= 0) (void)::truncate(path.c_str(), old.st_size);
            settle(newSize, ok);
            return ok ? kStatusOk : kStatusFailed;
        }
        if (!ReadWholeFile(path, &content)) return kStatusFailed;
        if (content.size() < offset) return kStatusMalformed;
    }
    content.resize(std::max<size_t>(content.size(), size_t(offset) + data.size()));
    std::copy(data.begin(), data.end(), content.begin() + offset);
    if (quota && used + content.size() > quota) return kStatusTooLarge;
    if (!take(content.size())) return kStatusTooLarge;
    bool ok = WriteFileAtomically(path, content);
    settle(content.size(), ok);
    return ok ? kStatusOk : kStatusFailed;
}

uint16_t FileSpace::Delete(const std::string& folder, const std::string& name) {
    if (!SafeFileName(name)) return kStatusBadName;
    std::lock_guard lock(mutex_);
    std::string path = PathOf(folder, name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kStatusNotFound;
    if (::unlink(path.c_str()) != 0) return kStatusFailed;
    if (budget_) budget_->Release(uint64_t(st.st_size));
    return kStatusOk;
}

}  // namespace sky::member
