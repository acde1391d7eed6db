#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "channel_test_util.h"
#include "core/channels/channel_list.h"
#include "support/sandbox.h"

namespace sky {
namespace {

using Choice = ClashResolver::Choice;
using test::Dump;

const char* ChoiceName(Choice c) {
    switch (c) {
        case Choice::Replace:
            return "Replace";
        case Choice::Append:
            return "Append";
        case Choice::Skip:
            return "Skip";
        case Choice::None:
            break;
    }
    return "None";
}

// Answers from a script and keeps a log of what it was asked.
class ScriptedResolver : public ClashResolver {
public:
    std::deque<Choice> choices;
    std::deque<bool> applyToAll;
    std::string log;

    Choice AskClash(const std::string& name) override {
        log += "ask:" + name + " ";
        Choice c = choices.empty() ? Choice::None : choices.front();
        if (!choices.empty()) choices.pop_front();
        return c;
    }
    bool AskApplyToAll(Choice c) override {
        log += std::string("all:") + ChoiceName(c) + " ";
        bool yes = !applyToAll.empty() && applyToAll.front();
        if (!applyToAll.empty()) applyToAll.pop_front();
        return yes;
    }
};

class ChannelImport : public ::testing::Test {
protected:
    // Makes the existing list from line-format bytes and writes the file to import.
    void Setup(const std::string& existing, const std::string& incoming) {
        list.ParseLineFormat(existing);
        test::WriteFile(file, incoming);
    }
    test::Sandbox box;
    std::string file = box.path("in.sdf");
    CChannelList list;
    ScriptedResolver resolver;
};

TEST(ChannelAddPage, MergesByName) {
    CChannelList list;
    CChannelItem* ch = list.AppendChannel("C");
    CChannelList::AppendChild(ch, "P", "http://old/");
    CChannelList::AppendChild(CChannelList::AppendChild(ch, "F", std::string(kFolderMark)), "p", "http://p/");

    CChannelList::AddPage(ch, "", "http://new/", "P");
    CChannelList::AddPage(ch, "  F ", "http://p2/", "p");
    CChannelList::AddPage(ch, "F", "http://q/", "q");
    CChannelList::AddPage(ch, "G", "http://g/", "g");
    CChannelList::AddPage(ch, "", "http://z/", "Z");
    EXPECT_EQ(Dump(list),
              "C{P=http://new/,F=_FOLDER[p=http://p2/,q=http://q/],G=_FOLDER[g=http://g/],Z=http://z/};");
}

TEST_F(ChannelImport, EachSingleClashChoice) {
    const std::string existing = test::L("CH:A|FN:a|FU:1|CH:B|FN:b|FU:1");
    const std::string incoming = test::L("CH:A|FN:x|FU:2");
    struct Case {
        Choice choice;
        const char* result;
    } cases[] = {
        {Choice::Append, "A{a=1};B{b=1};A2{x=2};"},
        {Choice::Skip, "A{a=1};B{b=1};"},
        {Choice::None, "A{a=1};B{b=1};A{x=2};"},
        {Choice::Replace, "*DELETED:A{a=1};B{b=1};A{x=2};"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ChoiceName(c.choice));
        list.Clear();
        resolver = ScriptedResolver();
        resolver.choices = {c.choice};
        Setup(existing, incoming);
        ASSERT_TRUE(list.Import(file, resolver));
        EXPECT_EQ(Dump(list), c.result);
        // One clash: no apply-to-all question.
        EXPECT_EQ(resolver.log, "ask:A ");
    }
    // The replaced channel is gone from the next save.
    EXPECT_EQ(test::DumpParsed(list.Serialize()), "B{b=1};A{x=2};");
}

TEST_F(ChannelImport, StandingDecisionAfterTwoClashes) {
    Setup(test::L("CH:A|CH:B|CH:C"), test::L("CH:C|FN:c|FU:3|CH:A|FN:a|FU:1|CH:B|FN:b|FU:2"));
    resolver.choices = {Choice::Append};
    resolver.applyToAll = {true};
    ASSERT_TRUE(list.Import(file, resolver));
    EXPECT_EQ(resolver.log, "ask:A all:Append ");
    EXPECT_EQ(Dump(list), "A{};B{};C{};C2{c=3};A2{a=1};B2{b=2};");
}

TEST_F(ChannelImport, DeclinedQuestionIsNotAskedAgain) {
    Setup(test::L("CH:A|CH:B|CH:C"), test::L("CH:A|CH:B|CH:C"));
    resolver.choices = {Choice::Skip, Choice::Skip, Choice::Append};
    resolver.applyToAll = {false, false};
    ASSERT_TRUE(list.Import(file, resolver));
    EXPECT_EQ(resolver.log, "ask:A all:Skip ask:B ask:C all:Append ");
    EXPECT_EQ(Dump(list), "A{};B{};C{};C2{};");
}

TEST_F(ChannelImport, RefreshReplacesEverythingBeforeIt) {
    Setup(test::L("CH:A|CH:B"), test::L("CH:Y|CH:__REFRESH|CH:X|FN:x|FU:1"));
    ASSERT_TRUE(list.Import(file, resolver));
    EXPECT_EQ(Dump(list), "X{x=1};");
    EXPECT_EQ(resolver.log, "");
}

TEST_F(ChannelImport, NamesakeTwiceInFileClashesOnce) {
    Setup(test::L("CH:A|FN:a|FU:0"), test::L("CH:A|FN:x|FU:1|CH:A|FN:y|FU:2"));
    resolver.choices = {Choice::Append};
    ASSERT_TRUE(list.Import(file, resolver));
    EXPECT_EQ(resolver.log, "ask:A ");
    EXPECT_EQ(Dump(list), "A{a=0};A2{x=1};A{y=2};");
}

TEST_F(ChannelImport, ContentIsMergedByName) {
    Setup("", test::L("CH:N|FN:e|FU:1|FO:F|PN:p|PU:3|FN:e|FU:2|FO:F|PN:p|PU:4|PN:q|PU:5"));
    ASSERT_TRUE(list.Import(file, resolver));
    EXPECT_EQ(Dump(list), "N{e=2,F=_FOLDER[p=4,q=5]};");
}

TEST_F(ChannelImport, MissingFileChangesNothing) {
    Setup(test::L("CH:A|FN:a|FU:1"), "");
    EXPECT_FALSE(list.Import(box.path("missing.sdf"), resolver));
    EXPECT_EQ(Dump(list), "A{a=1};");
    EXPECT_EQ(resolver.log, "");
}

}  // namespace
}  // namespace sky
