// Block-marker pages: reading, writing back, and the starter page.
#include <gtest/gtest.h>

#include <string>

#include "core/homepage/page_block.h"
#include "core/homepage/starter_page.h"
#include "support/sandbox.h"

namespace sky::homepage {
namespace {

// Reads and writes back, the way the page editor opens and saves a page.
std::string Resave(const std::string& file) {
    return PageBlockList::Parse(file).Write();
}

template <class T>
T& As(PageBlockList& list, size_t i) {
    auto* block = dynamic_cast<T*>(&list[i]);
    EXPECT_NE(block, nullptr) << "block " << i << " is a " << list[i].KindName();
    return *block;
}

TEST(PageBlocks, TextWithoutMarkersIsOneBlockAndGainsOnlyTheClosingTag) {
    std::string file = "<HTML><BODY>Hi ~there~ 5~</BODY>\r\n";
    auto list = PageBlockList::Parse(file);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].kind(), BlockKind::Unmarked);
    EXPECT_FALSE(list[0].Listed());
    EXPECT_EQ(list[0].name, "");  // tildes in the page are not a marker name
    std::string once = list.Write();
    EXPECT_EQ(once, file + "\r\n</HTML>");
    // Opening and saving again does not add a second closing tag.
    EXPECT_EQ(Resave(once), once);
    EXPECT_TRUE(PageBlockList::Parse("").blocks().empty());
}

TEST(PageBlocks, MarkersOfEveryKindInFileOrder) {
    std::string file =
        "lead-in"
        "<!--##HP:PLAIN~Menu~2~##--><B>menu</B>\r\n"
        "<!--##HP:WIZARD~W~##-->w"
        "<!--##HP:HIDDEN##--><HTML>"
        "<!--##HP:FOO~x~1~##--><I>kept as is</I>"
        "<!--##HP:COLORSCHEME##--><BODY BACKGROUND=img/bg.gif TEXT=#010203 BGCOLOR=#A0B0C0 LINK=#FF0000 "
        "VLINK=#00FF00>"
        "<!--##HP:HEADER~ ~3~##--><!--##TITLE##-->Big<!--##ENDTITLE##--><!--##SUBTITLE##-->small"
        "<!--##HP:BODYBLOCK~INTRO~2~##--><!--##TOPIC##-->Hello<!--##ENDTOPIC##--><!--##TEXT##-->Words"
        "<!--##ENDTEXT##-->";
    auto list = PageBlockList::Parse(file);
    ASSERT_EQ(list.size(), 8u);
    std::vector<std::string> kinds;
    for (auto& b : list.blocks()) kinds.push_back(b->KindName());
    EXPECT_EQ(kinds, (std::vector<std::string>{"UnmarkedBlock", "HtmlBlock", "WizardBlock", "HiddenBlock",
                                               "UnmarkedBlock", "ColorSchemeBlock", "TitleBlock",
                                               "ParagraphBlock"}));
    EXPECT_EQ(list[1].name, "Menu");
    EXPECT_EQ(list[2].name, "W");
    EXPECT_EQ(list[4].name, "x");
    EXPECT_EQ(list[4].DisplayName().text, "HTML:x");
    EXPECT_EQ(As<RawBlock>(list, 4).html, "<!--##HP:FOO~x~1~##--><I>kept as is</I>");

    auto& scheme = As<ColorSchemeBlock>(list, 5);
    EXPECT_EQ(scheme.background, "img/bg.gif");  // up to " TEXT=", which comes first
    EXPECT_EQ(scheme.bgColor, "#A0B0C0");
    EXPECT_EQ(scheme.textColor, "#010203");
    EXPECT_EQ(scheme.vlinkColor, "#00FF00");
    auto& title = As<TitleBlock>(list, 6);
    EXPECT_EQ(title.style, 3);
    EXPECT_EQ(title.title, "Big");
    EXPECT_EQ(title.subtitle, "small");  // no end marker: runs to the block's end
    auto& para = As<ParagraphBlock>(list, 7);
    EXPECT_EQ(para.style, 2);
    EXPECT_EQ(para.topic, "Hello");
    EXPECT_EQ(para.text, "Words");

    std::string written = list.Write();
    // Raw blocks come back byte for byte, the unknown marker among them.
    EXPECT_EQ(written.find("lead-in<!--##HP:PLAIN~Menu~2~##--><B>menu</B>\r\n<!--##HP:WIZARD~W~##-->w"
                           "<!--##HP:HIDDEN##--><HTML><!--##HP:FOO~x~1~##--><I>kept as is</I><!--##HP:"),
              0u);
    EXPECT_NE(written.find("<BODY BACKGROUND=img/bg.gif BGCOLOR=#A0B0C0 TEXT=#010203"), std::string::npos);
    EXPECT_EQ(Resave(written), written);
}

TEST(PageBlocks, StarterPageReadsIntoItsBlocksAndSavesWithNewNames) {
    const std::string logo = "http://www.skyharbor.com/art/bwlogo.gif";
    std::string format = StarterPageFormat(logo);
    EXPECT_EQ(format.size(), 1868u);
    SimpleWizardFields defaults;
    std::string page = BuildStarterPage(defaults, logo);
    EXPECT_EQ(page.find('%'), page.rfind('%'));  // only the "100%" stays

    auto list = PageBlockList::Parse(page);
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].DisplayName().text, "Bare HTML Block");
    EXPECT_FALSE(list[0].HasEditor());
    auto& scheme = As<ColorSchemeBlock>(list, 1);
    EXPECT_EQ(scheme.bgColor, "#008000");
    EXPECT_EQ(scheme.background, "");
    EXPECT_EQ(scheme.linkColor, "#FFFF80");
    auto& title = As<TitleBlock>(list, 2);
    EXPECT_EQ(title.title, "This is my very own page.");
    EXPECT_EQ(title.subtitle, "MY PAGE");
    std::vector<std::string> names, topics;
    for (size_t i = 3; i < 6; ++i)
        names.push_back(list[i].name), topics.push_back(As<ParagraphBlock>(list, i).topic);
    EXPECT_EQ(names, (std::vector<std::string>{"INTRO", "DETAILS", "WRAP-UP"}));
    EXPECT_EQ(topics, (std::vector<std::string>{"INTRO", "DETAILS", "CONTACT ME"}));
    EXPECT_EQ(As<ParagraphBlock>(list, 5).text, "Please contact via Email");

    std::string saved = list.Write();
    EXPECT_EQ(list[2].name, " ");
    EXPECT_EQ(list[5].name, "CONTACT ");
    EXPECT_EQ(list[5].DisplayName().text, "Paragraph:CONTACT ");
    EXPECT_NE(saved.find("<BODY  BGCOLOR=#008000 TEXT=#FFFFFF"), std::string::npos);
    EXPECT_NE(saved.find("<IMG SRC=" + logo + ">"), std::string::npos);
    // The "</HTML>" inside the last paragraph is gone; the writer's own is last.
    EXPECT_EQ(saved.find("</HTML>"), saved.size() - 7);
    EXPECT_NE(saved.find("<!--##HP:BODYBLOCK~CONTACT ~0~##-->"), std::string::npos);
    // Reopened and saved again, nothing grows.
    EXPECT_EQ(Resave(saved), saved);
    EXPECT_EQ(As<ParagraphBlock>(list, 5).text, "Please contact via Email");
}

TEST(PageBlocks, EveryStyleKeepsItsFieldsAndUnknownStylesShareOneLayout) {
    auto build = [](int style) {
        PageBlockList list;
        list.set_logo_address("http://host/logo.gif");
        auto title = std::make_unique<TitleBlock>();
        title->title = "T";
        title->subtitle = "S";
        title->style = style;
        auto para = std::make_unique<ParagraphBlock>();
        para->topic = "Topic";
        para->text = "Line one\r\nLine two";
        para->style = style;
        list.blocks().push_back(std::move(title));
        list.blocks().push_back(std::move(para));
        return list.Write();
    };
    for (int style : {-3, 0, 1, 2, 3, 4, 5, 99}) {
        auto list = PageBlockList::Parse(build(style));
        ASSERT_EQ(list.size(), 3u) << style;  // the leading line break is its own block
        auto& title = As<TitleBlock>(list, 1);
        auto& para = As<ParagraphBlock>(list, 2);
        EXPECT_EQ(title.style, style);
        EXPECT_EQ(title.title + "|" + title.subtitle, "T|S") << style;
        EXPECT_EQ(para.style, style);
        EXPECT_EQ(para.topic + "|" + para.text, "Topic|Line one\r\nLine two") << style;
    }
    auto withStyle0 = [&](int style) {
        std::string s = build(style), marker = "~" + std::to_string(style) + "~";
        for (size_t at; (at = s.find(marker)) != std::string::npos;) s.replace(at, marker.size(), "~0~");
        return s;
    };
    EXPECT_EQ(withStyle0(7), build(0));
    EXPECT_EQ(withStyle0(-1), build(0));
    EXPECT_NE(withStyle0(4), build(0));
    EXPECT_NE(withStyle0(1), build(0));
}

TEST(PageBlocks, ColourSchemeBackgroundReadsBackWithoutTheColourAfterIt) {
    PageBlockList list;
    auto scheme = std::make_unique<ColorSchemeBlock>();
    scheme->background = "http://host/wiz/img/bg paper.gif";
    scheme->bgColor = "#FAF4E1";
    scheme->textColor = "#202020";
    scheme->linkColor = "";
    scheme->vlinkColor = "#405040";
    list.blocks().push_back(std::move(scheme));
    auto back = PageBlockList::Parse(list.Write());
    auto& read = As<ColorSchemeBlock>(back, 0);
    // The blank could not stand in an unquoted attribute.
    EXPECT_EQ(read.background, "http://host/wiz/img/bg%20paper.gif");
    EXPECT_EQ(read.bgColor, "#FAF4E1");
    EXPECT_EQ(read.linkColor, "");  // an empty colour does not swallow " VLINK="
    EXPECT_EQ(read.vlinkColor, "#405040");
}

TEST(PageBlocks, TypedFieldsCannotBreakThePageApart) {
    PageBlockList list;
    auto para = std::make_unique<ParagraphBlock>();
    para->topic = "a~b-->c";
    para->text = "x<!--##HP:PLAIN~evil~##-->y<!--##ENDTEXT##-->z";
    list.blocks().push_back(std::move(para));
    list.blocks().push_back(std::make_unique<ParagraphBlock>());
    static_cast<ParagraphBlock&>(list[1]).topic = "2<!--##nd";
    std::string saved = list.Write();
    auto back = PageBlockList::Parse(saved);
    ASSERT_EQ(back.size(), 3u);
    auto& first = As<ParagraphBlock>(back, 1);
    EXPECT_EQ(first.name, "a_b--_c");
    EXPECT_EQ(first.topic, "a~b-->c");
    EXPECT_EQ(first.text, "x&lt;!--##HP:PLAIN~evil~##-->y&lt;!--##ENDTEXT##-->z");
    EXPECT_EQ(As<ParagraphBlock>(back, 2).topic, "2&lt;!--##nd");
    EXPECT_EQ(back[2].name, "2&lt;!--");
    EXPECT_EQ(Resave(saved), saved);
}

TEST(PageBlocks, ReadingAlwaysMovesOn) {
    std::string markers;
    for (int i = 0; i < 2000; ++i) markers += "<!--##HP:";
    auto list = PageBlockList::Parse(markers + "<!--##HP:HEADER~");
    EXPECT_FALSE(list.loopy());
    EXPECT_EQ(list.size(), 2001u);
    EXPECT_EQ(list[2000].kind(), BlockKind::Title);
}

TEST(PageBlocks, LoadAndSaveFiles) {
    test::Sandbox sandbox;
    std::string path = PagePath("mine.htm");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path, sandbox.path("Pages/mine.htm"));
    PageBlockList list;
    EXPECT_FALSE(list.Load(path));
    test::WriteFile(path, "<!--##HP:PLAIN~p~##-->text");
    ASSERT_TRUE(list.Load(path));
    ASSERT_EQ(list.size(), 1u);
    std::string message;
    ASSERT_TRUE(list.Save(path, &message));
    EXPECT_EQ(test::ReadFile(path), "<!--##HP:PLAIN~p~##-->text\r\n</HTML>");

    std::string bad = sandbox.path("Pages/mine.htm/inside.htm");
    EXPECT_FALSE(list.Save(bad, &message));
    EXPECT_EQ(message, "Could not open file: " + bad);
    EXPECT_EQ(test::ReadFile(path), "<!--##HP:PLAIN~p~##-->text\r\n</HTML>");
}

}  // namespace
}  // namespace sky::homepage
