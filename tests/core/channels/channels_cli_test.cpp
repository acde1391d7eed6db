#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/channels/channel_list.h"
#include "support/sandbox.h"

namespace sky {
namespace {

struct CliRun {
    int status;
    std::string out;
};

// Runs skyharbor-cli with the sandbox's SKYHARBOR_HOME; stdout only.
CliRun Cli(const std::string& args) {
    std::string command = std::string(SKYHARBOR_CLI_PATH) + " " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    CliRun run{-1, {}};
    if (!pipe) return run;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(ChannelsCli, ImportListExportRoundTrip) {
    test::Sandbox box;
    EXPECT_EQ(Cli("channels list").status, 0);
    EXPECT_EQ(Cli("channels list").out, "");

    std::string in = box.path("in.sdf");
    test::WriteFile(in,
                    "\r\n~CH:News\r\n~FO:Papers\r\n~PN:Post\r\n~PU:http://post/"
                    "\r\n~CH:Sport\r\n~FN:Ski\r\n~FU:http://ski/");
    CliRun imported = Cli("channels import '" + in + "'");
    EXPECT_EQ(imported.status, 0);
    EXPECT_EQ(imported.out, "Done !\n");
    EXPECT_EQ(Cli("channels import '" + in + "' --on-clash skip").status, 0);

    const char listing[] =
        "News\tChannel!\n  Papers\t_FOLDER\n    Post\thttp://post/\nSport\tChannel!\n  Ski\thttp://ski/\n";
    EXPECT_EQ(Cli("channels list").out, listing);

    std::string out = box.path("out.sdf");
    EXPECT_EQ(Cli("channels export '" + out + "' Sport Nope").status, 2);
    EXPECT_FALSE(std::ifstream(out).good());
    EXPECT_EQ(Cli("channels export '" + out + "' Sport").status, 0);
    EXPECT_EQ(Cli("channels list --file '" + out + "'").out, "Sport\tChannel!\n  Ski\thttp://ski/\n");
    EXPECT_EQ(Cli("channels list --file '" + box.path("missing") + "'").status, 1);
    EXPECT_EQ(Cli("channels import '" + box.path("missing") + "'").status, 1);
}

}  // namespace
}  // namespace sky
