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
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 256).channelBack, 0x804000u);
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 257).channelBack, 0xC08000u);
    SettingsStore::App().WriteInt("nColors", "ChannelBack", 0x0000FF);
    EXPECT_EQ(ReadChannelColours(SettingsStore::App(), 16).channelBack, 0x0000FFu);
}

}  // namespace
}  // namespace sky
