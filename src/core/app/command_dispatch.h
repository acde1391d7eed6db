#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace sky {

// What the main browser does with an address it is about to load.
enum class MainFilterAction {
    Proceed,              // load it; the address box shows it
    ImportPublicChannel,  // a ".sdf" channel file: import it (text = the URL)
    DropIdp,              // a "skyidp://" link with a service part: dropped
    Nothing,              // a command that does nothing
    MessageNotReady,      // "Not Ready"
    CustomChannels,       // the channel customisation dialog
    Search,               // the web search dialog
    ReplaceChannels,      // "rlc:": replace the channel list from text
    BadCommand,           // "Bad SkyCommand.\n\n==>  %s", text = the message
};

struct MainFilterResult {
    MainFilterAction action = MainFilterAction::Proceed;
    bool cancel = false;
    std::string text;
};

// The main browser's filter of command URLs, channel files and service links.
MainFilterResult MainBrowserFilter(std::string_view url);

// The "rlc:" source as downloaded: used as given when it begins with "file",
// else with "http://" in front.
std::string ReplacementSource(std::string_view rlcSource);

// What a "_skycmd" command link or a window a page opens leads to.
enum class CommandLinkAction {
    Proceed,           // not ours: the navigation goes on
    FrameCommand,      // post `command` to the frame
    OpenPopup,         // the pop-up rule: open url in a popup named `name`
    UnknownCommand,    // "Unknown SkyCommand Encountered: \n\nCommand[%s]", text = the message
    ClaimedByComments  // the comments feature took it
};

// The frame commands a "_skycmd" link can name.
enum class LinkCommand {
    None,
    Zoom,
    ControlPanel,  // page in `page` (1..5)
    Search,
    CustomChannels,
    UpdateSoftware,
    FileManager,
    ShowFavorites,
    Home,
    AddToChannel,
    Back,
    Forward,
    Reload,
    Print,
    ChannelBar,
    LocalSettings,
    Register,
    BrowserSettings,
    LookAndFeel,
    Login,
};

struct CommandLinkResult {
    CommandLinkAction action = CommandLinkAction::Proceed;
    bool consumed = false;
    LinkCommand command = LinkCommand::None;
    int page = 0;
    std::string text;  // message, or the URL to open
    std::string name;  // popup window name
};

struct CommandLinkContext {
    bool popupOption = true;         // "misc"/"popup"
    std::string engineBuild;         // the HTML engine's build string
    std::string freeHomeDomains[2];  // links to these never pop out
    // The comments feature: true when it claims the command word.
    std::function<bool(const std::string& command)> comments;
};

CommandLinkResult CommandLinkHandler(std::string_view url, std::string_view targetFrame,
                                     const CommandLinkContext& context);

// The command word of a "_skycmd" link: the URL less its first eight characters, trimmed.
std::string CommandWordOf(std::string_view url);

}  // namespace sky
