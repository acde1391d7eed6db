#include "core/homepage/page_assets.h"

#include <filesystem>
#include <set>

#include "core/homepage/page_text.h"

namespace sky::homepage {

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A browser asks the web space for the decoded name; broken escapes stay as written.
std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int hi = 0, lo = 0;
        if (s[i] == '%' && i + 2 < s.size() && (hi = HexValue(s[i + 1])) >= 0 &&
            (lo = HexValue(s[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// "http:" and the like; a single letter is a drive, not a scheme.
size_t SchemeLength(std::string_view v) {
    if (v.empty() || !Letter(v[0])) return 0;
    for (size_t i = 1; i < v.size(); ++i) {
        char c = v[i];
        if (c == ':') return i;
        if (!(Letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return 0;
    }
    return 0;
}

}  // namespace

ImageRef ClassifyRef(std::string_view raw) {
    ImageRef ref;
    ref.value = raw;
    std::string_view v = raw;
    while (!v.empty() && Blank(v.front())) v.remove_prefix(1);
    while (!v.empty() && Blank(v.back())) v.remove_suffix(1);

    if (v.empty() || v[0] == '#') return ref;  // the page itself
    if (v.starts_with("//")) return ref;       // another host
    if (v[0] == '/' || v[0] == '\\') {
        ref.place = RefPlace::Outside;
        return ref;
    }
    if (size_t scheme = SchemeLength(v)) {
        ref.place =
            scheme == 1 || SameNoCase(v.substr(0, scheme), "file") ? RefPlace::Outside : RefPlace::Elsewhere;
        return ref;
    }
    v = v.substr(0, v.find_first_of("?#"));
    std::string path = PercentDecode(v);

    // Decoding may make a path that only now leaves the folder ("%2E%2E/", "C%3A/").
    if (path.starts_with('/') || path.starts_with('\\') ||
        (path.size() >= 2 && Letter(path[0]) && path[1] == ':')) {
        ref.place = RefPlace::Outside;
        return ref;
    }
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= path.size()) {
        size_t cut = path.find_first_of("/\\", from);
        if (cut == std::string::npos) cut = path.size();
        std::string part = path.substr(from, cut - from);
        if (part == "..") {
            ref.place = RefPlace::Outside;
            return ref;
        }
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        from = cut + 1;
    }
    if (parts.empty()) return ref;  // the folder itself
    if (parts.size() > 1) {
        ref.place = RefPlace::InFolder;
        return ref;
    }
    const std::string& name = parts[0];
    bool bad = name.size() > 255 || name[0] == '.' || name.find("..") != std::string::npos;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F) bad = true;
    ref.place = bad ? RefPlace::BadName : RefPlace::Beside;
    if (!bad) ref.file = name;
    return ref;
}

std::vector<ImageRef> FindImageRefs(std::string_view html) {
    std::vector<ImageRef> refs;
    size_t i = 0;
    const size_t n = html.size();
    while (i < n) {
        size_t lt = html.find('<', i);
        if (lt == std::string_view::npos) break;
        if (html.substr(lt, 4) == "<!--") {
            size_t end = html.find("-->", lt + 4);
            i = end == std::string_view::npos ? n : end + 3;
            continue;
        }
        if (lt + 1 >= n || !Letter(html[lt + 1])) {
            i = lt + 1;
            continue;
        }
        // The tag's name, then its attributes up to the '>' outside quotes.
        i = lt + 1;
        while (i < n && !Blank(html[i]) && html[i] != '>') ++i;
        while (i < n && html[i] != '>') {
            if (Blank(html[i]) || html[i] == '/') {
                ++i;
                continue;
            }
            size_t nameStart = i;
            while (i < n && !Blank(html[i]) && html[i] != '=' && html[i] != '>') ++i;
            std::string_view name = html.substr(nameStart, i - nameStart);
            if (name.empty()) {  // a stray '='
                ++i;
                continue;
            }
            size_t j = i;
            while (j < n && Blank(html[j])) ++j;
            if (j >= n || html[j] != '=') continue;
            i = j + 1;
            while (i < n && Blank(html[i])) ++i;
            std::string_view value;
            if (i < n && (html[i] == '"' || html[i] == '\'')) {
                char quote = html[i++];
                size_t close = html.find(quote, i);
                if (close == std::string_view::npos) close = n;
                value = html.substr(i, close - i);
                i = close < n ? close + 1 : n;
            } else {
                size_t start = i;
                while (i < n && !Blank(html[i]) && html[i] != '>') ++i;
                value = html.substr(start, i - start);
            }
            if (SameNoCase(name, "src") || SameNoCase(name, "background"))
                refs.push_back(ClassifyRef(UnescapeText(value)));
        }
        if (i < n) ++i;
    }
    return refs;
}

std::map<std::string, uint64_t> ListedFiles(std::string_view listing) {
    std::map<std::string, uint64_t> files;
    size_t from = 0;
    while (from < listing.size()) {
        size_t nl = listing.find('\n', from);
        std::string_view line =
            listing.substr(from, nl == std::string_view::npos ? std::string_view::npos : nl - from);
        from = nl == std::string_view::npos ? listing.size() : nl + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);

        size_t c1 = line.find(',');
        size_t c2 = c1 == std::string_view::npos ? c1 : line.find(',', c1 + 1);
        size_t c3 = c2 == std::string_view::npos ? c2 : line.find(',', c2 + 1);
        if (c3 == std::string_view::npos || c1 != 14) continue;
        std::string_view size = line.substr(c1 + 1, c2 - c1 - 1);
        std::string_view kind = line.substr(c2 + 1, c3 - c2 - 1);
        std::string_view name = line.substr(c3 + 1);
        if (kind != "1" || name.empty() || size.empty() || size.size() > 19) continue;
        uint64_t bytes = 0;
        bool digits = true;
        for (char c : line.substr(0, c1)) digits = digits && c >= '0' && c <= '9';
        for (char c : size) {
            digits = digits && c >= '0' && c <= '9';
            bytes = bytes * 10 + uint64_t(c - '0');
        }
        if (digits) files[std::string(name)] = bytes;
    }
    return files;
}

PageAssets LocalPageAssets(std::string_view page, const std::string& pagePath) {
    namespace fs = std::filesystem;
    PageAssets assets;
    std::error_code ec;
    fs::path self = fs::absolute(pagePath, ec);
    fs::path folder = fs::weakly_canonical(self.parent_path(), ec);
    std::set<std::string> seen;
    for (const ImageRef& ref : FindImageRefs(page)) {
        std::string why;
        switch (ref.place) {
            case RefPlace::Elsewhere:
                continue;
            case RefPlace::Outside:
                why = "it leaves the page's folder";
                break;
            case RefPlace::InFolder:
                why = "the web space has no folders";
                break;
            case RefPlace::BadName:
                why = "the web space does not take that name";
                break;
            case RefPlace::Beside: {
                if (ref.file == self.filename().string()) continue;
                fs::path file = folder / ref.file;
                // A link beside the page may lead anywhere; only what stays in the folder goes.
                fs::path real = fs::canonical(file, ec);
                if (ec || !fs::is_regular_file(real, ec)) {
                    why = "no such file beside the page";
                } else if (real.parent_path() != folder) {
                    why = "it leaves the page's folder";
                } else {
                    if (seen.insert(ref.file).second) assets.send.push_back(ref.file);
                    continue;
                }
                break;
            }
        }
        if (seen.insert("\n" + ref.value).second) assets.skipped.emplace_back(ref.value, why);
    }
    return assets;
}

void DropListed(PageAssets& assets, const std::string& pageFolder, std::string_view listing) {
    auto listed = ListedFiles(listing);
    std::vector<std::string> send;
    for (std::string& name : assets.send) {
        std::error_code ec;
        uint64_t size = std::filesystem::file_size(std::filesystem::path(pageFolder) / name, ec);
        auto it = listed.find(name);
        if (!ec && it != listed.end() && it->second == size)
            assets.present.push_back(std::move(name));
        else
            send.push_back(std::move(name));
    }
    assets.send = std::move(send);
}

}  // namespace sky::homepage
