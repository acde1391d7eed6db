#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sky {

// The service's personalised start request for a postal code and account.
std::string StartRequestUrl(std::string_view webHost, std::string_view zip, std::string_view account);

// The channel introduction page's address on the web host.
std::string ChannelIntroAddress(std::string_view webHost);

// `url` lower-cased with its first "__ZIP__" (any case) replaced by `zip`;
// nothing when there is no marker.
std::optional<std::string> SubstituteZip(std::string_view url, std::string_view zip);

// The status pop-up's waiting word for the n-th navigation (n from 1).
const char* WaitingWord(long n);
std::string StatusPopupText(std::string_view title, std::string_view url, long n);

struct HookInput {
    std::string url;
    std::string webHost;
    std::string zip;  // "local"/"zip" as stored, may be empty
    std::string account;
    bool channelIntroOption = false;
    bool introState = false;
};

struct HookDecision {
    bool cancel = false;
    // Navigate this view here instead (cancel is set).
    std::string redirect;
    // The redirect carries the cancelled navigation's posted data.
    bool passPostData = false;
    // The view's new channel-introduction state, when it changes.
    std::optional<bool> introState;
    // Run the main browser filter on the URL.
    bool applyMainFilter = false;
};

// The browser view's navigation hook: start-page rewriting, the channel
// introduction state, postal-code substitution, and whether the main
// browser filter comes next.
HookDecision DecideNavigation(const HookInput& in);

// The web search query: spaces become "+", everything else is kept.
std::string EncodeSearchText(std::string_view text);
std::string WebSearchUrl(std::string_view host, std::string_view text);
std::string NewsSearchUrl(std::string_view host, std::string_view text);

}  // namespace sky
