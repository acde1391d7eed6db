#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/atomic_file.h"
#include "support/sandbox.h"

namespace sky {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
}

// The descriptor this process holds open on `path`, -1 when none.
int OpenDescriptorOf(const std::string& path) {
    for (auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(e.path(), ec) == path) return std::stoi(e.path().filename());
    }
    return -1;
}

TEST(AtomicFileTest, WriteInProgressIsHiddenAndNotInherited) {
    test::Sandbox box;
    AtomicFileWriter writer(box.path("big.bin"));
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(writer.Write("half"));
    std::vector<std::string> names = Names(box.home());
    ASSERT_EQ(names.size(), 1u);
    const std::string& temp = names[0];
    long pid = 0;
    EXPECT_TRUE(temp.starts_with(".big.bin.")) << temp;
    EXPECT_TRUE(IsAtomicTemporaryName(temp, &pid)) << temp;
    EXPECT_EQ(pid, ::getpid());

    int fd = OpenDescriptorOf(box.path(temp));
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);

    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(Names(box.home()), std::vector<std::string>{"big.bin"});
}

TEST(AtomicFileTest, StaleTemporariesGoOthersStay) {
    test::Sandbox box;
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getppid());

    fs::create_directories(box.path("Channel Files/deep"));
    struct Case {
        std::string path;
        bool old;
        bool removed;
    } cases[] = {
        {"/.skychan1.sky." + dead + ".a1B2c3", false, true},               // writer killed
        {"/Channel Files/.x.sdf." + dead + ".Zz9Zz9", false, true},        // one level down
        {"/Channel Files/deep/.y.sdf." + dead + ".Zz9Zz9", false, false},  // below the depth asked
        {"/.big.bin." + alive + ".q1w2e3", false, false},                  // live writer at work
        {"/.crash.bin." + alive + ".q1w2e3", true, true},                  // untouched for days
        {"/.htaccess", true, false},                                       // the user's own
        {"/.notes.lock", true, false},
        {"/.a." + dead + ".abc", true, false},  // random tail too short
        {"/.a.x1." + dead, true, false},
        {"/report.backup", true, false},
    };
    for (const Case& c : cases) {
        test::WriteFile(box.home() + c.path, "data");
        if (c.old) {
            struct timespec times[2] = {{::time(nullptr) - 3 * 86400, 0}, {::time(nullptr) - 3 * 86400, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (box.home() + c.path).c_str(), times, 0), 0);
        }
    }
    // Our own write in progress is never taken for a leftover.
    AtomicFileWriter mine(box.path("mine.txt"));
    ASSERT_TRUE(mine.Write("x"));

    EXPECT_EQ(RemoveStaleTemporaries(box.home(), 1), 3u);
    for (const Case& c : cases) EXPECT_EQ(fs::exists(box.home() + c.path), !c.removed) << c.path;
    EXPECT_TRUE(mine.Commit());
    EXPECT_EQ(test::ReadFile(box.path("mine.txt")), "x");
}

}  // namespace
}  // namespace sky
