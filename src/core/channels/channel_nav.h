#pragma once

#include <string>
#include <string_view>

namespace sky {

class SettingsStore;

// The channel introduction page for a channel: the web host's introduction
// address with the install cookie, the account and the channel's name (spaces
// as "_"), and the source tag. No other escaping: the service reads it as is.
std::string ChannelIntroQuery(std::string_view webHost, std::string_view cookie, std::string_view account,
                              std::string_view channelName);

// An address of a file on this machine; a channel never remembers one as the
// place to return to.
bool IsLocalFileAddress(std::string_view address);

// The local channel wizard: an address it downloads into "local.sky" instead
// of showing.
bool IsLocalChannelFileLink(std::string_view address);

// The service's local channel page.
std::string LocalChannelPageUrl(std::string_view webHost);

// The channel bar's colours as 0x00BBGGRR values ("nColors"), with the
// defaults for a display of `colourCount` colours.
struct ChannelColours {
    unsigned channelBack, channelText, navBack, navText, subBack, subText, topBack;
    bool introAtStart;
};
ChannelColours ReadChannelColours(const SettingsStore& settings, int colourCount);

}  // namespace sky
