#include <gtest/gtest.h>

#include <ctime>

#include "core/webspace/transfer_record.h"
#include "core/webspace/web_space_listing.h"

using namespace sky::webspace;

TEST(WebSpaceListing, RowsKindsAndOddLines) {
    EXPECT_TRUE(ParseWebSpaceListing("SkyHarbor web space ~walker, 0 files\r\n").empty());
    EXPECT_TRUE(ParseWebSpaceListing("").empty());

    auto files = ParseWebSpaceListing(
        "header\r\n19980430120000,1024,1,index.htm\r\n19980430120000,0,2,images\r\n"
        "bad line\r\n2024,x,1,a.gif,more,fields\r\n20240101000000,5,1,\r\n20241340250000,7,3,last.txt");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].name, "index.htm");
    EXPECT_EQ(files[0].size, 1024u);
    EXPECT_FALSE(files[0].folder);
    struct tm tm {};
    time_t t = time_t(files[0].mtime);
    localtime_r(&t, &tm);
    EXPECT_EQ(tm.tm_year, 98);
    EXPECT_EQ(tm.tm_mon, 3);
    EXPECT_EQ(tm.tm_mday, 30);
    EXPECT_EQ(tm.tm_hour, 12);
    EXPECT_EQ(tm.tm_min, 0);
    EXPECT_TRUE(files[1].folder);
    EXPECT_EQ(files[1].name, "images");
    // A short stamp or size that is not a number still lists the file.
    EXPECT_EQ(files[2].name, "a.gif");
    EXPECT_EQ(files[2].mtime, -1);
    EXPECT_EQ(files[2].size, 0u);
    EXPECT_EQ(files[3].name, "last.txt");
    EXPECT_EQ(files[3].mtime, -1);

    // What the service writes reads back.
    auto back = ParseWebSpaceListing("h\r\n" + ListingLine(files[0].mtime, 77, false, "page.HTML"));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].mtime, files[0].mtime);
    EXPECT_EQ(back[0].size, 77u);
}

TEST(WebSpaceListing, NamesForThePageEditorAndForTheSpace) {
    EXPECT_TRUE(OffersPageEditor("index.htm"));
    EXPECT_TRUE(OffersPageEditor("page.HTML"));
    EXPECT_FALSE(OffersPageEditor("a.gif"));
    EXPECT_FALSE(OffersPageEditor(".htm"));  // only after the first character
    EXPECT_TRUE(ValidWebSpaceName("kept.txt"));
    for (const char* bad : {"", "a,b", "a/b", "..", ".hidden", "a..b", "a\\b", "tab\there"})
        EXPECT_FALSE(ValidWebSpaceName(bad)) << bad;
}
