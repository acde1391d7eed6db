#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/channels/favorites.h"
#include "support/sandbox.h"

namespace sky {
namespace {

namespace fs = std::filesystem;

std::string Names(const FavoriteNode& node) {
    std::string out;
    for (const auto& c : node.children) {
        out += c.name;
        if (c.folder) out += "/(" + Names(c) + ")";
        out += " ";
    }
    return out;
}

TEST(Favorites, TreeAndShortcuts) {
    test::Sandbox box;
    std::string fav = FavoritesDir();
    ASSERT_EQ(fav, box.home() + "/Favorites/");
    fs::create_directories(fav + "news/deep");
    fs::create_directories(fav + "Blogs");
    fs::create_directories(fav + ".hidden");
    fs::create_directory_symlink(fav + "news", fav + "loop");
    test::WriteFile(fav + "zeta.URL", "[InternetShortcut]\r\nURL=http://zeta/\r\n");
    test::WriteFile(fav + "Alpha.url", "[InternetShortcut]\nIconIndex=0\n");
    test::WriteFile(fav + ".secret.url", "[InternetShortcut]\nURL=http://s/\n");
    test::WriteFile(fav + "notes.txt", "x");
    ASSERT_FALSE(WriteShortcut(fav + "news/deep", "Item", "http://item/").empty());

    FavoriteNode root = ReadFavorites(fav);
    EXPECT_TRUE(root.folder);
    EXPECT_EQ(Names(root), "Blogs/() news/(deep/(Item ) ) Alpha zeta ");
    EXPECT_EQ(ReadShortcutUrl(root.children[1].children[0].children[0].path), "http://item/");
    EXPECT_EQ(ReadShortcutUrl(fav + "zeta.URL"), "http://zeta/");
    EXPECT_EQ(ReadShortcutUrl(fav + "Alpha.url"), kNoShortcutUrl);
    EXPECT_EQ(ReadShortcutUrl(fav + "news"), kNoShortcutUrl);
    test::WriteFile(fav + "long.url", "[InternetShortcut]\nURL=" + std::string(600, 'u') + "\n");
    EXPECT_EQ(ReadShortcutUrl(fav + "long.url").size(), 511u);
    // A lone CR ends the line: no address with a line break in it, and a
    // file with CR line ends still reads.
    test::WriteFile(fav + "cr.url", "[InternetShortcut]\r\nURL=http://a/\rX-Evil: 1\r\n");
    EXPECT_EQ(ReadShortcutUrl(fav + "cr.url"), "http://a/");
    test::WriteFile(fav + "mac.url", "[InternetShortcut]\rURL=http://mac/\r");
    EXPECT_EQ(ReadShortcutUrl(fav + "mac.url"), "http://mac/");
}

TEST(Favorites, WriteShortcutRefusals) {
    test::Sandbox box;
    std::string fav = FavoritesDir();
    std::string path = WriteShortcut(fav, "Site", "http://site/");
    EXPECT_EQ(test::ReadFile(path), "[InternetShortcut]\r\nURL=http://site/\r\n");
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", std::string("a\0b", 3)}) {
        std::string error;
        EXPECT_TRUE(WriteShortcut(fav, bad, "http://x/", &error).empty()) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(WriteShortcut(fav, "Evil", "http://x/\r\nURL=http://y/").empty());
    EXPECT_FALSE(fs::exists(fav + "Evil.url"));
}

const char kExport[] = R"html(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file. <DT><A HREF="http://comment/">no</A> -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="https://example.com/?a=1&amp;b=2" ADD_DATE="2" ICON="data:image/png;base64,AAA">Tom &amp; Jerry&#39;s &lt;site&gt;</A>
        <DT><h3>News</h3>
        <dl><p>
            <dt><a href='http://paper.example/'>  The
               Paper  </a>
            <DD>A description that is not a title
            <DT><A HREF=http://unquoted.example/ >Caf&#xE9; &#26085;</A>
        </DL><p>
        <DT><A HREF="javascript:alert(1)">Bookmarklet</A>
    </DL><p>
    <DT><A HREF="place:sort=8">Recent</A>
    <DT><A HREF="http://loose.example/">../etc/pass/wd</A>
</DL><p>
</DL></DL>
)html";

TEST(Bookmarks, ParsesABrowserExport) {
    auto marks = ParseNetscapeBookmarks(kExport);
    ASSERT_EQ(marks.size(), 3u);
    const Bookmark& bar = marks[0];
    EXPECT_TRUE(bar.folder);
    EXPECT_EQ(bar.title, "Bookmarks bar");
    ASSERT_EQ(bar.children.size(), 3u);
    EXPECT_EQ(bar.children[0].url, "https://example.com/?a=1&b=2");
    EXPECT_EQ(bar.children[0].title, "Tom & Jerry's <site>");
    const Bookmark& news = bar.children[1];
    EXPECT_EQ(news.title, "News");
    ASSERT_EQ(news.children.size(), 2u);
    EXPECT_EQ(news.children[0].title, "The Paper");
    EXPECT_EQ(news.children[1].url, "http://unquoted.example/");
    EXPECT_EQ(news.children[1].title, "Caf\xc3\xa9 \xe6\x97\xa5");
    EXPECT_EQ(bar.children[2].url, "javascript:alert(1)");
    EXPECT_EQ(marks[1].url, "place:sort=8");
}

TEST(Bookmarks, MalformedAndDeepInputStaysBounded) {
    // Unclosed lists and a title without its closing tag.
    auto marks = ParseNetscapeBookmarks(
        "<DL><DT><H3>F</H3><DL><DT><A HREF=\"http://a/\">A<DT><A HREF=\"http://b/\">B");
    ASSERT_EQ(marks.size(), 1u);
    ASSERT_EQ(marks[0].children.size(), 2u);
    EXPECT_EQ(marks[0].children[0].title, "A");

    std::string deep = "<DL>";
    for (int i = 0; i < 100; ++i) deep += "<DT><H3>f" + std::to_string(i) + "</H3><DL>";
    deep += "<DT><A HREF=\"http://bottom/\">Bottom</A>";
    marks = ParseNetscapeBookmarks(deep);
    int depth = 0;
    const std::vector<Bookmark>* level = &marks;
    while (level->size() == 1 && (*level)[0].folder) {
        level = &(*level)[0].children;
        ++depth;
    }
    EXPECT_EQ(depth, 64);
    ASSERT_EQ(level->size(), 1u);
    EXPECT_EQ((*level)[0].url, "http://bottom/");
}

TEST(Bookmarks, ImportNeverOverwritesAndMakesNamesSafe) {
    test::Sandbox box;
    std::string fav = FavoritesDir();
    fs::create_directory(fav + "Bookmarks bar");
    test::WriteFile(fav + "Bookmarks bar/Tom & Jerry's <site>.url", "mine");

    auto result = ImportBookmarks(ParseNetscapeBookmarks(kExport), fav);
    EXPECT_EQ(result.shortcuts, 4);
    EXPECT_EQ(result.folders, 1);  // "Bookmarks bar" is reused
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(test::ReadFile(fav + "Bookmarks bar/Tom & Jerry's <site>.url"), "mine");
    EXPECT_EQ(ReadShortcutUrl(fav + "Bookmarks bar/Tom & Jerry's <site> (2).url"),
              "https://example.com/?a=1&b=2");
    EXPECT_EQ(ReadShortcutUrl(fav + "Bookmarks bar/News/The Paper.url"), "http://paper.example/");
    EXPECT_EQ(ReadShortcutUrl(fav + "-etc-pass-wd.url"), "http://loose.example/");

    std::vector<Bookmark> odd(3);
    odd[0].title = std::string(200, 'x') + "\xc3\xa9";
    odd[1].title = "\x01\x02";
    odd[2].title = std::string(119, 'y') + "\xe6\x97\xa5";
    for (auto& b : odd) b.url = "http://odd/";
    EXPECT_EQ(ImportBookmarks(odd, fav).shortcuts, 3);
    EXPECT_TRUE(fs::exists(fav + std::string(120, 'x') + ".url"));
    EXPECT_TRUE(fs::exists(fav + "Untitled.url"));
    EXPECT_TRUE(fs::exists(fav + std::string(119, 'y') + ".url"));
}

}  // namespace
}  // namespace sky
