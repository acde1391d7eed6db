#include <cctype>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "core/base/paths.h"
#include "core/base/text_util.h"
#include "core/channels/favorites.h"

namespace fs = std::filesystem;

namespace sky {

namespace {

// Exports never nest this deep; the cap keeps hostile files from exhausting the stack.
constexpr int kMaxBookmarkDepth = 64;
constexpr size_t kMaxNameBytes = 120;

bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string DecodeEntities(std::string_view s) {
    static const struct {
        std::string_view name;
        std::string_view text;
    } kNamed[] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '&') {
            out += s[i++];
            continue;
        }
        // Entities are short; looking further would make "&&&..." quadratic.
        size_t semi = s.substr(0, i + 13).find(';', i + 1);
        if (semi == std::string_view::npos) {
            out += s[i++];
            continue;
        }
        std::string_view body = s.substr(i + 1, semi - i - 1);
        bool done = false;
        if (body.size() >= 2 && body[0] == '#') {
            bool hex = body[1] == 'x' || body[1] == 'X';
            std::string_view digits = body.substr(hex ? 2 : 1);
            unsigned long cp = 0;
            bool ok = !digits.empty();
            for (char c : digits) {
                int d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                else {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + d;
                if (cp > 0x10FFFF) cp = 0x110000;  // stays invalid without overflowing
            }
            if (ok) {
                AppendUtf8(out, cp);
                done = true;
            }
        } else {
            for (const auto& e : kNamed) {
                if (EqualsNoCase(body, e.name)) {
                    out += e.text;
                    done = true;
                    break;
                }
            }
        }
        if (done) {
            i = semi + 1;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// HTML text: runs of white space are one space, none at the ends.
std::string CollapseSpace(std::string_view s) {
    std::string out;
    bool space = false;
    for (char c : s) {
        if (IsHtmlSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attrs;  // names lower case, values raw

    std::string Attr(std::string_view key) const {
        for (const auto& [k, v] : attrs)
            if (k == key) return v;
        return {};
    }
};

// Reads the tag starting at s[pos] == '<'; false when it is not a tag, which
// leaves the '<' as text. `pos` ends after the tag.
bool ReadTag(std::string_view s, size_t& pos, Tag& tag) {
    size_t i = pos + 1;
    tag = Tag{};
    if (i < s.size() && s[i] == '/') {
        tag.closing = true;
        ++i;
    }
    size_t start = i;
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '!')) ++i;
    if (i == start) return false;
    tag.name = ToLower(s.substr(start, i - start));
    while (i < s.size() && s[i] != '>') {
        if (IsHtmlSpace(s[i]) || s[i] == '/') {
            ++i;
            continue;
        }
        size_t ks = i;
        while (i < s.size() && !IsHtmlSpace(s[i]) && s[i] != '=' && s[i] != '>') ++i;
        std::string key = ToLower(s.substr(ks, i - ks));
        while (i < s.size() && IsHtmlSpace(s[i])) ++i;
        std::string value;
        if (i < s.size() && s[i] == '=') {
            ++i;
            while (i < s.size() && IsHtmlSpace(s[i])) ++i;
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                char q = s[i++];
                size_t end = s.find(q, i);
                if (end == std::string_view::npos) end = s.size();
                value = s.substr(i, end - i);
                i = end < s.size() ? end + 1 : end;
            } else {
                size_t vs = i;
                while (i < s.size() && !IsHtmlSpace(s[i]) && s[i] != '>') ++i;
                value = s.substr(vs, i - vs);
            }
        }
        if (!key.empty()) tag.attrs.emplace_back(std::move(key), std::move(value));
    }
    pos = i < s.size() ? i + 1 : i;
    return true;
}

class BookmarkParser {
public:
    std::vector<Bookmark> Parse(std::string_view html) {
        std::vector<Bookmark> root;
        // Each open <DL> and the list it fills; a list deeper than the cap is
        // the deepest allowed one again.
        std::vector<std::pair<std::vector<Bookmark>*, int>> lists;
        std::vector<Bookmark>* current = &root;
        int depth = 0;
        bool folderPending = false;  // an <H3> waits for its <DL>
        enum { kNone, kFolderTitle, kLinkTitle } collecting = kNone;
        std::string text;

        auto finishText = [&] {
            if (collecting == kNone) return;
            std::string title = CollapseSpace(DecodeEntities(text));
            if (!current->empty()) current->back().title = std::move(title);
            collecting = kNone;
            text.clear();
        };

        size_t pos = 0;
        while (pos < html.size()) {
            if (html[pos] != '<') {
                size_t next = html.find('<', pos);
                if (next == std::string_view::npos) next = html.size();
                if (collecting != kNone) text.append(html.substr(pos, next - pos));
                pos = next;
                continue;
            }
            if (html.substr(pos, 4) == "<!--") {
                size_t end = html.find("-->", pos + 4);
                pos = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            Tag tag;
            size_t at = pos;
            if (!ReadTag(html, pos, tag)) {
                if (collecting != kNone) text += '<';
                pos = at + 1;
                continue;
            }
            if (tag.closing && ((tag.name == "h3" && collecting == kFolderTitle) ||
                                (tag.name == "a" && collecting == kLinkTitle))) {
                finishText();
                continue;
            }
            if (tag.name != "dl" && tag.name != "dt" && tag.name != "h3" && tag.name != "a") continue;
            // A structural tag also ends a title whose closing tag is missing.
            finishText();
            if (tag.name == "dl" && !tag.closing) {
                if (folderPending && depth < kMaxBookmarkDepth) {
                    lists.emplace_back(current, depth);
                    current = &current->back().children;
                    ++depth;
                } else {
                    lists.emplace_back(current, depth);
                }
                folderPending = false;
            } else if (tag.name == "dl") {
                if (!lists.empty()) {
                    std::tie(current, depth) = lists.back();
                    lists.pop_back();
                }
                folderPending = false;
            } else if (tag.name == "h3" && !tag.closing) {
                if (depth < kMaxBookmarkDepth) {
                    Bookmark folder;
                    folder.folder = true;
                    current->push_back(std::move(folder));
                    collecting = kFolderTitle;
                }
                folderPending = true;
            } else if (tag.name == "a" && !tag.closing) {
                Bookmark link;
                link.url = Trim(DecodeEntities(tag.Attr("href")));
                current->push_back(std::move(link));
                collecting = kLinkTitle;
                folderPending = false;
            }
        }
        finishText();
        return root;
    }
};

bool StartsWithScheme(std::string_view url, std::string_view scheme) {
    return StartsWithNoCase(url, scheme);
}

bool UnusableUrl(const std::string& url) {
    return url.empty() || url.find_first_of("\r\n") != std::string::npos ||
           StartsWithScheme(url, "javascript:") || StartsWithScheme(url, "place:") ||
           StartsWithScheme(url, "data:");
}

std::string SafeName(std::string_view title) {
    std::string out;
    for (char c : title) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) continue;
        out += c == '/' ? '-' : c;
    }
    size_t lead = 0;
    while (lead < out.size() && (out[lead] == '.' || out[lead] == ' ')) ++lead;
    out.erase(0, lead);
    if (out.size() > kMaxNameBytes) {
        size_t end = kMaxNameBytes;
        while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
        out.resize(end);
    }
    out = Trim(out);
    return out.empty() ? "Untitled" : out;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void ImportInto(const std::vector<Bookmark>& items, const std::string& dir, int depth,
                BookmarkImportResult& result) {
    for (const Bookmark& b : items) {
        std::string base = SafeName(b.title);
        if (b.folder) {
            if (depth >= kMaxBookmarkDepth) {
                ImportInto(b.children, dir, depth, result);
                continue;
            }
            std::string path = JoinPath(dir, base);
            std::error_code ec;
            for (int n = 2; Exists(path) && !fs::is_directory(fs::symlink_status(path, ec)); ++n)
                path = JoinPath(dir, base + " (" + std::to_string(n) + ")");
            if (!Exists(path)) {
                if (!fs::create_directory(path, ec)) {
                    result.skipped += 1;
                    continue;
                }
                result.folders += 1;
            }
            ImportInto(b.children, path, depth + 1, result);
            continue;
        }
        if (UnusableUrl(b.url)) {
            result.skipped += 1;
            continue;
        }
        std::string name = base;
        for (int n = 2; Exists(JoinPath(dir, name + ".url")); ++n)
            name = base + " (" + std::to_string(n) + ")";
        if (WriteShortcut(dir, name, b.url).empty())
            result.skipped += 1;
        else
            result.shortcuts += 1;
    }
}

}  // namespace

std::vector<Bookmark> ParseNetscapeBookmarks(std::string_view html) {
    return BookmarkParser().Parse(html);
}

BookmarkImportResult ImportBookmarks(const std::vector<Bookmark>& bookmarks,
                                     const std::string& favoritesDir) {
    BookmarkImportResult result;
    ImportInto(bookmarks, favoritesDir, 0, result);
    return result;
}

}  // namespace sky
