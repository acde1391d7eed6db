#include <gtest/gtest.h>

#include <filesystem>

#include "core/homepage/page_assets.h"
#include "support/sandbox.h"

namespace sky::homepage {
namespace {

std::vector<std::string> Values(std::string_view html) {
    std::vector<std::string> out;
    for (const ImageRef& r : FindImageRefs(html)) out.push_back(r.value);
    return out;
}

TEST(PageAssets, FindsSrcAndBackgroundInTagsOnly) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Values("<BODY  BGCOLOR=#008000 BACKGROUND=bg.gif TEXT=#FFFFFF><IMG SRC=logo.gif>"
                     "<img src=\"a b.gif\"><td background='t.gif'><IMG\nSrc = spaced.gif >"),
              (V{"bg.gif", "logo.gif", "a b.gif", "t.gif", "spaced.gif"}));
    // Quoted values that look like attributes, look-alike names, comments and text are not references.
    EXPECT_EQ(Values("<img alt=\"SRC=evil.gif\" data-src=lazy.gif src=ok.gif>"), (V{"ok.gif"}));
    EXPECT_EQ(Values("<!-- <IMG SRC=old.gif> -->SRC=text.gif <p>a < b SRC=no.gif</p>"), V{});
    EXPECT_EQ(Values("<img src=\"x&amp;y.gif\">"), (V{"x&y.gif"}));
    // The title block's row: an unquoted value followed by '>' at once, then another tag.
    EXPECT_EQ(Values("<font face=helvetica, 'arial black'><IMG SRC=http://h/art/bwlogo.gif></TD>"),
              (V{"http://h/art/bwlogo.gif"}));
}

TEST(PageAssets, UnfinishedMarkupEndsTheScan) {
    EXPECT_EQ(Values("<img src=\"open.gif"), std::vector<std::string>{"open.gif"});
    EXPECT_EQ(Values("<img src="), std::vector<std::string>{""});
    EXPECT_TRUE(Values("<!-- <img src=x.gif>").empty());
    EXPECT_TRUE(Values("<img src").empty());
    EXPECT_TRUE(Values("<<<<=>==\"'").empty());
}

TEST(PageAssets, OnlyPlainNamesBesideThePageAreSent) {
    struct Case {
        const char* value;
        RefPlace place;
        const char* file;
    } cases[] = {
        {"logo.gif", RefPlace::Beside, "logo.gif"},
        {"./logo.gif", RefPlace::Beside, "logo.gif"},
        {" my%20pic.gif?v=2#top ", RefPlace::Beside, "my pic.gif"},
        {"100%.gif", RefPlace::Beside, "100%.gif"},
        {"../secret.gif", RefPlace::Outside, ""},
        {"a/../../x.gif", RefPlace::Outside, ""},
        {"%2E%2E/x.gif", RefPlace::Outside, ""},
        {"..%2Fx.gif", RefPlace::Outside, ""},
        {"..\\x.gif", RefPlace::Outside, ""},
        {"/etc/passwd", RefPlace::Outside, ""},
        {"%2Fetc%2Fpasswd", RefPlace::Outside, ""},
        {"\\\\server\\share\\a.gif", RefPlace::Outside, ""},
        {"C:\\pics\\a.gif", RefPlace::Outside, ""},
        {"c%3A/a.gif", RefPlace::Outside, ""},
        {"file:///etc/passwd", RefPlace::Outside, ""},
        {"img/a.gif", RefPlace::InFolder, ""},
        {"img\\a.gif", RefPlace::InFolder, ""},
        {"img%2Fa.gif", RefPlace::InFolder, ""},
        {".htaccess", RefPlace::BadName, ""},
        {"a%00.gif", RefPlace::BadName, ""},
        {"a..b.gif", RefPlace::BadName, ""},
        {"http://example.org/a.gif", RefPlace::Elsewhere, ""},
        {"//example.org/a.gif", RefPlace::Elsewhere, ""},
        {"data:image/gif;base64,R0lG", RefPlace::Elsewhere, ""},
        {"#top", RefPlace::Elsewhere, ""},
        {"./", RefPlace::Elsewhere, ""},
    };
    for (const Case& c : cases) {
        ImageRef r = ClassifyRef(c.value);
        EXPECT_EQ(r.place, c.place) << c.value;
        EXPECT_EQ(r.file, c.file) << c.value;
    }
    EXPECT_EQ(ClassifyRef(std::string(300, 'a')).place, RefPlace::BadName);
}

TEST(PageAssets, ListingKeepsFilesWithTheirSizes) {
    auto files = ListedFiles(
        "20240101120000,1024,1,index.htm\r\n"
        "20240101120000,0,2,pics\r\n"
        "20240101120000,12,1,a,b.gif\r\n"
        "garbage\r\n,5,1,x\r\n2024010112000x,5,1,y\r\n20240101120000,-1,1,z\r\n"
        "20240101120000,99999999999999999999,1,huge\n"
        "20240101120000,7,1,last");
    std::map<std::string, uint64_t> want{{"index.htm", 1024}, {"a,b.gif", 12}, {"last", 7}};
    EXPECT_EQ(files, want);
}

TEST(PageAssets, OnDiskOnlyFilesThatStayInTheFolderGo) {
    sky::test::Sandbox box;
    namespace fs = std::filesystem;
    fs::create_directories(box.path("site/pics"));
    sky::test::WriteFile(box.path("outside.gif"), "private");
    sky::test::WriteFile(box.path("site/logo.gif"), "logo");
    sky::test::WriteFile(box.path("site/same.gif"), "same");
    fs::create_symlink(box.path("outside.gif"), box.path("site/leak.gif"));
    fs::create_symlink("logo.gif", box.path("site/alias.gif"));
    fs::create_symlink(box.path("site/pics"), box.path("site/dir.gif"));
    std::string page =
        "<IMG SRC=logo.gif><IMG SRC=leak.gif><IMG SRC=alias.gif><IMG SRC=dir.gif>"
        "<IMG SRC=gone.gif><IMG SRC=logo.gif><IMG SRC=../outside.gif><IMG SRC=../outside.gif>"
        "<IMG SRC=same.gif><IMG SRC=index.htm>";

    PageAssets assets = LocalPageAssets(page, box.path("site/index.htm"));
    EXPECT_EQ(assets.send, (std::vector<std::string>{"logo.gif", "alias.gif", "same.gif"}));
    std::vector<std::string> skipped;
    for (const auto& [ref, why] : assets.skipped) skipped.push_back(ref + ": " + why);
    EXPECT_EQ(skipped,
              (std::vector<std::string>{
                  "leak.gif: it leaves the page's folder", "dir.gif: no such file beside the page",
                  "gone.gif: no such file beside the page", "../outside.gif: it leaves the page's folder"}));

    // Only a listed file of the same size counts as there already.
    DropListed(
        assets, box.path("site"),
        "20240101120000,4,1,same.gif\r\n20240101120000,99,1,logo.gif\r\n20240101120000,4,2,alias.gif\r\n");
    EXPECT_EQ(assets.send, (std::vector<std::string>{"logo.gif", "alias.gif"}));
    EXPECT_EQ(assets.present, std::vector<std::string>{"same.gif"});
}

}  // namespace
}  // namespace sky::homepage
