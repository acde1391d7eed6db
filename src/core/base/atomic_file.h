#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace sky {

// Writes `data` to a temporary file beside `path`, syncs it and renames it over
// `path`, so a crash leaves either the old or the new file, never half of one.
// `beforeRename`, when given, runs after the data is synced; returning false
// abandons the write (the temporary file is removed, `path` is untouched).
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr,
                         const std::function<bool()>& beforeRename = {});

// Reads a whole file; false when it cannot be opened or read, or is a folder.
bool ReadWholeFile(const std::string& path, std::string* out);

}  // namespace sky
