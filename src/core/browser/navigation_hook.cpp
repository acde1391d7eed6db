#include "core/browser/navigation_hook.h"

#include "core/base/text_util.h"

namespace sky {

std::string StartRequestUrl(std::string_view webHost, std::string_view zip, std::string_view account) {
    return "http://" + std::string(webHost) + "/scripts/show.dll?Start&Z=" + std::string(zip) +
           "&U=" + std::string(account) + "&V=test";
}

std::string ChannelIntroAddress(std::string_view webHost) {
    return std::string(webHost) + "/Scripts/channelx.dll?GetPage";
}

std::optional<std::string> SubstituteZip(std::string_view url, std::string_view zip) {
    std::string lower = ToLower(url);
    size_t at = lower.find("__zip__");
    if (at == std::string::npos) return std::nullopt;
    // A code holding the marker would bring it back on every redirect.
    bool usable = !zip.empty() && !ContainsNoCase(zip, "__zip__");
    return lower.replace(at, 7, usable ? std::string(zip) : std::string("000000"));
}

const char* WaitingWord(long n) {
    switch (n) {
        case 1:
        case 3:
        case 6:
        case 8:
        case 10:
            return "Please Wait";
        case 5:
            return "Courage";
        case 9:
            return "Working on it";
        default:
            return "Patience";
    }
}

std::string StatusPopupText(std::string_view title, std::string_view url, long n) {
    return std::string(title) + ": Accessing Internet [" + std::string(url) + "] " + WaitingWord(n) + "...";
}

HookDecision DecideNavigation(const HookInput& in) {
    HookDecision d;
    std::string url = ToLower(in.url);
    // The start request is final: an account, code or host holding a marker
    // word would otherwise have it rewritten again, for ever.
    std::string startRequest = ToLower(StartRequestUrl(in.webHost, "", ""));
    startRequest.resize(startRequest.rfind("&z=") + 1);
    bool isStartRequest = url.rfind(startRequest, 0) == 0;
    if (!isStartRequest && url.find("skystart") != std::string::npos) {
        d.cancel = true;
        d.redirect = StartRequestUrl(in.webHost, in.zip.empty() ? "10001" : in.zip, in.account);
        return d;
    }
    bool intro = ContainsNoCase(url, ChannelIntroAddress(in.webHost));
    if (intro && in.channelIntroOption && !in.introState) d.introState = true;
    if (!intro && in.introState) d.introState = false;
    if (auto zip = isStartRequest ? std::nullopt : SubstituteZip(in.url, in.zip)) {
        d.cancel = true;
        d.redirect = *zip;
        d.passPostData = true;
        return d;
    }
    d.applyMainFilter = !intro;
    return d;
}

std::string EncodeSearchText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == ' ') c = '+';
    return out;
}

std::string WebSearchUrl(std::string_view host, std::string_view text) {
    return "http://" + std::string(host) + "/r?look=&key=" + EncodeSearchText(text) + "&search=0";
}

std::string NewsSearchUrl(std::string_view host, std::string_view text) {
    return "http://" + std::string(host) + "/search/news?p=" + EncodeSearchText(text);
}

}  // namespace sky
