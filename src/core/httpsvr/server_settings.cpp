#include "core/httpsvr/server_settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/base/atomic_file.h"
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

// An uncompressed GIF: a clear code before every second pixel keeps the LZW
// code width at three bits, so no real compressor is needed.
std::string EncodeGif(const char* const art[16]) {
    std::string out = "GIF89a";
    auto u16 = [&](int v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>(v >> 8);
    };
    u16(16);
    u16(16);
    out += static_cast<char>(0x81);  // global table of 4 colours
    out += '\0';
    out += '\0';
    const unsigned char palette[12] = {0xff, 0xff, 0xff, 0x33, 0x33, 0x66,
                                       0xf0, 0xf0, 0xe8, 0xe8, 0xb0, 0x30};
    out.append(reinterpret_cast<const char*>(palette), sizeof palette);
    // Colour 0 transparent.
    out += "\x21\xf9\x04\x01";
    out += std::string("\0\0\0\0", 4);
    out += ',';
    u16(0);
    u16(0);
    u16(16);
    u16(16);
    out += '\0';
    out += '\x02';  // minimum code size

    std::vector<int> codes;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (x % 2 == 0) codes.push_back(4);
            char c = art[y][x];
            codes.push_back(c == '#' ? 1 : c == '+' ? 2 : c == 'o' ? 3 : 0);
        }
    }
    codes.push_back(5);
    std::string data;
    unsigned bits = 0, nbits = 0;
    for (int code : codes) {
        bits |= static_cast<unsigned>(code) << nbits;
        nbits += 3;
        while (nbits >= 8) {
            data += static_cast<char>(bits & 0xff);
            bits >>= 8;
            nbits -= 8;
        }
    }
    if (nbits) data += static_cast<char>(bits & 0xff);
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out += static_cast<char>(n);
        out.append(data, i, n);
    }
    out += '\0';
    out += ';';
    return out;
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
    s.longListing = store.GetInt(kSection, "LongListing", 1) != 0;
    s.showIcons = store.GetInt(kSection, "ShowIcons", 1) != 0;
    s.allowListings = store.GetInt(kSection, "AllowListings", 1) != 0;
    s.startAtStartup = store.GetInt(kSection, "StartAtStartup", 0) != 0;
    return s;
}

bool ServerSettings::Save(SettingsStore& store) const {
    return store.WriteString(kSection, "Root", root) &&
           store.WriteString(kSection, "ServerName", serverName) && store.WriteInt(kSection, "Port", port) &&
           store.WriteInt(kSection, "OwnName", ownName) &&
           store.WriteInt(kSection, "LongListing", longListing) &&
           store.WriteInt(kSection, "ShowIcons", showIcons) &&
           store.WriteInt(kSection, "AllowListings", allowListings) &&
           store.WriteInt(kSection, "StartAtStartup", startAtStartup);
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
