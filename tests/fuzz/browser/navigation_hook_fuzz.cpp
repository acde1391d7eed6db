#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/browser/navigation_hook.h"

// Input: flags, then the address a page navigates to, the web host, the
// postal code and the account, separated by NULs. The address comes from a
// page; the rest from settings a user can fill with anything.
namespace {

std::string_view Next(std::string_view& in) {
    size_t nul = in.find('\0');
    std::string_view field = in.substr(0, nul);
    in = nul == std::string_view::npos ? std::string_view() : in.substr(nul + 1);
    return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    sky::HookInput in;
    in.channelIntroOption = data[0] & 1;
    in.introState = data[0] & 2;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    in.url = Next(rest);
    in.webHost = Next(rest);
    in.zip = Next(rest);
    in.account = Next(rest);
    if (in.webHost.empty()) in.webHost = "svc.example:7780";

    // The view follows each redirect through the hook again; that must end.
    // One hop per postal-code marker (7 bytes each) in the page's address, and
    // a few more; each marker at most brings in the code once.
    size_t limit = (size + 1) * (size + 1) + 1024;
    size_t hops = size / 7 + 4;
    for (size_t hop = 0; hop < hops; ++hop) {
        sky::HookDecision d = sky::DecideNavigation(in);
        if (d.cancel == d.redirect.empty()) __builtin_trap();
        if (d.applyMainFilter && d.cancel) __builtin_trap();
        if (!d.cancel) return 0;
        if (d.redirect.size() > limit) __builtin_trap();
        in.url = d.redirect;
        if (d.introState) in.introState = *d.introState;
    }
    __builtin_trap();
}
