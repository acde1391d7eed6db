// skyharbor-cli as a user meets it: help, mail fetch before any setup, an empty folder.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_run.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::CliRun;

CliRun Cli(const test::Sandbox& box, const std::string& args) {
    return test::RunCli(SKYHARBOR_CLI_PATH, box, args);
}

TEST(CliHelp, EveryWayOfAskingPrintsToStandardOutput) {
    test::Sandbox box;
    for (const char* ask : {"help", "--help", "-h"}) {
        CliRun run = Cli(box, ask);
        EXPECT_EQ(run.status, 0) << ask;
        EXPECT_EQ(run.err, "") << ask;
        for (const char* command : {"settings", "serve", "mail", "channels"})
            EXPECT_NE(run.out.find(command), std::string::npos) << ask << " lacks " << command;
    }
    for (const char* ask : {"mail send --help", "help mail send"}) {
        CliRun run = Cli(box, ask);
        EXPECT_EQ(run.status, 0) << ask;
        EXPECT_EQ(run.err, "") << ask;
        EXPECT_NE(run.out.find("skyharbor-cli mail send"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("--subject"), std::string::npos) << run.out;
    }
    // Mistakes go to standard error, with the same status everywhere.
    for (const char* wrong : {"", "nope", "mail send --to x", "serve --port 70000", "channels import"}) {
        CliRun run = Cli(box, wrong);
        EXPECT_EQ(run.status, 2) << wrong;
        EXPECT_EQ(run.out, "") << wrong;
        EXPECT_EQ(run.err.rfind("skyharbor-cli: ", 0), 0u) << wrong << ": " << run.err;
    }
}

TEST(MailCli, FetchWithoutAServerSaysHowToSetOne) {
    test::Sandbox box;
    CliRun run = Cli(box, "mail fetch");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("Connecting to"), std::string::npos) << run.out;
    const std::string command = "skyharbor-cli settings set email_DefaultUser pop HOST[:PORT]";
    EXPECT_NE(run.err.find(command), std::string::npos) << run.err;
    // The command it names is the one that works.
    EXPECT_EQ(Cli(box, "settings set email_DefaultUser pop 127.0.0.1:1").status, 0);
    EXPECT_EQ(Cli(box, "settings get email_DefaultUser pop").out, "127.0.0.1:1\n");
}

TEST(MailCli, AnEmptyFolderSaysSo) {
    test::Sandbox box;
    CliRun run = Cli(box, "mail list");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "0 messages in InBox\n");
    EXPECT_EQ(Cli(box, "mail list NoSuchFolder").status, 1);
}

}  // namespace
}  // namespace sky
