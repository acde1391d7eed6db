#include <gtest/gtest.h>

#include <ctime>

#include "core/ftp/ftp_client.h"

namespace sky::ftp {
namespace {

std::time_t Utc(int y, int mo, int d, int h, int mi, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return timegm(&tm);
}

TEST(FtpListing, UnixForms) {
    auto e = ParseListing(
        "total 12\r\n"
        "drwxr-xr-x    2 ftp      ftp          4096 Mar 03  2021 pub\r\n"
        "-rw-r--r--    1 ftp      ftp      12345678901 Jan  5  2020 big file.iso\r\n"
        "lrwxrwxrwx    1 0        0               7 Feb 10  2022 latest -> pub/v2\r\n"
        "-rw-r--r--   1 owner   512 Dec 24  2019 nogroup.txt\r\n"
        "drwxr-xr-x    2 ftp      ftp          4096 Mar 03  2021 .\r\n"
        "-rw-r--r--    1 ftp      ftp             3 Jun  1  2023   two  spaces \r\n");
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].name, "pub");
    EXPECT_TRUE(e[0].folder);
    EXPECT_EQ(e[0].modified, Utc(2021, 3, 3, 0, 0));
    EXPECT_EQ(e[1].name, "big file.iso");
    EXPECT_EQ(e[1].size, 12345678901ull);
    EXPECT_FALSE(e[1].folder);
    EXPECT_EQ(e[2].name, "latest");
    EXPECT_EQ(e[3].name, "nogroup.txt");
    EXPECT_EQ(e[3].size, 512u);
    EXPECT_EQ(e[4].name, "  two  spaces ");
}

TEST(FtpListing, UnixTimeWithoutYearIsNeverAhead) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // A month ahead of now (same day-of-month clipped to 28) must be last year's.
    int ahead = (tm.tm_mon + 1) % 12;
    std::string line = std::string("-rw-r--r-- 1 u g 1 ") + kMonths[ahead] + " 28 13:45 f\n";
    auto e = ParseListing(line);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_LE(e[0].modified, now + 86400);
    EXPECT_GT(e[0].modified, now - 366 * 86400);
}

TEST(FtpListing, Mlsd) {
    auto e = ParseListing(
        "type=cdir;modify=20240101000000; .\r\n"
        "type=pdir;modify=20240101000000; ..\r\n"
        "Type=dir;Modify=20240131120000;perm=el; docs\r\n"
        "type=file;size=1048576;modify=20240131120005.123;UNIX.mode=0644; a; b.txt\r\n");
    ASSERT_EQ(e.size(), 2u);
    EXPECT_TRUE(e[0].folder);
    EXPECT_EQ(e[0].name, "docs");
    EXPECT_EQ(e[1].name, "a; b.txt");
    EXPECT_EQ(e[1].size, 1048576u);
    EXPECT_EQ(e[1].modified, Utc(2024, 1, 31, 12, 0, 5));
}

TEST(FtpListing, Dos) {
    auto e = ParseListing(
        "01-31-24  10:30PM       <DIR>          My Documents\r\n"
        "12-05-1999  08:00AM              1234 readme.txt\r\n"
        "02-01-24  12:15AM                 0 empty\r\n");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_TRUE(e[0].folder);
    EXPECT_EQ(e[0].name, "My Documents");
    EXPECT_EQ(e[0].modified, Utc(2024, 1, 31, 22, 30));
    EXPECT_EQ(e[1].size, 1234u);
    EXPECT_EQ(e[1].modified, Utc(1999, 12, 5, 8, 0));
    EXPECT_EQ(e[2].modified, Utc(2024, 2, 1, 0, 15));
}

TEST(FtpListing, HostileLinesAreSkippedOrKeptAsNames) {
    auto e = ParseListing(
        "garbage line\n"
        "-rw-r--r-- 1 u g 99999999999999999999999 Jan 1 2020 toolong\n"
        "-rw-r--r-- 1 u g 1 Foo 1 2020 nomonth\n"
        "-rw-r--r-- 1 u g 1 Jan 1 2020 ../../etc/passwd\n"
        "type=file;size=1; /abs/name\n"
        "13-45-24  99:99PM  <DIR> bad date\n"
        "-rw-r--r-- 1 u g 1 Jan 1 2020 \n"
        "type=file;size=1;\n");
    ASSERT_EQ(e.size(), 2u);
    // Parsed as the server sent them; whoever writes them locally must refuse them.
    EXPECT_EQ(e[0].name, "../../etc/passwd");
    EXPECT_FALSE(SafeLocalName(e[0].name));
    EXPECT_EQ(e[1].name, "/abs/name");
    EXPECT_FALSE(SafeLocalName(e[1].name));
}

}  // namespace
}  // namespace sky::ftp
