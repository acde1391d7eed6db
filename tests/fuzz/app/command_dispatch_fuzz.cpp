#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app/command_dispatch.h"

// Input: a page's link address, then after the first NUL the frame it targets.
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

void CheckFilter(std::string_view url) {
    sky::MainFilterResult r = sky::MainBrowserFilter(url);
    // A cancelled navigation always tells the frame what to do instead.
    if (r.cancel != (r.action != sky::MainFilterAction::Proceed)) __builtin_trap();
    if (r.text.size() > url.size() + 64) __builtin_trap();
    // Command words and the blanks around an address do not matter.
    std::string dressed = " \t" + Upper(url) + "\r\n";
    sky::MainFilterResult again = sky::MainBrowserFilter(dressed);
    if (again.action != r.action || again.cancel != r.cancel) __builtin_trap();
}

void CheckLink(std::string_view url, std::string_view target, bool popups, bool claim) {
    std::string seen;
    bool asked = false;
    sky::CommandLinkContext ctx;
    ctx.popupOption = popups;
    ctx.engineBuild = "120.0.6099.272";
    ctx.freeHomeDomains[0] = "members.example";
    ctx.comments = [&](const std::string& word) {
        asked = true;
        seen = word;
        return claim;
    };
    sky::CommandLinkResult r = sky::CommandLinkHandler(url, target, ctx);
    if (r.consumed != (r.action != sky::CommandLinkAction::Proceed)) __builtin_trap();
    if (r.text.size() > url.size() + 64 || r.name.size() > target.size()) __builtin_trap();
    if (r.action == sky::CommandLinkAction::FrameCommand) {
        if (r.command == sky::LinkCommand::None || r.page < 0 || r.page > 5) __builtin_trap();
        if ((r.page != 0) != (r.command == sky::LinkCommand::ControlPanel)) __builtin_trap();
    }
    // The comments feature sees the same word the frame would, never a blank edge.
    std::string word = sky::CommandWordOf(url);
    if (asked && seen != word) __builtin_trap();
    if (!word.empty() && (IsBlank(word.front()) || IsBlank(word.back()))) __builtin_trap();
    if (url.find(word) == std::string_view::npos) __builtin_trap();
    if (r.action == sky::CommandLinkAction::ClaimedByComments && !claim) __builtin_trap();
    // The target frame's letter case does not matter.
    sky::CommandLinkResult upper = sky::CommandLinkHandler(url, Upper(target), ctx);
    if (upper.action != r.action || upper.command != r.command) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    bool popups = data[0] & 1, claim = data[0] & 2;
    std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t nul = in.find('\0');
    std::string_view url = in.substr(0, nul);
    std::string_view target =
        nul == std::string_view::npos ? std::string_view("_skycmd") : in.substr(nul + 1);
    CheckFilter(url);
    CheckLink(url, target, popups, claim);
    return 0;
}
