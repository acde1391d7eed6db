#include <gtest/gtest.h>

#include "core/app/command_dispatch.h"

namespace sky {
namespace {

using A = MainFilterAction;

TEST(MainBrowserFilter, CommandTableInOrder) {
    struct Row {
        const char* url;
        A action;
        bool cancel;
        const char* text;
    };
    const Row rows[] = {
        {"http://example.com/page.htm", A::Proceed, false, ""},
        {"http://example.com/chan.SDF", A::ImportPublicChannel, true, "http://example.com/chan.SDF"},
        {"  http://example.com/chan.sdf  ", A::ImportPublicChannel, true, "http://example.com/chan.sdf"},
        {"skyidp://abc/def", A::DropIdp, true, ""},
        {"skyidp:///def", A::Proceed, false, ""},  // "/" at position 0 lets it through
        {"skyidp://abc", A::Proceed, false, ""},
        {"skycommand://news", A::Nothing, true, ""},
        {"skycommand://newsearch", A::Nothing, true, ""},  // "news" before "search"
        {"skycommand://cond_agree", A::MessageNotReady, true, "Not Ready"},
        {"skycommand://cond_cancel", A::Nothing, true, ""},
        {"skycommand://local", A::Nothing, true, ""},
        {"skycommand://ZOOM", A::Nothing, true, ""},  // lower-cased, then the do-nothing row
        {"SKYCOMMAND://CustChannels", A::CustomChannels, true, ""},
        {"skycommand://search", A::Search, true, ""},
        {"skycommand://rlc:www.example.com/Chan.sky", A::ReplaceChannels, true,
         "http://www.example.com/Chan.sky"},
        {"skycommand://rlc:file:///tmp/c.sky", A::ReplaceChannels, true, "file:///tmp/c.sky"},
        {"skycommand://Frobnicate", A::BadCommand, true, "Bad SkyCommand.\n\n==>  skycommand://frobnicate"},
        // "rlc:" must begin the command; elsewhere it is just unknown.
        {"skycommand://xrlc:foo", A::BadCommand, true, "Bad SkyCommand.\n\n==>  skycommand://xrlc:foo"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        MainFilterResult r = MainBrowserFilter(row.url);
        EXPECT_EQ(r.action, row.action);
        EXPECT_EQ(r.cancel, row.cancel);
        EXPECT_EQ(r.text, row.text);
    }
}

TEST(CommandLinkHandler, SkycmdTableIsExactAndCaseSensitive) {
    CommandLinkContext ctx;
    ctx.engineBuild = "102.0.5005.177";
    struct Row {
        const char* word;
        LinkCommand command;
        int page;
    };
    const Row rows[] = {
        {"zoom", LinkCommand::Zoom, 0},
        {"cpanel", LinkCommand::ControlPanel, 1},
        {"cpanel1", LinkCommand::ControlPanel, 1},
        {"cpanel2", LinkCommand::ControlPanel, 2},
        {"cpanel5", LinkCommand::ControlPanel, 5},
        {"search", LinkCommand::Search, 0},
        {"custchannels", LinkCommand::CustomChannels, 0},
        {"updatesoftware", LinkCommand::UpdateSoftware, 0},
        {"fileman", LinkCommand::FileManager, 0},
        {"showfavs", LinkCommand::ShowFavorites, 0},
        {"home", LinkCommand::Home, 0},
        {"addtochannel", LinkCommand::AddToChannel, 0},
        {"back", LinkCommand::Back, 0},
        {"forward", LinkCommand::Forward, 0},
        {"reload", LinkCommand::Reload, 0},
        {"print", LinkCommand::Print, 0},
        {"channelbar", LinkCommand::ChannelBar, 0},
        {"localsettings", LinkCommand::LocalSettings, 0},
        {"register", LinkCommand::Register, 0},
        {"browsersettings", LinkCommand::BrowserSettings, 0},
        {"lookfeel", LinkCommand::LookAndFeel, 0},
        {"login", LinkCommand::Login, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.word);
        // Eight characters go before the word; blanks around it are dropped.
        auto r = CommandLinkHandler(std::string("command:") + " " + row.word + " ", "_skycmd", ctx);
        EXPECT_TRUE(r.consumed);
        EXPECT_EQ(r.action, CommandLinkAction::FrameCommand);
        EXPECT_EQ(r.command, row.command);
        EXPECT_EQ(r.page, row.page);
    }
    auto upper = CommandLinkHandler("command:ZOOM", "_SkyCmdFrame", ctx);
    EXPECT_TRUE(upper.consumed);
    EXPECT_EQ(upper.action, CommandLinkAction::UnknownCommand);
    EXPECT_EQ(upper.text, "Unknown SkyCommand Encountered: \n\nCommand[ZOOM]");
    auto cpanel6 = CommandLinkHandler("command:cpanel6", "_skycmd", ctx);
    EXPECT_EQ(cpanel6.action, CommandLinkAction::UnknownCommand);
}

TEST(CommandLinkHandler, CommentsClaimUnknownWords) {
    CommandLinkContext ctx;
    std::string seen;
    ctx.comments = [&](const std::string& w) {
        seen = w;
        return w.rfind("addcomment", 0) == 0;
    };
    auto r = CommandLinkHandler("command:addcomment=12", "_skycmd", ctx);
    EXPECT_EQ(r.action, CommandLinkAction::ClaimedByComments);
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(seen, "addcomment=12");
    EXPECT_EQ(CommandLinkHandler("command:other", "_skycmd", ctx).action, CommandLinkAction::UnknownCommand);
}

TEST(CommandLinkHandler, PopupRule) {
    CommandLinkContext ctx;
    ctx.engineBuild = "102.0.5005.177";
    ctx.freeHomeDomains[0] = "freehomes.example";
    ctx.freeHomeDomains[1] = "pages.example";

    auto named = CommandLinkHandler("http://news.example/a", "newsWindow", ctx);
    EXPECT_EQ(named.action, CommandLinkAction::OpenPopup);
    EXPECT_TRUE(named.consumed);
    EXPECT_EQ(named.text, "http://news.example/a");
    EXPECT_EQ(named.name, "newsWindow");
    // Plain links (no target) pop out too.
    EXPECT_EQ(CommandLinkHandler("http://news.example/b", "", ctx).action, CommandLinkAction::OpenPopup);

    // "_" names stay with the engine unless its build has a 4.
    EXPECT_EQ(CommandLinkHandler("http://news.example/a", "_blank", ctx).action, CommandLinkAction::Proceed);
    ctx.engineBuild = "4.72.3110";
    EXPECT_EQ(CommandLinkHandler("http://news.example/a", "_blank", ctx).action,
              CommandLinkAction::OpenPopup);

    // Free home-page hosts never pop out, in any letter case.
    auto free = CommandLinkHandler("http://WWW.FreeHomes.Example/~me", "x", ctx);
    EXPECT_EQ(free.action, CommandLinkAction::Proceed);
    EXPECT_FALSE(free.consumed);

    ctx.popupOption = false;
    EXPECT_EQ(CommandLinkHandler("http://news.example/a", "w", ctx).action, CommandLinkAction::Proceed);
    // Command links work whatever the pop-up option.
    EXPECT_EQ(CommandLinkHandler("command:zoom", "_skycmd", ctx).command, LinkCommand::Zoom);
}

}  // namespace
}  // namespace sky
