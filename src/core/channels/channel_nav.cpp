#include "core/channels/channel_nav.h"

#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"

namespace sky {

std::string ChannelIntroQuery(std::string_view webHost, std::string_view cookie, std::string_view account,
                              std::string_view channelName) {
    std::string name(channelName);
    for (char& c : name)
        if (c == ' ') c = '_';
    std::string q = ServiceUrl(std::string(webHost), "/Scripts/channelx.dll?GetPage");
    q += "&IC=";
    q += cookie;
    q += "&U=";
    q += account;
    q += "&CHANNEL=" + name;
    q += "&SOURCE=src";
    q += "SKYB3";
    return q;
}

bool IsLocalFileAddress(std::string_view address) {
    // "c:" was the local drive; here a local file is a "file:" address or a path.
    return StartsWithNoCase(Trim(address), "file:") || Trim(address).starts_with("/");
}

bool IsLocalChannelFileLink(std::string_view address) {
    return address.find(".sky") != std::string_view::npos &&
           address.find("local2.htm") == std::string_view::npos;
}

std::string LocalChannelPageUrl(std::string_view webHost) {
    return ServiceUrl(std::string(webHost), "/~skylocal/local2.htm");
}

namespace {
constexpr unsigned Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
}  // namespace

ChannelColours ReadChannelColours(const SettingsStore& s, int colourCount) {
    ChannelColours d;
    if (colourCount >= 257)
        d = {Rgb(0, 128, 192), Rgb(255, 255, 255), Rgb(119, 119, 119), Rgb(255, 255, 255),
             Rgb(0, 0, 0),     Rgb(255, 255, 255), Rgb(64, 128, 128),  false};
    else if (colourCount >= 17)
        d = {Rgb(0, 64, 128), Rgb(255, 255, 255), Rgb(0, 64, 128),   Rgb(255, 255, 255),
             Rgb(128, 0, 0),  Rgb(255, 255, 255), Rgb(64, 128, 128), false};
    else
        d = {Rgb(0, 128, 128), Rgb(255, 255, 255), Rgb(128, 128, 128), Rgb(255, 255, 255),
             Rgb(0, 128, 128), Rgb(255, 255, 255), Rgb(128, 128, 128), false};
    auto get = [&](const char* key, unsigned def) {
        return static_cast<unsigned>(s.GetInt("nColors", key, static_cast<int>(def))) & 0xFFFFFFu;
    };
    ChannelColours c;
    c.channelBack = get("ChannelBack", d.channelBack);
    c.channelText = get("ChannelText", d.channelText);
    c.navBack = get("NavBack", d.navBack);
    c.navText = get("NavText", d.navText);
    c.subBack = get("SubBack", d.subBack);
    c.subText = get("SubText", d.subText);
    c.topBack = get("TopBack", d.topBack);
    c.introAtStart = s.GetInt("nColors", "CIStart", 0) != 0;
    return c;
}

}  // namespace sky
