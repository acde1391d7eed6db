#include "core/app/ad_box.h"

#include "core/base/service_config.h"
#include "core/base/text_util.h"
#include "core/base/url_codec.h"

namespace sky {

AdRotation AdRotationOf(int rotate, int delaySec) {
    if (rotate == 0 || delaySec < 10) return {};
    // Capped so the period fits an int in milliseconds.
    int sec = delaySec > 24 * 3600 ? 24 * 3600 : delaySec;
    return {true, sec * 1000};
}

std::string AdSourceUrl(const std::string& adHost) {
    return ServiceUrl(adHost, "/scripts/adserv.dll");
}

namespace {

// The "host[:port]" part of an http(s) address, with the scheme's default port.
bool AuthorityOf(std::string_view url, HostPort* out) {
    std::string lower = ToLower(url);
    int defaultPort = 0;
    size_t start = 0;
    if (lower.rfind("http://", 0) == 0) {
        defaultPort = 80;
        start = 7;
    } else if (lower.rfind("https://", 0) == 0) {
        defaultPort = 443;
        start = 8;
    } else {
        return false;
    }
    size_t end = lower.find_first_of("/?#", start);
    std::string_view authority =
        std::string_view(lower).substr(start, end == std::string::npos ? end : end - start);
    // A user part ("ad.host@elsewhere") would let the host name lie.
    if (authority.find('@') != std::string_view::npos) return false;
    auto hp = ParseHostPort(authority, defaultPort);
    if (!hp) return false;
    *out = *hp;
    return true;
}

}  // namespace

bool IsAdHostAddress(std::string_view url, const std::string& adHost) {
    HostPort target;
    if (!AuthorityOf(url, &target)) return false;
    auto ad = ParseHostPort(ToLower(adHost), 80);
    return ad && *ad == target;
}

AdNavigation ClassifyAdNavigation(std::string_view url, std::string_view adFileUrl) {
    std::string trimmed = Trim(url);
    if (trimmed == "about:blank" || (!adFileUrl.empty() && trimmed == adFileUrl)) return AdNavigation::Show;
    std::string lower = ToLower(trimmed);
    if (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) return AdNavigation::OpenInMain;
    return AdNavigation::Drop;
}

}  // namespace sky
