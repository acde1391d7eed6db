#pragma once

#include <string>
#include <string_view>

namespace sky {

// How often the ad box fetches a new ad ("infobox"/"rotate" and "delay").
struct AdRotation {
    bool enabled = false;
    int periodMs = 0;
};
// A short delay would hammer the ad host: below 10 seconds there is no rotation.
AdRotation AdRotationOf(int rotate, int delaySec);

// The ad page: "/scripts/adserv.dll" on the ad host.
std::string AdSourceUrl(const std::string& adHost);

// True for an http or https address on the ad host itself (same host and
// port): the only network addresses the box ever loads.
bool IsAdHostAddress(std::string_view url, const std::string& adHost);

// What the box does with a navigation its page is about to make.
enum class AdNavigation {
    Show,        // the ad file itself (or the blank page): it loads in the box
    OpenInMain,  // a web link: refused here and opened in the main browser
    Drop,        // anything else (a file, a script, a command link): refused
};
// `adFileUrl` is the "file://" address of the box's private ad file.
AdNavigation ClassifyAdNavigation(std::string_view url, std::string_view adFileUrl);

}  // namespace sky
