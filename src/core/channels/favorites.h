#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sky {

// The Favorites folder of ".url" Internet Shortcut files (data root +
// "Favorites/"), made when missing. Ends in "/".
std::string FavoritesDir();

// One item of the favorites tree: a folder or a ".url" file, with its full path.
struct FavoriteNode {
    std::string name;  // file name without ".url", or the folder name
    std::string path;
    bool folder = false;
    std::vector<FavoriteNode> children;  // folders first, each group by name
};

// The folder `dir` and everything under it; hidden entries (".name") are left out.
FavoriteNode ReadFavorites(const std::string& dir);

inline constexpr std::string_view kNoShortcutUrl = "_NONE_";
// The "URL" key of section "InternetShortcut" (at most 511 characters), or "_NONE_".
std::string ReadShortcutUrl(const std::string& path);
// Writes `folder`/`name`.url with the address; the name must be a plain file
// name (no "/", not "." or ".."). Returns the file's path, empty on failure.
std::string WriteShortcut(const std::string& folder, const std::string& name, const std::string& url,
                          std::string* error = nullptr);

// A bookmarks file in the Netscape format that browsers export.
struct Bookmark {
    std::string title;
    std::string url;                 // empty for a folder
    std::vector<Bookmark> children;  // a folder's content
    bool folder = false;
};
std::vector<Bookmark> ParseNetscapeBookmarks(std::string_view html);

struct BookmarkImportResult {
    int shortcuts = 0;
    int folders = 0;
    int skipped = 0;  // entries without a usable address (javascript:, place:, empty)
};
// Writes the bookmarks under `favoritesDir` as folders and ".url" files; names
// are made safe for files and never overwrite an existing shortcut.
BookmarkImportResult ImportBookmarks(const std::vector<Bookmark>& bookmarks, const std::string& favoritesDir);

}  // namespace sky
