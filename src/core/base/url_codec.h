#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sky {

// Value of one hexadecimal digit (either case), -1 for any other byte.
int HexDigitValue(char c);

// Percent encoding of a query value (application/x-www-form-urlencoded):
// letters, digits and "-._~" stay, a space becomes "+", every other byte "%XX".
std::string FormEncode(std::string_view text);
// Percent encoding of a URL path: as FormEncode, but "/" stays and a space is "%20".
std::string PathEncode(std::string_view path);

struct PercentDecoding {
    bool plusIsSpace = false;    // a query: "+" is a space
    bool doublePercent = false;  // "%%" is one "%" (the web server's request URLs)
};
// "%XX" (either case) becomes its byte; a "%" without two hex digits after
// it stays as it is. Never fails, never grows the text.
std::string PercentDecode(std::string_view text, PercentDecoding how = {});
inline std::string FormDecode(std::string_view text) {
    return PercentDecode(text, {.plusIsSpace = true});
}
inline std::string PathDecode(std::string_view text) {
    return PercentDecode(text);
}

struct HostPort {
    std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    int port = 0;
    bool operator==(const HostPort&) const = default;
};
struct HostPortRules {
    bool zeroPort = false;          // ":0" is a port: a listener's "any free port"
    bool badPortIsDefault = false;  // a port that is not one (or is empty) leaves `defaultPort`
};
// "name", "name:port", "[v6]", "[v6]:port" or a bare IPv6 address ("::1",
// which cannot carry a port). A port is 1 to 65535 in digits only; without one
// `defaultPort` is used. nullopt for anything else: an empty host, a bad port,
// an unclosed "[", or a byte a host name cannot hold (space, "/", "@", ...).
std::optional<HostPort> ParseHostPort(std::string_view text, int defaultPort, HostPortRules rules = {});
// "name:port", or "[v6]:port" when the host is an IPv6 address.
std::string JoinHostPort(std::string_view host, int port);

}  // namespace sky
