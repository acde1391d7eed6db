#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <set>
#include <string>

#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "support/sandbox.h"

extern char** environ;

namespace sky {
namespace {

// One writer: a shell loop of skyharbor-cli calls, each a read-modify-write of
// the settings file and of the main channel file.
pid_t StartWriter(const test::Sandbox& box, const std::string& tag) {
    for (int i = 0; i < 50; ++i)
        test::WriteFile(box.path(tag + std::to_string(i) + ".sdf"),
                        "\r\n~CH:" + tag + std::to_string(i) + "\r\n~FN:Home\r\n~FU:http://" + tag + "/");
    std::string script =
        "i=0; while [ $i -lt 50 ]; do "
        "\"$0\" settings set Race " +
        tag +
        "$i v$i || exit 1; "
        "\"$0\" channels import \"$1/" +
        tag +
        "$i.sdf\" >/dev/null || exit 1; "
        "i=$((i+1)); done";
    std::string cli = SKYHARBOR_CLI_PATH;
    std::string home = box.home();
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), cli.c_str(), home.c_str(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
    return pid;
}

TEST(ConcurrentWriters, TwoCliLoopsLoseNoSettingOrChannel) {
    test::Sandbox box;
    pid_t a = StartWriter(box, "A");
    pid_t b = StartWriter(box, "B");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(a, &status, 0), a);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(::waitpid(b, &status, 0), b);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    SettingsStore store(box.path("skyharbor.ini"));
    CChannelList list;
    ASSERT_TRUE(list.Load(MainChannelFilePath()));
    std::set<std::string> channels;
    for (const auto& c : list.channels()) channels.insert(c->name);
    std::string missingKeys, missingChannels;
    for (const char* tag : {"A", "B"}) {
        for (int i = 0; i < 50; ++i) {
            std::string name = tag + std::to_string(i);
            if (store.GetString("Race", name) != "v" + std::to_string(i)) missingKeys += name + " ";
            if (!channels.count(name)) missingChannels += name + " ";
        }
    }
    EXPECT_EQ(missingKeys, "");
    EXPECT_EQ(missingChannels, "");
    EXPECT_EQ(list.size(), 100u);
}

}  // namespace
}  // namespace sky
