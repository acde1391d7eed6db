#include "core/channels/channel_nav.h"

#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"

#include <optional>

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

ChannelColours DefaultChannelColours(int colourCount) {
    if (colourCount >= 257)
        return {Rgb(0, 128, 192), Rgb(255, 255, 255), Rgb(119, 119, 119), Rgb(255, 255, 255),
                Rgb(0, 0, 0),     Rgb(255, 255, 255), Rgb(64, 128, 128),  false};
    if (colourCount >= 17)
        return {Rgb(0, 64, 128), Rgb(255, 255, 255), Rgb(0, 64, 128),   Rgb(255, 255, 255),
                Rgb(128, 0, 0),  Rgb(255, 255, 255), Rgb(64, 128, 128), false};
    return {Rgb(0, 128, 128), Rgb(255, 255, 255), Rgb(128, 128, 128), Rgb(255, 255, 255),
            Rgb(0, 128, 128), Rgb(255, 255, 255), Rgb(128, 128, 128), false};
}

namespace {
// A hand-edited or damaged value would paint black on black; only a plain
// number in the colour range counts.
std::optional<unsigned> ParseColour(std::string_view raw) {
    const std::string text = Trim(raw);
    if (text.empty() || text.size() > 10) return std::nullopt;
    unsigned long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 0xFFFFFFul) return std::nullopt;
    return static_cast<unsigned>(v);
}

struct ColourKey {
    const char* key;
    unsigned ChannelColours::*field;
};
constexpr ColourKey kColourKeys[] = {
    {"ChannelBack", &ChannelColours::channelBack}, {"ChannelText", &ChannelColours::channelText},
    {"NavBack", &ChannelColours::navBack},         {"NavText", &ChannelColours::navText},
    {"SubBack", &ChannelColours::subBack},         {"SubText", &ChannelColours::subText},
    {"TopBack", &ChannelColours::topBack},
};
constexpr int kIntroOn = 4;
}  // namespace

ChannelColours ReadChannelColours(const SettingsStore& s, int colourCount) {
    ChannelColours c = DefaultChannelColours(colourCount);
    for (const ColourKey& k : kColourKeys) {
        if (!s.Has("nColors", k.key)) continue;
        if (auto v = ParseColour(s.GetString("nColors", k.key))) c.*k.field = *v;
    }
    c.introAtStart = s.GetInt("nColors", "CIStart", 0) != 0;
    return c;
}

bool WriteChannelColours(SettingsStore& s, const ChannelColours& c) {
    return s.Edit([&](SettingsEdit& e) {
        for (const ColourKey& k : kColourKeys) e.SetInt("nColors", k.key, static_cast<int>(c.*k.field));
        e.SetInt("nColors", "CIStart", c.introAtStart ? kIntroOn : 0);
    });
}

}  // namespace sky
