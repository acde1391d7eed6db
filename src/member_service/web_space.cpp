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

bool SafeFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name[0] == '.') return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    return name.find("..") == std::string_view::npos;
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
    if (offset > 0) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kStatusNotFound;
        // The next piece of an upload in order is appended in place; a file
        // being uploaded is incomplete until its last piece anyway.
        if (uint64_t(st.st_size) == offset) {
            if (quota && used + offset + data.size() > quota) return kStatusTooLarge;
            int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) return kStatusFailed;
            bool ok = ::write(fd, data.data(), data.size()) == ssize_t(data.size()) && ::fsync(fd) == 0;
            ::close(fd);
            if (!ok) (void)::truncate(path.c_str(), st.st_size);
            return ok ? kStatusOk : kStatusFailed;
        }
        if (!ReadWholeFile(path, &content)) return kStatusFailed;
        if (content.size() < offset) return kStatusMalformed;
    }
    content.resize(std::max<size_t>(content.size(), size_t(offset) + data.size()));
    std::copy(data.begin(), data.end(), content.begin() + offset);
    if (quota && used + content.size() > quota) return kStatusTooLarge;
    return WriteFileAtomically(path, content) ? kStatusOk : kStatusFailed;
}

uint16_t FileSpace::Delete(const std::string& folder, const std::string& name) {
    if (!SafeFileName(name)) return kStatusBadName;
    std::lock_guard lock(mutex_);
    std::string path = PathOf(folder, name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kStatusNotFound;
    return ::unlink(path.c_str()) == 0 ? kStatusOk : kStatusFailed;
}

}  // namespace sky::member
