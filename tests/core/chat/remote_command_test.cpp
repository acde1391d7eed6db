// The remote-command record: its layout and what is refused.
#include <gtest/gtest.h>

#include <cstring>

#include "core/chat/remote_command.h"
#include "record_sample.h"

namespace sky::test {
namespace {

using chat::RemoteCommand;

RemoteCommand Sample() {
    return SampleRecord();
}

TEST(RemoteCommandTest, LayoutAndRoundTrip) {
    std::string bytes = Sample().Encode();
    ASSERT_EQ(bytes.size(), 464u + 15u);
    EXPECT_EQ(bytes.substr(4, 6), std::string("alice\0", 6));
    EXPECT_EQ(bytes.substr(36, 4), std::string("\x09\0\0\0", 4));
    EXPECT_EQ(bytes.substr(40, 9), std::string("10.0.0.7\0", 9));
    EXPECT_EQ(bytes.substr(56, 4), "\xef\xbe\xad\xde");
    EXPECT_EQ(bytes.substr(128, 4), std::string("\x0f\0\0\0", 4));
    EXPECT_EQ(bytes.substr(136, 6), "/home/");
    EXPECT_EQ(bytes.substr(391, 4), "123/");
    EXPECT_EQ(bytes.substr(460, 4), "look");
    EXPECT_EQ(bytes.substr(475), std::string(4, '\0'));

    auto back = RemoteCommand::Decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->senderName, "alice");
    EXPECT_EQ(back->type, chat::kCmdHotLink);
    EXPECT_EQ(back->conversation, 0xdeadbeefu);
    EXPECT_EQ(back->targetHost, "bob.example:8080");
    EXPECT_EQ(back->secondText, "123/10.0.0.7/17/");
    EXPECT_EQ(back->data, Sample().data);

    // Over-long texts keep their NUL.
    RemoteCommand longName = Sample();
    longName.senderName = std::string(40, 'n');
    longName.firstText = std::string(300, 'p');
    auto cut = RemoteCommand::Decode(longName.Encode());
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->senderName, std::string(31, 'n'));
    EXPECT_EQ(cut->firstText, std::string(254, 'p'));
}

TEST(RemoteCommandTest, InvalidRecordsAreRejected) {
    std::string good = Sample().Encode();
    EXPECT_FALSE(RemoteCommand::Decode(good.substr(0, 463)));
    EXPECT_FALSE(RemoteCommand::Decode(good + "x"));  // data length no longer matches
    std::string longer = good;
    longer[128] = 16;
    EXPECT_FALSE(RemoteCommand::Decode(longer));
    std::string huge = good;
    huge[131] = '\x80';
    EXPECT_FALSE(RemoteCommand::Decode(huge));
    // Each text area without its NUL.
    for (auto [offset, size] : {std::pair{4, 32}, {40, 16}, {60, 68}, {136, 255}, {391, 69}}) {
        std::string bad = good;
        std::memset(bad.data() + offset, 'A', size);
        EXPECT_FALSE(RemoteCommand::Decode(bad)) << "text at " << offset;
    }
}

}  // namespace
}  // namespace sky::test
