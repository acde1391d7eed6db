#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/base/log.h"
#include "core/base/settings_store.h"
#include "support/sandbox.h"

namespace sky {
namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("SKYHARBOR_LOG", logFile.c_str(), 1); }
    void TearDown() override {
        ::unsetenv("SKYHARBOR_LOG");
        ::unsetenv("SKYHARBOR_LOG_LEVEL");
    }
    test::Sandbox box;
    std::string logFile = box.path("sky.log");
};

TEST_F(LogTest, FailedSettingsWriteIsLogged) {
    test::WriteFile(box.path("blocker"), "x");
    SettingsStore bad(box.path("blocker/skyharbor.ini"));
    EXPECT_FALSE(bad.WriteString("Misc", "Account", "a"));
    std::string log = test::ReadFile(logFile);
    EXPECT_NE(log.find(" warn settings: cannot write " + box.path("blocker/skyharbor.ini")),
              std::string::npos)
        << log;
    EXPECT_EQ(log.back(), '\n');
}

TEST_F(LogTest, LevelsLinesAndFiles) {
    LogDebug("test", "hidden by default");
    LogInfo("test", "two\nlines");
    ::setenv("SKYHARBOR_LOG_LEVEL", "ERROR", 1);
    LogWarn("test", "below error");
    LogError("test", "shown");
    ::setenv("SKYHARBOR_LOG_LEVEL", "off", 1);
    LogError("test", "nothing at all");
    ::setenv("SKYHARBOR_LOG_LEVEL", "debug", 1);
    std::string second = box.path("second.log");
    ::setenv("SKYHARBOR_LOG", second.c_str(), 1);
    LogDebug("test", "moved");

    std::string log = test::ReadFile(logFile);
    EXPECT_EQ(log.find("hidden"), std::string::npos);
    EXPECT_EQ(log.find("below error"), std::string::npos);
    EXPECT_EQ(log.find("nothing"), std::string::npos);
    EXPECT_NE(log.find(" info test: two lines\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" error test: shown\n"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
    EXPECT_NE(test::ReadFile(second).find(" debug test: moved\n"), std::string::npos);
}

}  // namespace
}  // namespace sky
