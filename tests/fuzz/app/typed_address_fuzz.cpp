#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app/typed_commands.h"
#include "core/base/url_codec.h"

// What the user types in the address box (or hands over on the command line).
namespace {

constexpr std::string_view kHost = "svc.example:7780";

// Bytes that would split an address or a host name where the frame uses it.
bool Breaks(std::string_view s) {
    for (unsigned char c : s)
        if (c <= ' ' || c == 0x7f) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    sky::TypedCommand c = sky::ParseTypedAddress(text, kHost);
    if (c.address.size() > 2 * 1024 + 3 * size) __builtin_trap();
    if (c.action == sky::TypedAction::StartChat && (c.host.empty() || Breaks(c.host))) __builtin_trap();
    if (c.action == sky::TypedAction::Navigate && c.address != text) {
        // An address we built from a typed word: one URL on the service host.
        std::string prefix = "http://" + std::string(kHost) + "/~";
        if (c.address.rfind(prefix, 0) != 0 || Breaks(c.address)) __builtin_trap();
    }
    // Typing the same thing again, with other blanks around it, does the same.
    sky::TypedCommand again = sky::ParseTypedAddress(" " + std::string(text) + "\t", kHost);
    if (again.action != c.action || again.host != c.host) __builtin_trap();
    if (c.address != text && again.address != c.address) __builtin_trap();
    return 0;
}
