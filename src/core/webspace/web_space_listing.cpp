#include "core/webspace/web_space_listing.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>

namespace sky::webspace {

namespace {

int64_t ReadStamp(std::string_view s) {
    if (s.size() != 14 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    auto num = [&](size_t at, size_t n) {
        int v = 0;
        for (size_t i = at; i < at + n; ++i) v = v * 10 + (s[i] - '0');
        return v;
    };
    struct tm tm {};
    tm.tm_year = num(0, 4) - 1900;
    tm.tm_mon = num(4, 2) - 1;
    tm.tm_mday = num(6, 2);
    tm.tm_hour = num(8, 2);
    tm.tm_min = num(10, 2);
    tm.tm_sec = num(12, 2);
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
        tm.tm_min > 59 || tm.tm_sec > 60)
        return -1;
    time_t t = mktime(&tm);
    return t == time_t(-1) ? -1 : int64_t(t);
}

}  // namespace

std::vector<WebSpaceFile> ParseWebSpaceListing(std::string_view text) {
    std::vector<WebSpaceFile> out;
    bool header = true;
    while (!text.empty()) {
        size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
        if (header) {
            header = false;
            continue;
        }
        std::string_view fields[4];
        size_t n = 0;
        while (n < 4) {
            size_t comma = line.find(',');
            fields[n++] = line.substr(0, comma);
            if (comma == std::string_view::npos) break;
            line.remove_prefix(comma + 1);
        }
        if (n < 4 || fields[3].empty()) continue;
        WebSpaceFile f;
        f.mtime = ReadStamp(fields[0]);
        uint64_t size = 0;
        auto [p, ec] = std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), size);
        if (ec == std::errc()) f.size = size;
        f.folder = fields[2].starts_with('2');
        f.name = std::string(fields[3]);
        out.push_back(std::move(f));
    }
    return out;
}

bool OffersPageEditor(std::string_view name) {
    std::string lower(name.size() > 1 ? name.substr(1) : std::string_view());
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower.find(".htm") != std::string::npos;
}

bool ValidWebSpaceName(std::string_view name) {
    // The service keeps names starting with "." for its own half-written files.
    if (name.empty() || name[0] == '.' || name.size() > 255 || name.find("..") != std::string_view::npos)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == ',' || c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

}  // namespace sky::webspace
