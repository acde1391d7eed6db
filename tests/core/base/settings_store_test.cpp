#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/base/atomic_file.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "support/sandbox.h"

namespace sky {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    test::Sandbox sandbox;
    std::string file = sandbox.path("skyharbor.ini");
    SettingsStore store{file};
};

TEST_F(SettingsStoreTest, RoundTripsValuesAndDefaults) {
    EXPECT_EQ(store.GetInt("Misc", "Count", 42), 42);
    EXPECT_EQ(store.GetString("Misc", "Account", "none"), "none");
    EXPECT_FALSE(store.Has("Misc", "Account"));

    ASSERT_TRUE(store.WriteInt("Startup", "Zoom", -7));
    ASSERT_TRUE(store.WriteString("Misc", "Account", "sampleid"));
    ASSERT_TRUE(store.WriteString("Misc", "Empty", ""));

    SettingsStore again(file);
    EXPECT_EQ(again.GetInt("Startup", "Zoom", 0), -7);
    EXPECT_EQ(again.GetString("Misc", "Account"), "sampleid");
    // A key that is present but empty is not the default.
    EXPECT_TRUE(again.Has("Misc", "Empty"));
    EXPECT_EQ(again.GetString("Misc", "Empty", "dflt"), "");
    EXPECT_EQ(test::ReadFile(file), "[Startup]\nZoom=-7\n[Misc]\nAccount=sampleid\nEmpty=\n");
}

TEST_F(SettingsStoreTest, SectionAndKeyNamesIgnoreCase) {
    ASSERT_TRUE(store.WriteInt("Misc", "popup", 0));
    ASSERT_TRUE(store.WriteInt("misc", "statuspopup", 1));
    ASSERT_TRUE(store.WriteInt("MISC", "POPUP", 5));
    EXPECT_EQ(store.GetInt("misc", "Popup", 1), 5);
    EXPECT_EQ(store.GetInt("Misc", "statusPopup", 0), 1);
    // One section in the file, spelled as first written, the key as first written.
    EXPECT_EQ(test::ReadFile(file), "[Misc]\npopup=5\nstatuspopup=1\n");
}

TEST_F(SettingsStoreTest, WritesKeepEveryOtherLine) {
    const std::string original =
        "; written by hand\r\n"
        "[Server]\r\n"
        "Root = /srv/files \r\n"
        "Port=8080\r\n"
        "\r\n"
        "[chat]\r\n"
        "nickname=\"Sky Pilot\"\r\n"
        "weird line without equals\r\n";
    test::WriteFile(file, original);

    EXPECT_EQ(store.GetString("Server", "Root"), "/srv/files");
    EXPECT_EQ(store.GetString("chat", "nickname"), "Sky Pilot");
    ASSERT_TRUE(store.WriteInt("Server", "Port", 9090));
    ASSERT_TRUE(store.WriteInt("Server", "StartAtStartup", 1));

    std::string now = test::ReadFile(file);
    // The new key goes at the end of its section, before the blank line.
    EXPECT_EQ(now,
              "; written by hand\n[Server]\nRoot = /srv/files \nPort=9090\nStartAtStartup=1\n\n"
              "[chat]\nnickname=\"Sky Pilot\"\nweird line without equals\n");
    ASSERT_TRUE(store.Remove("Server", "Port"));
    EXPECT_EQ(store.GetInt("Server", "Port", 80), 80);
    EXPECT_EQ(store.GetString("chat", "nickname"), "Sky Pilot");
}

TEST_F(SettingsStoreTest, SeesWritesOfOtherStoresAndPrograms) {
    ASSERT_TRUE(store.WriteString("Misc", "Account", "first"));
    EXPECT_EQ(store.GetString("Misc", "Account"), "first");
    // Another store on the same file (as skyharbor-cli is): replaced by rename.
    SettingsStore other(file);
    ASSERT_TRUE(other.WriteString("Misc", "Account", "second"));
    EXPECT_EQ(store.GetString("Misc", "Account"), "second");
    // Rewritten in place by hand.
    test::WriteFile(file, "[Misc]\nAccount=third, by hand\n");
    EXPECT_EQ(store.GetString("Misc", "Account"), "third, by hand");
    std::filesystem::remove(file);
    EXPECT_EQ(store.GetString("Misc", "Account", "gone"), "gone");
}

// Counts the times a file is renamed into `dir` while it lives.
class RenameCounter {
public:
    explicit RenameCounter(const std::string& dir) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ::inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO);
    }
    ~RenameCounter() { ::close(fd_); }
    int Count(const std::string& name) {
        alignas(inotify_event) char buf[4096];
        ssize_t n;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len && name == e->name) ++count_;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return count_;
    }

private:
    int fd_ = -1;
    int count_ = 0;
};

TEST_F(SettingsStoreTest, EditWritesABatchOnce) {
    ASSERT_TRUE(store.WriteString("Server", "Port", "80"));
    ASSERT_TRUE(store.WriteString("Server", "Old", "x"));
    SettingsStore other(file);
    ASSERT_TRUE(other.WriteString("Server", "Root", "/srv"));

    RenameCounter renames(sandbox.home());
    ASSERT_TRUE(store.Edit([](SettingsEdit& e) {
        // Sees the other store's write, and its own changes as it goes.
        e.Set("server", "Root", e.GetString("Server", "Root") + "/www");
        e.SetInt("Server", "Port", e.GetInt("Server", "Port", 0) + 8000);
        e.Set("Server", "Name", "home");
        e.SetInt("Server", "Log", e.GetInt("Server", "Port", 0));
        e.Remove("Server", "Old");
        e.Remove("Server", "Never");
        e.Set("Chat", "nickname", e.Has("Server", "Old") ? "wrong" : "sky");
    }));
    EXPECT_EQ(renames.Count("skyharbor.ini"), 1);
    EXPECT_EQ(other.GetString("Server", "Root"), "/srv/www");
    EXPECT_EQ(other.GetInt("Server", "Port", 0), 8080);
    EXPECT_EQ(other.GetInt("Server", "Log", 0), 8080);
    EXPECT_EQ(other.GetString("Server", "Name"), "home");
    EXPECT_FALSE(other.Has("Server", "Old"));
    EXPECT_EQ(other.GetString("Chat", "nickname"), "sky");

    // A batch that changes nothing leaves the file alone.
    ASSERT_TRUE(store.Edit([](SettingsEdit& e) { e.Remove("Server", "Never"); }));
    EXPECT_EQ(renames.Count("skyharbor.ini"), 1);

    SettingsStore bad(sandbox.path("skyharbor.ini/below.ini"));
    EXPECT_FALSE(bad.Edit([](SettingsEdit& e) { e.Set("a", "b", "c"); }));
    EXPECT_FALSE(bad.lastError().empty());
}

TEST_F(SettingsStoreTest, ValueWithLineBreakCannotInjectKeys) {
    ASSERT_TRUE(store.WriteString("Misc", "Account", "evil\n[Misc]\nCook=1"));
    EXPECT_FALSE(store.Has("Misc", "Cook"));
    EXPECT_EQ(store.KeyNames("Misc").size(), 1u);
}

TEST_F(SettingsStoreTest, IntegersParseLikeTheClassicReader) {
    test::WriteFile(file, "[n]\na=12abc\nb=  -3\nc=abc\nd=99999999999\ne=+4\n");
    EXPECT_EQ(store.GetInt("n", "a", 7), 12);
    EXPECT_EQ(store.GetInt("n", "b", 7), -3);
    EXPECT_EQ(store.GetInt("n", "c", 7), 0);
    EXPECT_EQ(store.GetInt("n", "d", 7), 2147483647);
    EXPECT_EQ(store.GetInt("n", "e", 7), 4);
}

TEST_F(SettingsStoreTest, InterruptedWriteLeavesOldFileIntact) {
    ASSERT_TRUE(store.WriteString("Misc", "Account", "first"));
    const std::string before = test::ReadFile(file);

    std::string err;
    bool ok = WriteFileAtomically(file, "[Misc]\nAccount=second\n", &err, [] { return false; });
    EXPECT_FALSE(ok);
    EXPECT_EQ(test::ReadFile(file), before);
    // No temporary file is left lying beside it.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(sandbox.home()))
        entries += e.is_regular_file() && e.path().filename() != ".skyharbor.ini.lock";
    EXPECT_EQ(entries, 1);
}

TEST_F(SettingsStoreTest, UnwritablePlaceReportsFailure) {
    // A file where the folder should be stops even root.
    test::WriteFile(sandbox.path("blocker"), "x");
    SettingsStore bad(sandbox.path("blocker/s.ini"));
    EXPECT_FALSE(bad.WriteInt("a", "b", 1));
    EXPECT_FALSE(bad.lastError().empty());
}

TEST_F(SettingsStoreTest, HostileFilesReadWithoutHarm) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) & 0xff);
    const std::string cases[] = {
        "no sections at all\nkey=value\n",
        std::string(1 << 20, 'x'),  // one long line
        binary,
        std::string("[Misc\0]\nAccount=a\0b\n", 21),
        "[]\n=\n[\n]\n==\n[Misc]]\nAccount==x\n",
        "\r\r\r\n\n[Misc]",
    };
    for (const auto& c : cases) {
        test::WriteFile(file, c);
        (void)store.GetString("Misc", "Account");
        (void)store.GetInt("Misc", "Account", 0);
        EXPECT_TRUE(store.WriteString("Misc", "Account", "ok"));
        EXPECT_EQ(store.GetString("Misc", "Account"), "ok");
    }
    // Keys before any section belong to no section.
    test::WriteFile(file, "Account=stray\n");
    EXPECT_EQ(store.GetString("Misc", "Account", "none"), "none");
}

}  // namespace
}  // namespace sky

namespace sky {
namespace {

// A process that runs one sandbox after another writes each one's settings
// into that sandbox, not into the first it saw.
TEST(SettingsSandboxTest, EachSandboxGetsItsOwnSettings) {
    std::string first, second;
    {
        test::Sandbox a;
        ASSERT_TRUE(SettingsStore::App().WriteString("Misc", "Who", "first"));
        first = test::ReadFile(SettingsPath());
        EXPECT_EQ(SettingsPath().rfind(a.home(), 0), 0u);
    }
    test::Sandbox b;
    EXPECT_EQ(SettingsStore::App().GetString("Misc", "Who"), "");
    ASSERT_TRUE(SettingsStore::App().WriteString("Misc", "Who", "second"));
    EXPECT_EQ(SettingsPath().rfind(b.home(), 0), 0u);
    second = test::ReadFile(SettingsPath());
    EXPECT_NE(first.find("Who=first"), std::string::npos);
    EXPECT_NE(second.find("Who=second"), std::string::npos);
    EXPECT_EQ(second.find("first"), std::string::npos);
}

}  // namespace
}  // namespace sky
