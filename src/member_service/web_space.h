#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sky::member {

// Limits of one file and of one member's web space.
inline constexpr uint64_t kMaxFileSize = 16u << 20;
inline constexpr uint64_t kMemberQuota = 64u << 20;

// A file name taken from a request may name only a file directly inside its
// folder: no "/", "\\", "..", NUL or control byte, no leading ".", at most 255 bytes.
bool SafeFileName(std::string_view name);

struct FileInfo {
    std::string name;
    uint64_t size = 0;
    int64_t mtime = 0;
};

// Files of one folder (web space of a member, or the public space). Every
// write goes through a temporary file and a rename.
class FileSpace {
public:
    explicit FileSpace(std::string root) : root_(std::move(root)) {}

    // Visible regular files, sorted by name.
    std::vector<FileInfo> List(const std::string& folder) const;
    // Writes `data` at `offset` of the file: 0 starts it afresh, otherwise the
    // file must already hold at least `offset` bytes. Returns a reply status.
    uint16_t PutPiece(const std::string& folder, const std::string& name, uint32_t offset,
                      std::string_view data, uint64_t quota);
    uint16_t Delete(const std::string& folder, const std::string& name);
    std::string PathOf(const std::string& folder, const std::string& name) const;

private:
    std::string root_;
    mutable std::mutex mutex_;  // one writer at a time: quota checks and read-modify-write
};

}  // namespace sky::member
