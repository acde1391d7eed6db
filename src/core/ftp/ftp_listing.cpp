// Directory listings as servers send them: Unix "ls -l" (most servers, and
// curl's SFTP listing), MLSD facts, and the DOS form of IIS.
#include <cctype>
#include <cstdint>
#include <ctime>
#include <optional>

#include "core/ftp/ftp_client.h"

namespace sky::ftp {

namespace {

std::vector<std::string_view> Words(std::string_view line, size_t max, size_t* restAt) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (words.size() < max) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        words.push_back(line.substr(start, i - start));
    }
    // The rest keeps its inner blanks: names may have them. Only one separator is skipped.
    if (i < line.size()) ++i;
    *restAt = i;
    return words;
}

std::optional<uint64_t> Number(std::string_view s) {
    if (s.empty() || s.size() > 19) return std::nullopt;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    return v;
}

int Month(std::string_view s) {
    static const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                    "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() != 3) return -1;
    for (int m = 0; m < 12; ++m) {
        bool same = true;
        for (int k = 0; k < 3; ++k)
            if (std::tolower(static_cast<unsigned char>(s[k])) != kMonths[m][k]) same = false;
        if (same) return m;
    }
    return -1;
}

std::time_t Utc(int year, int month0, int day, int hour, int minute, int second) {
    if (year < 1970 || year > 9999 || month0 < 0 || month0 > 11 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return 0;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month0;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    std::time_t t = timegm(&tm);
    return t < 0 ? 0 : t;
}

bool Digits(std::string_view s, size_t at, size_t n, int* out) {
    if (at + n > s.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

// "type=file;size=12;modify=20240131120000; name"
std::optional<FtpEntry> ParseMlsd(std::string_view line) {
    size_t space = line.find(' ');
    if (space == std::string_view::npos || space == 0 || line[space - 1] != ';') return std::nullopt;
    std::string_view facts = line.substr(0, space);
    if (facts.find('=') == std::string_view::npos) return std::nullopt;
    FtpEntry e;
    e.name = std::string(line.substr(space + 1));
    bool typed = false;
    size_t pos = 0;
    while (pos < facts.size()) {
        size_t semi = facts.find(';', pos);
        if (semi == std::string_view::npos) semi = facts.size();
        std::string_view fact = facts.substr(pos, semi - pos);
        pos = semi + 1;
        size_t eq = fact.find('=');
        if (eq == std::string_view::npos) continue;
        std::string key;
        for (char c : fact.substr(0, eq))
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string value;
        for (char c : fact.substr(eq + 1))
            value += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (key == "type") {
            typed = true;
            if (value == "cdir" || value == "pdir") return FtpEntry{};  // "." and ".."
            e.folder = value == "dir";
        } else if (key == "size" || key == "sizd") {
            if (auto n = Number(value)) e.size = *n;
        } else if (key == "modify") {
            int y, mo, d, h, mi, s;
            if (Digits(value, 0, 4, &y) && Digits(value, 4, 2, &mo) && Digits(value, 6, 2, &d) &&
                Digits(value, 8, 2, &h) && Digits(value, 10, 2, &mi) && Digits(value, 12, 2, &s))
                e.modified = Utc(y, mo - 1, d, h, mi, s);
        }
    }
    if (!typed) return std::nullopt;
    if (e.folder) e.size = 0;
    return e;
}

// "01-31-24  10:30AM       <DIR>          name" or "...  1234 name"
std::optional<FtpEntry> ParseDos(std::string_view line) {
    size_t restAt = 0;
    auto w = Words(line, 3, &restAt);
    if (w.size() < 3) return std::nullopt;
    int mo, d, y;
    std::string_view date = w[0];
    if (!(date.size() == 8 || date.size() == 10) || (date[2] != '-' && date[2] != '/') || date[5] != date[2])
        return std::nullopt;
    if (!Digits(date, 0, 2, &mo) || !Digits(date, 3, 2, &d) || !Digits(date, 6, date.size() - 6, &y))
        return std::nullopt;
    if (date.size() == 8) y += y < 70 ? 2000 : 1900;
    std::string_view tm = w[1];
    int h, mi;
    if (tm.size() < 5 || tm[2] != ':' || !Digits(tm, 0, 2, &h) || !Digits(tm, 3, 2, &mi)) return std::nullopt;
    if (tm.size() == 7) {
        char ap = static_cast<char>(std::toupper(static_cast<unsigned char>(tm[5])));
        if ((ap != 'A' && ap != 'P') || std::toupper(static_cast<unsigned char>(tm[6])) != 'M')
            return std::nullopt;
        if (h == 12) h = 0;
        if (ap == 'P') h += 12;
    } else if (tm.size() != 5) {
        return std::nullopt;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59) return std::nullopt;
    FtpEntry e;
    if (w[2] == "<DIR>") {
        e.folder = true;
    } else if (auto n = Number(w[2])) {
        e.size = *n;
    } else {
        return std::nullopt;
    }
    while (restAt < line.size() && line[restAt] == ' ') ++restAt;
    e.name = std::string(line.substr(restAt));
    e.modified = Utc(y, mo - 1, d, h, mi, 0);
    return e;
}

// "drwxr-xr-x  2 owner group  4096 Jan 31 12:00 name" (the group may be missing).
std::optional<FtpEntry> ParseUnix(std::string_view line, int thisYear) {
    if (line.size() < 10) return std::nullopt;
    char kind = line[0];
    if (kind != '-' && kind != 'd' && kind != 'l' && kind != 'b' && kind != 'c' && kind != 'p' && kind != 's')
        return std::nullopt;
    size_t restAt = 0;
    auto w = Words(line, 9, &restAt);
    // The month is the first month word followed by a day and a time or year.
    for (size_t m = 3; m + 2 < w.size(); ++m) {
        int month = Month(w[m]);
        if (month < 0) continue;
        auto size = Number(w[m - 1]);
        int day = 0;
        if (!size || !Digits(w[m + 1], 0, w[m + 1].size(), &day) || w[m + 1].size() > 2) continue;
        std::string_view when = w[m + 2];
        int year = thisYear, h = 0, mi = 0;
        bool hasTime = false;
        if (when.size() == 4 && Digits(when, 0, 4, &year)) {
        } else if ((when.size() == 5 && when[2] == ':' && Digits(when, 0, 2, &h) &&
                    Digits(when, 3, 2, &mi)) ||
                   (when.size() == 4 && when[1] == ':' && Digits(when, 0, 1, &h) &&
                    Digits(when, 2, 2, &mi))) {
            hasTime = true;
        } else {
            continue;
        }
        // The name starts after the time word, wherever it sits in the line.
        size_t at = when.data() - line.data() + when.size();
        if (at < line.size()) ++at;
        FtpEntry e;
        e.name = std::string(line.substr(at));
        e.folder = kind == 'd';
        e.size = e.folder ? 0 : *size;
        if (kind == 'l') {
            size_t arrow = e.name.find(" -> ");
            if (arrow != std::string::npos) e.name.resize(arrow);
        }
        e.modified = Utc(year, month, day, h, mi, 0);
        // Without a year the date is within the last six months: never in the future.
        if (hasTime && e.modified > std::time(nullptr) + 86400)
            e.modified = Utc(year - 1, month, day, h, mi, 0);
        return e;
    }
    return std::nullopt;
}

}  // namespace

std::vector<FtpEntry> ParseListing(std::string_view text) {
    std::vector<FtpEntry> out;
    std::time_t now = std::time(nullptr);
    std::tm nowTm{};
    gmtime_r(&now, &nowTm);
    int thisYear = nowTm.tm_year + 1900;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        std::optional<FtpEntry> e = ParseMlsd(line);
        if (!e) e = ParseDos(line);
        if (!e) e = ParseUnix(line, thisYear);
        if (!e || e->name.empty() || e->name == "." || e->name == "..") continue;
        out.push_back(std::move(*e));
    }
    return out;
}

}  // namespace sky::ftp
