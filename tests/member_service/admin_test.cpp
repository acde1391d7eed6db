#include <sys/wait.h>

#include <cstdio>

#include "service_fixture.h"

namespace sky::member::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

Outcome RunService(const std::string& args) {
    Outcome r;
    std::string cmd = std::string(SKYHARBOR_MEMBER_SERVICE_PATH) + " " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

using AdminTest = ServiceTest;

TEST_F(AdminTest, CommandsOfTheBinaryReachARunningService) {
    const std::string data = "--data '" + data_ + "' ";
    Outcome first = RunService(data + "post bulletin http://example.org/one.htm");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "1\n");
    Outcome second = RunService(data + "post bulletin http://example.org/two.htm");
    EXPECT_EQ(second.out, "2\n");
    EXPECT_EQ(RunService(data + "interval 120000").status, 0);
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Ping&Account=x&LastStartupMsg=0&LastBroadcast=0&LastBulletin=1").body,
              "PONG#PINGINTERVAL=120000#BULLETIN=2=http://example.org/two.htm#");

    EXPECT_EQ(RunService(data + "add-member Henry Secret9 hint h@example.org").status, 0);
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=henry&Password=secret9").body, "__OK");
    EXPECT_EQ(RunService(data + "add-member henry other hint h@example.org").status, 1);
}

TEST_F(AdminTest, WithoutDataFolderUsesTheProgramsOwn) {
    // The fixture's service keeps its data where the program's embedded one does.
    ASSERT_EQ(data_, DefaultDataDir());
    EXPECT_EQ(RunService("post startup http://example.org/welcome.htm").out, "1\n");
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Ping&LastStartupMsg=0&LastBroadcast=0&LastBulletin=0").body,
              "PONG#STARTUPMSG=1=http://example.org/welcome.htm#");
}

TEST_F(AdminTest, SecondServiceOnABusyPortFailsToStart) {
    Options options;
    options.port = service_->port();
    options.dataDir = data_;
    MemberService second(options);
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find(std::to_string(service_->port())), std::string::npos) << error;
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Ping").body, "PONG#");
}

TEST_F(AdminTest, UsageErrorsExitWithTwo) {
    const std::string data = "--data '" + data_ + "' ";
    EXPECT_EQ(RunService(data + "post weekly http://example.org/").status, 2);
    EXPECT_EQ(RunService(data + "post bulletin").status, 2);
    EXPECT_EQ(RunService(data + "interval soon").status, 2);
    EXPECT_EQ(RunService("--bogus").status, 2);
    EXPECT_EQ(RunService(data + "post bulletin 'http://example.org/#top'").status, 1);
}

TEST_F(AdminTest, SharedServiceOptionsAreChecked) {
    const std::string data = "--data '" + data_ + "' --listen 127.0.0.1:0 ";
    EXPECT_EQ(RunService(data + "--max-space-gb 0").status, 2);
    EXPECT_EQ(RunService(data + "--max-space-gb lots").status, 2);
    EXPECT_EQ(RunService(data + "--public-url").status, 2);
    // Refused before it serves, so it exits at once.
    EXPECT_EQ(RunService(data + "--public-url ftp://harbor.example.org").status, 1);
    EXPECT_EQ(RunService(data + "--public-url 'http://x\"><script>'").status, 1);
}

}  // namespace
}  // namespace sky::member::test
