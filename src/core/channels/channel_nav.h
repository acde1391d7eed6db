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

// The colour scheme ("nColors"): 0x00BBGGRR values for the channel bar, the
// navigation area, the sub-channel rows and the top strip, and whether the
// channel introduction shows at start.
struct ChannelColours {
    unsigned channelBack, channelText, navBack, navText, subBack, subText, topBack;
    bool introAtStart;
    bool operator==(const ChannelColours&) const = default;
};
// The scheme of a display of `colourCount` colours when nothing is stored.
ChannelColours DefaultChannelColours(int colourCount);
// The stored scheme; a missing key or one that is not a colour (not a
// number from 0 to 0xFFFFFF) takes its default for `colourCount`.
ChannelColours ReadChannelColours(const SettingsStore& settings, int colourCount);
// Writes all eight keys in one edit ("CIStart" as 4 or 0).
bool WriteChannelColours(SettingsStore& settings, const ChannelColours& colours);

}  // namespace sky
