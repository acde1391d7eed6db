#include "core/channels/channel_nav.h"

#include <gtest/gtest.h>

#include "core/base/settings_store.h"
#include "support/sandbox.h"

namespace sky {
namespace {

TEST(ChannelNav, IntroductionQueryKeepsTheServiceForm) {
    EXPECT_EQ(ChannelIntroQuery("svc.example:7780", "977001", "sampleid", "My Local News"),
              "http://svc.example:7780/Scripts/channelx.dll?GetPage&IC=977001&U=sampleid"
              "&CHANNEL=My_Local_News&SOURCE=srcSKYB3");
}

TEST(ChannelNav, AddressRules) {
    EXPECT_TRUE(IsLocalFileAddress("file:///home/me/a.htm"));
    EXPECT_TRUE(IsLocalFileAddress(" FILE:/tmp/x"));
    EXPECT_TRUE(IsLocalFileAddress("/home/me/a.htm"));
    EXPECT_FALSE(IsLocalFileAddress("http://files.example/file:x"));
    EXPECT_TRUE(IsLocalChannelFileLink("http://svc/areas/north.sky"));
    EXPECT_FALSE(IsLocalChannelFileLink("http://svc/~skylocal/local2.htm?x=.sky"));
    EXPECT_FALSE(IsLocalChannelFileLink("http://svc/~skylocal/other.htm"));
}

TEST(ChannelNav, ColoursFollowTheDisplayUnlessStored) {
    test::Sandbox box;
    // A 16-colour display starts teal with white text.
    ChannelColours c = ReadChannelColours(SettingsStore::App(), 16);
    EXPECT_EQ(c.channelBack, 0x808000u);
    EXPECT_EQ(c.channelText, 0xFFFFFFu);
    EXPECT_FALSE(c.introAtStart);
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 256).channelBack, 0x804000u);
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 257).channelBack, 0xC08000u);
    // The depth boundaries: 17 is the middle column, 256 still is.
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 17).subBack, 0x000080u);
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 1 << 24).navBack, 0x777777u);
    SettingsStore::App().WriteInt("nColors", "ChannelBack", 0x0000FF);
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 16).channelBack, 0x0000FFu);
}

TEST(ChannelNav, SchemeRoundTripsAndBadValuesFallBack) {
    test::Sandbox box;
    SettingsStore& s = SettingsStore::App();
    ChannelColours mine{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0, 0xFFFFFF, 0x102030, true};
    ASSERT_TRUE(WriteChannelColours(s, mine));
    // Every key is on disk, CIStart in its stored form.
    SettingsStore reread(s.path());
    EXPECT_EQ(ReadChannelColours(reread, 16), mine);
    EXPECT_EQ(reread.GetInt("nColors", "CIStart", -1), 4);
    EXPECT_EQ(reread.GetInt("nColors", "SubBack", -1), 0);

    // Damaged values take the default of their key; good neighbours stay.
    s.WriteString("nColors", "ChannelBack", "teal");
    s.WriteString("nColors", "ChannelText", "-1");
    s.WriteString("nColors", "NavBack", "16777216");
    s.WriteString("nColors", "NavText", "");
    s.WriteString("nColors", "SubText", "99999999999999999999");
    ChannelColours c = ReadChannelColours(s, 16);
    ChannelColours d = DefaultChannelColours(16);
    EXPECT_EQ(c.channelBack, d.channelBack);
    EXPECT_EQ(c.channelText, d.channelText);
    EXPECT_EQ(c.navBack, d.navBack);
    EXPECT_EQ(c.navText, d.navText);
    EXPECT_EQ(c.subText, d.subText);
    EXPECT_EQ(c.subBack, 0u);
    EXPECT_EQ(c.topBack, 0x102030u);
    // The top of the range is still a colour.
    s.WriteString("nColors", "ChannelBack", " 16777215 ");
    EXPECT_EQ(ReadChannelColours(s, 16).channelBack, 0xFFFFFFu);
}

}  // namespace
}  // namespace sky
