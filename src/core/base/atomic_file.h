#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace sky {

// Builds a file under a hidden temporary name beside `path`
// (".<name>.<pid>.XXXXXX", so listings skip it and a later start can tell a
// dead writer's leftovers); Commit() syncs it and
// renames it over `path`. Destroyed without a successful Commit(), it removes
// the temporary file and leaves `path` as it was. For data that arrives in
// pieces (downloads); whole buffers go through WriteFileAtomically.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The temporary file could be made.
    bool ok() const { return fd_ >= 0; }
    bool Write(std::string_view data);
    // `beforeRename`, when given, runs after the data is synced; false abandons.
    bool Commit(const std::function<bool()>& beforeRename = {});
    // Why the last step failed.
    const std::string& error() const { return error_; }

private:
    void Abandon();

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    std::string error_;
};

// Writes `data` to a temporary file beside `path`, syncs it and renames it over
// `path`, so a crash leaves either the old or the new file, never half of one.
// `beforeRename`, when given, runs after the data is synced; returning false
// abandons the write (the temporary file is removed, `path` is untouched).
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr,
                         const std::function<bool()>& beforeRename = {});

// True when `name` is a temporary name of an atomic write; `pid` gets its writer.
bool IsAtomicTemporaryName(std::string_view name, long* pid = nullptr);

// Removes the leftovers of atomic writes in `dir` (and `depth` levels of
// folders below it) whose writer is gone or that have not changed for a day;
// another live process's write in progress is left alone. Returns how many
// went. For start-up of the program and the member service.
size_t RemoveStaleTemporaries(const std::string& dir, int depth = 0);

// Reads a whole file; false when it cannot be opened or read, or is a folder.
bool ReadWholeFile(const std::string& path, std::string* out);

}  // namespace sky
