// The wizards' pages: the simple wizard's fields, the home page wizard's
// content items and its own page file.
#include <gtest/gtest.h>

#include <string>

#include "core/homepage/content_items.h"
#include "core/homepage/starter_page.h"
#include "core/homepage/wizard_page.h"
#include "support/sandbox.h"

namespace sky::homepage {
namespace {

size_t Count(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

TEST(SimpleWizard, DefaultsAndTheMembersTextsInTheStarterPage) {
    SimpleWizardFields fields;
    EXPECT_EQ(SimpleWizardRemoteName(fields), "index.htm");
    fields.standardName = false;
    fields.remoteName = "me.htm";
    EXPECT_EQ(SimpleWizardRemoteName(fields), "me.htm");
    fields.standardName = true;
    EXPECT_EQ(SimpleWizardRemoteName(fields), "index.htm");
    EXPECT_EQ(MemberWebAddress("127.0.0.1:7780", "bob"), "http://127.0.0.1:7780/~bob");

    std::string page = BuildStarterPage(SimpleWizardFields{}, "http://h/art/bwlogo.gif");
    EXPECT_NE(page.find("<!--##TITLE##-->This is my very own page.<!--##ENDTITLE##-->"), std::string::npos);
    EXPECT_NE(page.find("<!--##SUBTITLE##-->MY PAGE<!--##ENDSUBTITLE##-->"), std::string::npos);
    EXPECT_NE(page.find("<!--##TEXT##-->Please contact via Email<!--##ENDTEXT##-->"), std::string::npos);
    EXPECT_EQ(page.find(SimpleWizardFields{}.basicInfo), std::string::npos);

    // Typed text is text: markup and percent signs come out as typed.
    fields.title = "Tom & Jerry <3 100%s";
    page = BuildStarterPage(fields, "http://h/art/bwlogo.gif");
    EXPECT_NE(page.find("<!--##TITLE##-->Tom &amp; Jerry &lt;3 100%s<!--##ENDTITLE##-->"), std::string::npos);
    EXPECT_NE(page.find("<!--##SUBTITLE##-->MY PAGE<"), std::string::npos);
}

TEST(HomePageWizard, DetailsWithOnlyANameGiveATitleAndAnEmptyText) {
    UserInfo info;
    info.name = "Bob";
    auto items = UserInfoContent(info);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].type, "Title");
    EXPECT_EQ(items[0].html,
              "<H2><CENTER><FONT COLOR=#000000>Bob's Home Page</FONT></H2></CENTER>"
              "<!--Seperator--><HR SIZE=6>");
    EXPECT_EQ(items[1].type, "Text");
    EXPECT_EQ(items[1].html, "<CENTER><P></P></CENTER>");
    EXPECT_EQ(ReadTitle(items[0].html).text, "Bob's Home Page");
    EXPECT_EQ(UserInfoContent(UserInfo{}).front().description, "My Home Page");
}

TEST(HomePageWizard, MailAndCompanyLinks) {
    UserInfo info;
    info.email = "bob@example.org";
    for (std::string company : {"www.example.com", "http://www.example.com"}) {
        info.companyUrl = company;
        auto items = UserInfoContent(info);
        ASSERT_EQ(items.size(), 4u);
        EXPECT_EQ(items[1].description, "Write Me at bob@example.org");
        EXPECT_EQ(items[1].html,
                  "<CENTER><P><A HREF=\"mailto:bob@example.org\"><!---->Write Me!!!</A></P></CENTER>");
        EXPECT_EQ(items[2].description, "My Company's Web Site");
        EXPECT_EQ(ReadLink(items[2].html).address, "http://www.example.com") << company;
        EXPECT_EQ(ReadLink(items[2].html).text, "My Company's Web Site");
    }
    EXPECT_EQ(TypedLinkAddress("www.a.org"), "http://www.a.org");
    EXPECT_EQ(TypedLinkAddress("WWW.A.ORG"), "http://WWW.A.ORG");
    EXPECT_EQ(TypedLinkAddress("ftp.a.org"), "ftp.a.org");
    EXPECT_EQ(ConfirmDeleteLinkQuestion("Home"), "Are you sure that you want to delete the link to Home");
}

TEST(HomePageWizard, FinalListReadsBackItsImagesAndTexts) {
    UserInfo info;
    info.name = "Ann";
    info.occupation = "Pilot";
    info.company = "A&B";
    info.text = "Line one\r\nLine <two>";
    std::vector<ContentItem> links{{"Link", "Home", BuildLink({"http://x/?a=1&b=\"2\"", "Go <here>"})}};
    auto items = FinalContent(info, "http://svc/wiz/img/sep.gif", "http://svc/wiz/img/dot.gif", links);
    ASSERT_EQ(items.size(), 5u);
    TitleItem title = ReadTitle(items[0].html);
    EXPECT_EQ(title.headingTag, "H2");
    EXPECT_EQ(title.colour, "#000000");
    EXPECT_TRUE(title.centred && title.separator);
    EXPECT_EQ(title.separatorImage, "http://svc/wiz/img/sep.gif");
    TextItem company = ReadText(items[2].html);
    EXPECT_EQ(company.text, "My Company: A&B");
    EXPECT_TRUE(company.bullet);
    EXPECT_EQ(company.bulletImage, "http://svc/wiz/img/dot.gif");
    LinkItem link = ReadLink(items[3].html);
    EXPECT_EQ(link.address, "http://x/?a=1&b=\"2\"");
    EXPECT_EQ(link.text, "Go <here>");
    EXPECT_EQ(ReadText(items[4].html).text, "Line one\nLine <two>");
    EXPECT_EQ(Count(items[4].html, "<BR>"), 1u);
    EXPECT_EQ(
        FinalContent(UserInfo{}, "", "", {})[0].html.find("<!--Seperator--><P><HR></P>") != std::string::npos,
        true);
}

TEST(HomePageWizard, ItemsReadBackFromTheirOwnHtml) {
    TextItem text{"a\nb\r\nc", true, true, true, true, "dot.gif"};
    TextItem t = ReadText(BuildText(text));
    EXPECT_EQ(t.text, "a\nb\nc");
    EXPECT_TRUE(t.centred && t.bold && t.italic && t.bullet);
    EXPECT_EQ(t.bulletImage, "dot.gif");
    TextItem justText;
    justText.text = "just this";
    TextItem plain = ReadText(BuildText(justText));
    EXPECT_FALSE(plain.centred || plain.bold || plain.italic || plain.bullet);

    TitleItem title{"H3", "#123456", "Hi & bye", false, true, ""};
    TitleItem back = ReadTitle(BuildTitle(title));
    EXPECT_EQ(back.headingTag, "H3");
    EXPECT_EQ(back.colour, "#123456");
    EXPECT_EQ(back.text, "Hi & bye");
    EXPECT_FALSE(back.centred);
    EXPECT_TRUE(back.separator);
    EXPECT_EQ(back.separatorImage, "");

    for (bool centred : {false, true}) {
        GraphicItem g = ReadGraphic(BuildGraphic({"pics/me \"1\".gif", centred}));
        EXPECT_EQ(g.address, "pics/me \"1\".gif");
        EXPECT_EQ(g.centred, centred);
    }
}

TEST(WizardPageFile, WritesTextModeLinesAndReadsBackTheState) {
    test::Sandbox sandbox;
    WizardPage page;
    page.title = "Ann's <Page>";
    page.bgColor = "#FAF4E1";
    page.background = "http://svc/wiz/img/bg.gif";
    page.linkColor = "#00FF00";
    page.items = FinalContent(UserInfo{"Ann", "", "", "Pilot", "", "Bye\nnow"}, "", "dot.gif", {});
    page.items.push_back({"Graphic", "", BuildGraphic({"me.gif", true})});
    std::string path = PagePath("skyharbor.htm");
    std::string message;
    ASSERT_TRUE(SaveWizardPage(path, page, &message));
    std::string file = test::ReadFile(path);
    EXPECT_EQ(file.find("<!--Begin Heading Block-->\r\n<!DOCTYPE HTML PUBLIC"), 0u);
    EXPECT_NE(file.find("<meta http-equiv=\"Content-Type\"\tcontent="), std::string::npos);
    EXPECT_NE(file.find("<BODY BGCOLOR=#FAF4E1 BACKGROUND=http://svc/wiz/img/bg.gif TEXT=000000 LINK=#00FF00 "
                        "VLINK=FF0000>\r\n"),
              std::string::npos);
    EXPECT_EQ(Count(file, "\n"), Count(file, "\r\n"));
    EXPECT_TRUE(file.ends_with("</HTML>\r\n"));

    WizardPage back;
    ASSERT_TRUE(LoadWizardPage(path, &back));
    EXPECT_EQ(back.title, "Ann's <Page>");
    EXPECT_EQ(back.bgColor, "#FAF4E1");
    EXPECT_EQ(back.background, "http://svc/wiz/img/bg.gif");
    EXPECT_EQ(back.textColor, "000000");  // six digits do not take the blank after them
    EXPECT_EQ(back.linkColor, "#00FF00");
    EXPECT_EQ(back.vlinkColor, "FF0000");
    ASSERT_EQ(back.items.size(), page.items.size());
    for (size_t i = 0; i < back.items.size(); ++i) {
        EXPECT_EQ(back.items[i].type, page.items[i].type);
        EXPECT_EQ(back.items[i].html, page.items[i].html);
    }
    EXPECT_EQ(back.items[1].description, "My Occupation: Pilot");
    EXPECT_EQ(back.items[2].description, "Bye\nnow");
    EXPECT_EQ(back.items[3].description, "me.gif");
    EXPECT_FALSE(LoadWizardPage(sandbox.path("none.htm"), &back));
}

TEST(WizardPageFile, BrokenBlocksEndReading) {
    EXPECT_TRUE(ReadWizardPage("<!--Begin Content (Text) Block -->text with no end").items.empty());
    // An end before its begin stops the reader rather than reading backwards.
    auto page = ReadWizardPage(
        "<!--End Content Block *--><!--Begin Content (Text) Block --><P><!--TEXT-->x</P><!--End *-->");
    EXPECT_TRUE(page.items.empty());
    page = ReadWizardPage(
        "<!--Begin Content (Title Text) Block --><H1><FONT COLOR=#FF0000>x</FONT></H1><!--End *-->");
    ASSERT_EQ(page.items.size(), 2u);  // one item for each type the header names
    EXPECT_EQ(page.items[0].description, "x");
}

}  // namespace
}  // namespace sky::homepage
