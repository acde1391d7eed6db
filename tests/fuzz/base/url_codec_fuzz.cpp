#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/url_codec.h"

// Any text decodes in both flavours without growing, encodes back to text that
// decodes to itself, and any host text that parses joins back to the same host.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (sky::PercentDecoding how : {sky::PercentDecoding{}, sky::PercentDecoding{true, false},
                                     sky::PercentDecoding{false, true}, sky::PercentDecoding{true, true}}) {
        std::string decoded = sky::PercentDecode(text, how);
        if (decoded.size() > text.size()) __builtin_trap();
        if (sky::FormDecode(sky::FormEncode(decoded)) != decoded) __builtin_trap();
        if (sky::PathDecode(sky::PathEncode(decoded)) != decoded) __builtin_trap();
    }
    for (char c : sky::FormEncode(text))
        if (c == '&' || c == '=' || c == '#' || c == ' ' || c == '?' || c == '/') __builtin_trap();

    if (auto hp = sky::ParseHostPort(text, 80)) {
        auto again = sky::ParseHostPort(sky::JoinHostPort(hp->host, hp->port), 1);
        if (!again || !(*again == *hp)) __builtin_trap();
    }
    return 0;
}
