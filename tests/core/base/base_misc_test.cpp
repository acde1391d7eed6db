#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/base/gif.h"
#include "core/base/identity.h"
#include "core/base/mime_types.h"
#include "core/base/paths.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "support/sandbox.h"

namespace sky {
namespace {

TEST(PathsTest, SkyharborHomeMovesEverything) {
    test::Sandbox sandbox;
    EXPECT_EQ(DataRoot(), sandbox.home());
    EXPECT_EQ(SettingsPath(), sandbox.home() + "/skyharbor.ini");

    std::string dir = GetDataDir("Channel Files");
    EXPECT_EQ(dir, sandbox.home() + "/Channel Files/");
    EXPECT_TRUE(std::filesystem::is_directory(dir));

    EXPECT_EQ(GetDataDir("DefaultUser/email/InBox", false), sandbox.home() + "/DefaultUser/email/InBox/");
    EXPECT_FALSE(std::filesystem::exists(sandbox.home() + "/DefaultUser"));
}

TEST(PathsTest, XdgFoldersWithoutSkyharborHome) {
    test::Sandbox sandbox;
    ::unsetenv("SKYHARBOR_HOME");
    ::setenv("XDG_DATA_HOME", (sandbox.home() + "/data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (sandbox.home() + "/config").c_str(), 1);
    EXPECT_EQ(DataRoot(), sandbox.home() + "/data/skyharbor");
    EXPECT_EQ(SettingsPath(), sandbox.home() + "/config/skyharbor/skyharbor.ini");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(PathsTest, DataDirThatCannotBeMadeIsEmpty) {
    test::Sandbox sandbox;
    test::WriteFile(sandbox.path("Art"), "a file where a folder should be");
    std::string err;
    EXPECT_EQ(GetDataDir("Art", true, &err), "");
    EXPECT_FALSE(err.empty());
}

TEST(PathsTest, PrivateTempDirIsPrivateAndStable) {
    std::string dir = PrivateTempDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir, PrivateTempDir());
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(MimeTypesTest, ParsesTheSystemFormat) {
    auto table = MimeTypes::Parse(
        "# comment text/x-nope nope\n"
        "text/html\t\thtml htm shtml\n"
        "image/gif gif\n"
        "application/x-empty\n"
        "text/alt html\n"
        "garbage\n");
    EXPECT_EQ(table.TypeFor("htm"), "text/html");
    EXPECT_EQ(table.TypeFor(".HTML"), "text/html");
    EXPECT_EQ(table.TypeFor("gif"), "image/gif");
    EXPECT_EQ(table.TypeFor("nope"), "");
    EXPECT_EQ(table.TypeFor(""), "");
    // The real table is there (package media-types).
    EXPECT_EQ(MimeTypeForExtension("png"), "image/png");
}

TEST(IdentityTest, NicknameWinsElseNameDotAddress) {
    EXPECT_EQ(MachineIdentity("pilot"), "pilot");
    std::string id = MachineIdentity("");
    std::string ip = FirstIPv4Address();
    EXPECT_EQ(id, ComputerName() + "." + (ip.empty() ? std::string("Unknown.") : ip));
}

// Reads back an image as any GIF decoder would: codes one bit wider than the
// colours, a table that grows with each code after a clear, and a wider code
// once it is full. Returns the pixels, or nothing when the stream breaks.
std::optional<std::vector<int>> DecodeGif(const std::string& g) {
    if (g.rfind("GIF89a", 0) != 0 || g.size() < 13) return std::nullopt;
    size_t at = 13 + 3 * (size_t(2) << (uint8_t(g[10]) & 7));
    if (g.compare(at, 2, "\x21\xf9") == 0) at += 8;
    if (at + 11 > g.size() || g[at] != ',') return std::nullopt;
    int bits = g[at + 10];
    std::string data;
    for (at += 11; at < g.size() && g[at] != 0; at += 1 + uint8_t(g[at]))
        data.append(g, at + 1, uint8_t(g[at]));
    unsigned clear = 1u << bits, width = bits + 1, next = clear + 2, pos = 0;
    bool first = true;
    std::vector<int> pixels;
    while (pos + width <= data.size() * 8) {
        unsigned code = 0;
        for (unsigned b = 0; b < width; ++b, ++pos) code |= ((uint8_t(data[pos / 8]) >> (pos % 8)) & 1u) << b;
        if (code == clear) {
            width = bits + 1, next = clear + 2, first = true;
            continue;
        }
        if (code == clear + 1) return pixels;
        if (code >= clear) return std::nullopt;  // only single colours are ever written
        pixels.push_back(int(code));
        if (!first && ++next == (1u << width) && width < 12) ++width;
        first = false;
    }
    return std::nullopt;
}

TEST(GifTest, PixelsReadBackWhateverThePaletteSize) {
    for (size_t colours : {2u, 4u, 5u, 130u}) {
        std::vector<GifColour> palette(colours, GifColour{1, 2, 3});
        auto pixel = [&](int x, int y) { return int((x * 7 + y * 3) % colours); };
        std::string g = EncodeGif(37, 9, palette, pixel, 1);
        auto pixels = DecodeGif(g);
        ASSERT_TRUE(pixels) << colours;
        ASSERT_EQ(pixels->size(), 37u * 9u);
        for (int i = 0; i < 37 * 9; ++i)
            ASSERT_EQ((*pixels)[i], pixel(i % 37, i / 37)) << colours << " " << i;
    }
}

TEST(ServiceConfigTest, EmbeddedByDefaultElseConfiguredHosts) {
    test::Sandbox sandbox;
    SettingsStore s(SettingsPath());
    auto cfg = ServiceConfig::Load(s);
    EXPECT_TRUE(cfg.embedded);
    EXPECT_EQ(cfg.hosts.web, "127.0.0.1:7780");
    EXPECT_EQ(cfg.hosts.comments, "127.0.0.1:7780");

    s.WriteInt("Service", "Embedded", 0);
    s.WriteString("Service", "WebHost", "www.example.net");
    s.WriteString("Service", "AdHost", "ads.example.net:81");
    cfg = ServiceConfig::Load(s);
    EXPECT_FALSE(cfg.embedded);
    EXPECT_EQ(cfg.hosts.web, "www.example.net");
    EXPECT_EQ(cfg.hosts.ad, "ads.example.net:81");
    EXPECT_EQ(cfg.hosts.publicSpace, "www.example.net");

    EXPECT_EQ(StartPageUrl(cfg.hosts.web), "http://www.example.net/sky_start/skydata.htm");
}

}  // namespace
}  // namespace sky
