#include <gtest/gtest.h>

#include <string>

#include "channel_test_util.h"
#include "core/channels/channel_list.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using test::Dump;
using test::DumpParsed;
using test::L;
using namespace std::string_literals;

const char kNewsFile[] =
    "\r\n~**:*********\r\n~CH:News\r\n~**:- - -\r\n~FO:Papers\r\n"
    "\r\n~PN:Morning Post\r\n~PU:http://post.example/\r\n"
    "\r\n~PN:Evening Star\r\n~PU:http://star.example/\r\n"
    "~**:- - -\r\n~FN:Weather\r\n~FU:http://weather.example/";

TEST(ChannelLineFormat, NewsExampleWritesAndReadsBackByteForByte) {
    test::Sandbox box;
    CChannelList list;
    CChannelItem* news = list.AppendChannel("News");
    CChannelItem* papers = CChannelList::AppendChild(news, "Papers", std::string(kFolderMark));
    CChannelList::AppendChild(papers, "Morning Post", "http://post.example/");
    CChannelList::AppendChild(papers, "Evening Star", "http://star.example/");
    CChannelList::AppendChild(news, "Weather", "http://weather.example/");

    std::string path = box.path("news.sdf");
    ASSERT_TRUE(list.Save(path));
    EXPECT_EQ(test::ReadFile(path), kNewsFile);

    CChannelList back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(Dump(back),
              "News{Papers=_FOLDER[Morning Post=http://post.example/,Evening Star=http://star.example/],"
              "Weather=http://weather.example/};");
    EXPECT_EQ(back.at(0)->url, kChannelMark);
    EXPECT_EQ(back.Serialize(), kNewsFile);
}

TEST(ChannelLineFormat, ReaderEdgeCases) {
    // Nothing to read: the profile fallback finds nothing either.
    test::Sandbox box;
    for (const char* text : {"", "just some text\r\nand more"}) {
        test::WriteFile(box.path("f.sky"), text);
        CChannelList list;
        list.AppendChannel("old");
        EXPECT_TRUE(list.Load(box.path("f.sky")));
        EXPECT_TRUE(list.empty()) << text;
    }

    EXPECT_EQ(DumpParsed("\r\n~CH:A\r\n~FN:Last"), "A{Last=};");
    EXPECT_EQ(DumpParsed(L("CH:A|FN:Last|FU:")), "A{Last=};");
    // Pages before any folder and after a loose entry belong nowhere.
    EXPECT_EQ(DumpParsed(L("CH:A|PN:x|PU:1|FO:F|PN:p|PU:2|FN:L|FU:3|PN:y|PU:4")), "A{F=_FOLDER[p=2],L=3};");
    // The value after a name is its URL whatever its tag.
    EXPECT_EQ(DumpParsed(L("CH:A|FN:a|CH:B|FN:c|FU:d")), "A{a=B,c=d};");
    // Values before the first channel are dropped, including the URL they take.
    EXPECT_EQ(DumpParsed(L("FO:F|PN:p|PU:q|FN:x|FU:y|CH:A|FN:a|FU:b")), "A{a=b};");
    // A tab cuts the value; the rest of the line is skipped up to the next "~".
    EXPECT_EQ(DumpParsed("~CH:A\r\n~FN:Wea\tther\r\n~FU:u"), "A{Wea=u};");
    // "~" and ":" inside a value stay; tags and values are trimmed.
    EXPECT_EQ(DumpParsed("~ CH : A b \r\n~FN:x\r\n~FU:http://h:80/~me"), "A b{x=http://h:80/~me};");
    // NUL is the end of the file.
    EXPECT_EQ(DumpParsed(L("CH:A|FN:a|FU:b") + "\0\r\n~CH:B"s), "A{a=b};");
    EXPECT_EQ(DumpParsed(L("CH:A|FN:a") + "\0b\r\n~FU:c"s), "A{a=};");
    // Unknown tags and a tag without ":" at the end.
    EXPECT_EQ(DumpParsed(L("XX:1|CH:A|ZZ:2|FN:a|FU:b") + "\r\n~CH"), "A{a=b};");
}

TEST(ChannelLineFormat, EmptyFoldersComeBackAsMarkedEntries) {
    CChannelList list;
    CChannelItem* ch = list.AppendChannel("A");
    CChannelList::AppendChild(ch, "Read", std::string(kFolderMark));
    CChannelList::AppendChild(ch, "Made", std::string(kDesignerFolderMark));
    std::string bytes = list.Serialize();
    EXPECT_NE(bytes.find("~FN:Read\r\n~FU:_FOLDER"), std::string::npos);

    CChannelList back;
    back.ParseLineFormat(bytes);
    EXPECT_EQ(Dump(back), "A{Read=_FOLDER,Made=__FOLDER};");
    EXPECT_TRUE(back.at(0)->children[1]->IsFolder());
    EXPECT_FALSE(CChannelItem("p", "http://x/").IsFolder());
}

TEST(ChannelLineFormat, DeletedChannelsAndEntriesAndSelectionAreLeftOut) {
    CChannelList list;
    for (const char* name : {"*DELETED", "*DELETED:Old", "*DELETEDx", "Keep", "Other", "Third"}) {
        CChannelItem* ch = list.AppendChannel(name);
        CChannelList::AppendChild(ch, "*DELETED", "http://gone/");
        CChannelList::AppendChild(ch, "*DELETEDx", "http://kept/");
        CChannelList::AppendChild(ch, "*DELETED:y", "http://kept2/");
    }
    EXPECT_EQ(DumpParsed(list.Serialize()),
              "Keep{*DELETEDx=http://kept/,*DELETED:y=http://kept2/};"
              "Other{*DELETEDx=http://kept/,*DELETED:y=http://kept2/};"
              "Third{*DELETEDx=http://kept/,*DELETED:y=http://kept2/};");

    // Rows past the end of the selection are not selected.
    std::vector<bool> selection = {true, true, true, false, true};
    CChannelList back;
    back.ParseLineFormat(list.Serialize(&selection));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back.at(0)->name, "Other");
}

TEST(ChannelLineFormat, Utf8StaysWholeAndOtherBytesEndTheValue) {
    CChannelList list;
    const std::string name = "Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80";
    CChannelList::AppendChild(list.AppendChannel(name), "\xd0\x9d\xd0\xbe\xd0\xb2", "http://x/\xc3\xa4");
    EXPECT_EQ(DumpParsed(list.Serialize()), name + "{\xd0\x9d\xd0\xbe\xd0\xb2=http://x/\xc3\xa4};");

    // Invalid: stray byte, lead without continuation, overlong, surrogate,
    // sequence cut by the end of the file.
    EXPECT_EQ(DumpParsed("~CH:A\xff"
                         "B~FN:a\xc3(b~FU:c\xe0\x80\xaf"
                         "d"),
              "A{a=c};");
    EXPECT_EQ(DumpParsed(L("CH:A|FN:x\xed\xa0\x80y|FU:z\xc0\xafw|FN:e\xe6\x97")), "A{x=z,e=};");
}

TEST(ChannelProfileFormat, ExampleCutAndLocalRule) {
    test::Sandbox box;
    const std::string longUrl = "http://h/" + std::string(400, 'a');
    test::WriteFile(box.path("old.sky"),
                    "[Channels]\r\nC0=Sports\r\nC1=Empty\r\n\r\n[Tab:Sports]\r\nPage0Label=Scores\r\n"
                    "Page0URL=http://scores/\r\nPage0_0label=Hockey\r\nPage0_0URL=http://hockey/\r\n"
                    "Page1Label=Long\r\nPage1URL=" +
                        longUrl + "\r\nPage3Label=Unreached\r\n");
    CChannelList list;
    ASSERT_TRUE(list.Load(box.path("old.sky")));
    EXPECT_EQ(Dump(list), "Sports{Scores=http://scores/[Hockey=http://hockey/],Long=" +
                              longUrl.substr(0, 299) + "};Empty{};");
    EXPECT_EQ(list.profilePath(), box.path("old.sky"));

    // A cut never leaves half a character.
    CChannelList cut;
    cut.ParseProfileFormat("[Channels]\nC0=" + std::string(298, 'x') + "\xc3\xa9\n", "a.sky");
    EXPECT_EQ(cut.at(0)->name, std::string(298, 'x'));

    const std::string local = "[Channels]\nC0=Other\n[Tab:local]\nPage0Label=Town\nPage0URL=http://town/\n";
    CChannelList lc;
    EXPECT_TRUE(lc.ParseProfileFormat(local, "/x/local.sky"));
    EXPECT_EQ(Dump(lc), "local{Town=http://town/};");
    CChannelList notLocal;
    notLocal.ParseProfileFormat(local, "/x/global.sky");
    EXPECT_EQ(Dump(notLocal), "Other{};");
    // An explicit "_END_" ends the list too.
    CChannelList ended;
    EXPECT_FALSE(ended.ParseProfileFormat("[Channels]\nC0=_END_\nC1=X\n", "a.sky"));
}

TEST(ChannelFiles, FailedLoadAndSaveChangeNothing) {
    test::Sandbox box;
    CChannelList list;
    CChannelList::AppendChild(list.AppendChannel("Mine"), "a", "http://a/");
    EXPECT_FALSE(list.Load(box.path("missing.sky")));
    EXPECT_FALSE(list.Load(box.home()));
    EXPECT_EQ(Dump(list), "Mine{a=http://a/};");

    // The temporary name beside this one is too long to make, so the write
    // fails before touching the old file.
    std::string path = box.path(std::string(250, 'c'));
    test::WriteFile(path, "old");
    std::string error;
    EXPECT_FALSE(list.Save(path, nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(test::ReadFile(path), "old");
    EXPECT_FALSE(list.Save(box.path("no/such/dir.sky")));
}

TEST(ChannelItem, CloneIsDeepAndDropsImportMarks) {
    CChannelItem ch("A", std::string(kChannelMark));
    ch.matched = ch.skip = true;
    ch.lastAddress = "http://last/";
    CChannelList::AppendChild(CChannelList::AppendChild(&ch, "F", std::string(kFolderMark)), "p",
                              "http://p/");
    auto copy = ch.Clone();
    ch.children[0]->children[0]->url = "changed";
    EXPECT_FALSE(copy->matched || copy->skip);
    EXPECT_EQ(copy->lastAddress, "http://last/");
    EXPECT_EQ(copy->children[0]->children[0]->url, "http://p/");
}

}  // namespace
}  // namespace sky
