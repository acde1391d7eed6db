#include "core/httpsvr/server_settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/base/gif.h"
#include "core/base/identity.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"

namespace sky::httpsvr {

namespace {

constexpr char kSection[] = "Server";

std::string StripTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// 16x16 pictures: '.' transparent, '#' dark, '+' light, 'o' accent.
const char* const kBlankArt[16] = {
    "................", "................", "................", "................",
    "................", "................", "................", "................",
    "................", "................", "................", "................",
    "................", "................", "................", "................"};
const char* const kFileArt[16] = {
    "..#########.....", "..#+++++++##....", "..#+++++++#+#...", "..#+++++++####..",
    "..#++++++++++#..", "..#+oooooooo+#..", "..#++++++++++#..", "..#+oooooooo+#..",
    "..#++++++++++#..", "..#+oooooooo+#..", "..#++++++++++#..", "..#+ooooo++++#..",
    "..#++++++++++#..", "..#++++++++++#..", "..############..", "................"};
const char* const kFolderArt[16] = {
    "................", "................", "..#####.........", ".#ooooo#........",
    "#ooooooo#######.", "#oooooooooooooo#", "#o++++++++++++o#", "#o+oooooooooooo#",
    "#o+oooooooooooo#", "#o+oooooooooooo#", "#o+oooooooooooo#", "#o+oooooooooooo#",
    "#oooooooooooooo#", "################", "................", "................"};
const char* const kPrevArt[16] = {
    "................", ".......#........", "......#o#.......", ".....#ooo#......",
    "....#ooooo#.....", "...#ooooooo#....", "..#ooooooooo#...", ".#####ooo#####..",
    ".....#ooo#......", ".....#ooo#......", ".....#ooo#......", ".....#ooo#......",
    ".....#ooo#......", ".....#####......", "................", "................"};

// Four colours, the first transparent.
std::string EncodeGif(const char* const art[16]) {
    static const std::vector<GifColour> palette = {
        {0xff, 0xff, 0xff}, {0x33, 0x33, 0x66}, {0xf0, 0xf0, 0xe8}, {0xe8, 0xb0, 0x30}};
    return sky::EncodeGif(
        16, 16, palette,
        [art](int x, int y) {
            char c = art[y][x];
            return c == '#' ? 1 : c == '+' ? 2 : c == 'o' ? 3 : 0;
        },
        0);
}

const char kWelcomePage[] =
    "<html>\n<head><title>Welcome</title></head>\n"
    "<body bgcolor=\"#AAFFFF\" text=\"#666666\">\n"
    "<h1>Welcome to my SkyHarbor server</h1>\n"
    "<p>This page is served from my own computer by the SkyHarbor personal web server.</p>\n"
    "<p>Put the files you want to share into my public folder and they appear here.</p>\n"
    "</body>\n</html>\n";

bool MakeFolder(const std::string& path, std::string* error) {
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
}

}  // namespace

ServerSettings ServerSettings::Load(const SettingsStore& store) {
    ServerSettings s;
    s.root = StripTrailingSlash(store.GetString(kSection, "Root", DefaultRoot()));
    s.ownName = store.GetInt(kSection, "OwnName", 0) != 0;
    s.serverName = s.ownName ? store.GetString(kSection, "ServerName", ComputerName()) : ComputerName();
    s.port = store.GetInt(kSection, "Port", kDefaultPort);
    s.listenAddress = store.GetString(kSection, "ListenAddress", "");
    s.longListing = store.GetInt(kSection, "LongListing", 1) != 0;
    s.showIcons = store.GetInt(kSection, "ShowIcons", 1) != 0;
    s.allowListings = store.GetInt(kSection, "AllowListings", 1) != 0;
    s.startAtStartup = store.GetInt(kSection, "StartAtStartup", 0) != 0;
    return s;
}

bool ServerSettings::Save(SettingsStore& store) const {
    // One write for the set: a reader never sees half of the new options.
    return store.Edit([this](SettingsEdit& e) {
        e.Set(kSection, "Root", root);
        e.Set(kSection, "ServerName", serverName);
        e.SetInt(kSection, "Port", port);
        e.Set(kSection, "ListenAddress", listenAddress);
        e.SetInt(kSection, "OwnName", ownName);
        e.SetInt(kSection, "LongListing", longListing);
        e.SetInt(kSection, "ShowIcons", showIcons);
        e.SetInt(kSection, "AllowListings", allowListings);
        e.SetInt(kSection, "StartAtStartup", startAtStartup);
    });
}

std::string DefaultRoot() {
    return StripTrailingSlash(JoinPath(DataRoot(), "PublicFiles"));
}

std::string IconGif(const std::string& name) {
    if (name == "Blank.gif") return EncodeGif(kBlankArt);
    if (name == "File.gif") return EncodeGif(kFileArt);
    if (name == "Folder.gif") return EncodeGif(kFolderArt);
    if (name == "Prev.gif") return EncodeGif(kPrevArt);
    return {};
}

bool CreateDefaultRoot(const std::string& root, std::string* error) {
    struct stat st {};
    if (::stat(root.c_str(), &st) == 0) return true;
    // Parents first (the data root may not exist yet).
    for (size_t i = 1; i < root.size(); ++i) {
        if (root[i] == '/' && !MakeFolder(root.substr(0, i), error)) return false;
    }
    if (!MakeFolder(root, error) || !MakeFolder(root + "/SvrAdmin", error)) return false;
    if (!WriteFileAtomically(root + "/index.htm", kWelcomePage, error)) return false;
    for (const char* icon : {"Blank.gif", "File.gif", "Folder.gif", "Prev.gif"}) {
        if (!WriteFileAtomically(root + "/SvrAdmin/" + icon, IconGif(icon), error)) return false;
    }
    return true;
}

}  // namespace sky::httpsvr
