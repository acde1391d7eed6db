#include <gtest/gtest.h>

#include "core/app/software_version.h"

namespace sky {
namespace {

int Cmp(const char* a, const char* b) {
    auto va = ParseSoftwareVersion(a), vb = ParseSoftwareVersion(b);
    EXPECT_TRUE(va && vb) << a << " / " << b;
    return va && vb ? va->Compare(*vb) : 99;
}

TEST(SoftwareVersionTest, OrdersReleasesAsPeopleReadThem) {
    EXPECT_LT(Cmp("1.5 G", "1.6"), 0);
    EXPECT_LT(Cmp("1.5", "1.5 G"), 0);
    EXPECT_LT(Cmp("1.5 G", "1.5 H"), 0);
    EXPECT_LT(Cmp("1.5 G", "1.5.1"), 0);
    EXPECT_LT(Cmp("1.9", "1.10"), 0);
    EXPECT_LT(Cmp("2", "10.0"), 0);
    EXPECT_EQ(Cmp("1.5 g", "v1.05 G\r\n"), 0);
    EXPECT_GT(Cmp("12345678901234567890.1", "9.9"), 0);
}

TEST(SoftwareVersionTest, ReadsOnlyAVersionLine) {
    EXPECT_EQ(ParseSoftwareVersion("  1.6 \r\nnotes follow\n")->text, "1.6");
    for (const char* bad : {"", "\n1.6", "<html>404</html>", "version 1.6", "1.6; rm -rf",
                            "1.00000000000000000000000000000000000"})
        EXPECT_FALSE(ParseSoftwareVersion(bad)) << bad;
    // This program's own version reads back and is up to date against itself.
    auto own = ParseSoftwareVersion(ProgramVersion().text);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->Compare(ProgramVersion()), 0);
}

}  // namespace
}  // namespace sky
