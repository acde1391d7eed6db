#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sky {

// A program version as people write it: numbers with dots and an optional
// build letter, "1.5 G", "1.6", "2.0.1b".
struct SoftwareVersion {
    static constexpr size_t kMaxText = 32;
    std::string text;  // as published, trimmed
    // Three-way comparison; a missing part is older ("1.5" < "1.5 G" < "1.5.1").
    int Compare(const SoftwareVersion& other) const;
};

// The first line of the service's "/bin/version.txt"; nullopt when it is no
// version (an error page, say). Leading "v" and blanks are allowed.
std::optional<SoftwareVersion> ParseSoftwareVersion(std::string_view answer);

// This program's own version.
SoftwareVersion ProgramVersion();

}  // namespace sky
