#include "core/channels/favorites.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/base/atomic_file.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"

namespace fs = std::filesystem;

namespace sky {

namespace {

// Deeper trees are most likely loops made by bind mounts; stop there.
constexpr int kMaxFavoritesDepth = 32;
// The classic reader's 512-byte buffer.
constexpr size_t kShortcutUrlMax = 511;

bool EndsWithUrlExtension(std::string_view name) {
    return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".url");
}

bool NameLess(const FavoriteNode& a, const FavoriteNode& b) {
    std::string la = ToLower(a.name), lb = ToLower(b.name);
    if (la != lb) return la < lb;
    return a.name < b.name;
}

void FillFolder(FavoriteNode& node, int depth) {
    std::error_code ec;
    fs::directory_iterator it(node.path, ec);
    if (ec) return;
    std::vector<FavoriteNode> folders, shortcuts;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        fs::file_status own = it->symlink_status(ec);
        if (ec) continue;
        if (fs::is_directory(own)) {
            FavoriteNode child{name, it->path().string(), true, {}};
            if (depth + 1 < kMaxFavoritesDepth) FillFolder(child, depth + 1);
            folders.push_back(std::move(child));
            continue;
        }
        if (!EndsWithUrlExtension(name)) continue;
        // A link to a shortcut file counts; a link to a folder is not followed.
        fs::file_status target = fs::is_symlink(own) ? it->status(ec) : own;
        if (ec || !fs::is_regular_file(target)) continue;
        shortcuts.push_back(FavoriteNode{name.substr(0, name.size() - 4), it->path().string(), false, {}});
    }
    std::sort(folders.begin(), folders.end(), NameLess);
    std::sort(shortcuts.begin(), shortcuts.end(), NameLess);
    node.children = std::move(folders);
    for (auto& s : shortcuts) node.children.push_back(std::move(s));
}

}  // namespace

std::string FavoritesDir() {
    return GetDataDir("Favorites");
}

FavoriteNode ReadFavorites(const std::string& dir) {
    FavoriteNode root;
    root.path = dir;
    root.folder = true;
    std::string trimmed = dir;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    root.name = fs::path(trimmed).filename().string();
    FillFolder(root, 0);
    return root;
}

std::string ReadShortcutUrl(const std::string& path) {
    std::error_code ec;
    std::string text;
    if (!fs::is_regular_file(path, ec) || !ReadWholeFile(path, &text)) return std::string(kNoShortcutUrl);
    // A lone CR ends a line too (files from old Macs, or a stray one): it
    // must not end up inside the address.
    std::replace(text.begin(), text.end(), '\r', '\n');
    std::string url;
    if (!ProfileText::Parse(text).Find("InternetShortcut", "URL", &url)) return std::string(kNoShortcutUrl);
    if (url.size() > kShortcutUrlMax) url.resize(kShortcutUrlMax);
    return url;
}

std::string WriteShortcut(const std::string& folder, const std::string& name, const std::string& url,
                          std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return std::string();
    };
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return fail("not a plain file name");
    // A line break would let the address write keys of its own into the file.
    if (url.find_first_of("\r\n") != std::string::npos) return fail("the address holds a line break");
    std::string path = JoinPath(folder, name + ".url");
    if (!WriteFileAtomically(path, "[InternetShortcut]\r\nURL=" + url + "\r\n", error)) return {};
    return path;
}

}  // namespace sky
