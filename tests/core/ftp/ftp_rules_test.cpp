#include <gtest/gtest.h>

#include "core/ftp/ftp_client.h"

namespace sky::ftp {
namespace {

TEST(FtpRules, FolderWalk) {
    EXPECT_EQ(OpenFolder("/pub/docs/", ".."), "/pub/");
    EXPECT_EQ(OpenFolder("/pub/", ".."), "/");
    EXPECT_EQ(OpenFolder("c:/", ".."), "c:/");
    EXPECT_EQ(OpenFolder("", ".."), "");
    EXPECT_EQ(OpenFolder("pub", ".."), "");
    EXPECT_EQ(OpenFolder("/pub/", "."), "/pub/");
    EXPECT_EQ(OpenFolder("/pub/", "docs"), "/pub/docs/");
}

TEST(FtpRules, IconsBySuffix) {
    EXPECT_EQ(IconOfName("photo.JPEG"), 5);
    EXPECT_EQ(IconOfName("a.GIF"), 5);
    EXPECT_EQ(IconOfName("readme"), 6);
    EXPECT_EQ(IconOfName(".."), 7);
    EXPECT_EQ(IconOfName("index.html"), 3);
    EXPECT_EQ(IconOfName("notes.txt"), 0);
    EXPECT_EQ(IconOfName("setup.exe"), 4);
    EXPECT_EQ(IconOfName("archive.tar.gz"), 6);
    // Only the part after the last dot counts.
    EXPECT_EQ(IconOfName("page.htm.bak"), 6);
    EXPECT_EQ(IconOfName("x.jpg.htm"), 3);
}

TEST(FtpRules, SizeColumnRoundsUp) {
    EXPECT_EQ(SizeColumn(0), "1K");
    EXPECT_EQ(SizeColumn(1023), "1K");
    EXPECT_EQ(SizeColumn(1024), "2K");
    EXPECT_EQ(SizeColumn(5ull << 32), "20971521K");  // no 32-bit wrap
}

TEST(FtpRules, DragBlockRoundTrip) {
    EXPECT_EQ(DragAddress("h.example", "/", "a.txt"), "ftp://h.example//a.txt");
    std::vector<std::string> addrs{"ftp://h//a.txt", "ftp://h/pub/b c.htm"};
    std::string block = RemoteFilesBlock(addrs);
    ASSERT_EQ(block.size(), 20 + addrs[0].size() + 1 + addrs[1].size() + 1 + 1);
    EXPECT_EQ(block.substr(0, 4), std::string("\x14\0\0\0", 4));
    EXPECT_EQ(block.substr(16, 4), std::string(4, '\0'));
    EXPECT_EQ(block.substr(block.size() - 2), std::string(2, '\0'));
    EXPECT_EQ(ParseRemoteFilesBlock(block), addrs);
    EXPECT_TRUE(ParseRemoteFilesBlock(RemoteFilesBlock({})).empty());
}

TEST(FtpRules, HostileDragBlocks) {
    std::string block = RemoteFilesBlock({"ftp://h/a"});
    EXPECT_TRUE(ParseRemoteFilesBlock(block.substr(0, 19)).empty());
    std::string far = block;
    far[0] = '\x7f';  // offset past the end
    EXPECT_TRUE(ParseRemoteFilesBlock(far).empty());
    std::string wide = block;
    wide[16] = 1;
    EXPECT_TRUE(ParseRemoteFilesBlock(wide).empty());
    // An address without its NUL at the very end is not taken.
    EXPECT_EQ(ParseRemoteFilesBlock(block.substr(0, 20) + "ftp://h/a" + std::string(1, '\0') + "ftp://h/b"),
              std::vector<std::string>{"ftp://h/a"});
}

TEST(FtpRules, SafeLocalNames) {
    EXPECT_TRUE(SafeLocalName("a.txt"));
    EXPECT_TRUE(SafeLocalName("a..b"));
    EXPECT_FALSE(SafeLocalName(""));
    EXPECT_FALSE(SafeLocalName("."));
    EXPECT_FALSE(SafeLocalName(".."));
    EXPECT_FALSE(SafeLocalName("../x"));
    EXPECT_FALSE(SafeLocalName("/etc/x"));
    EXPECT_FALSE(SafeLocalName(std::string_view("a\0b", 3)));
}

TEST(FtpRules, SiteUrl) {
    FtpSite s;
    s.host = "h.example";
    EXPECT_EQ(SiteUrl(s, "/pub/a.txt"), "ftp://h.example/pub/a.txt");
    s.port = 2121;
    EXPECT_EQ(SiteUrl(s, "pub/"), "ftp://h.example:2121/pub/");
    s.protocol = Protocol::Sftp;
    s.port = 22;
    EXPECT_EQ(SiteUrl(s, "/"), "sftp://h.example/");
}

}  // namespace
}  // namespace sky::ftp
