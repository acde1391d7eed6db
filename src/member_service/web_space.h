#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "member_service/request_input.h"

namespace sky::member {

// Limits of one file and of one member's web space.
inline constexpr uint64_t kMaxFileSize = 16u << 20;
inline constexpr uint64_t kMemberQuota = 64u << 20;

struct FileInfo {
    std::string name;
    uint64_t size = 0;
    int64_t mtime = 0;
};

// The room every space of a service shares together.
class SpaceBudget {
public:
    explicit SpaceBudget(uint64_t limit) : limit_(limit) {}
    // Counts what is already on disk, whatever the limit.
    void Add(uint64_t bytes);
    // Takes `bytes` more when they fit; false when they do not.
    bool Take(uint64_t bytes);
    void Release(uint64_t bytes);

private:
    std::mutex mutex_;
    uint64_t used_ = 0;
    uint64_t limit_;
};

// Files of one folder (web space of a member, or the public space). Every
// write goes through a temporary file and a rename.
class FileSpace {
public:
    // `budget`, when given, must outlive the space.
    explicit FileSpace(std::string root, SpaceBudget* budget = nullptr)
        : root_(std::move(root)), budget_(budget) {}

    // Bytes of the files it holds: at its top and one folder down.
    uint64_t Used() const;

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
    SpaceBudget* budget_;
    mutable std::mutex mutex_;  // one writer at a time: quota checks and read-modify-write
};

}  // namespace sky::member
