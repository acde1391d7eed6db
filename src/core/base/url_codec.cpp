#include "core/base/url_codec.h"

#include <algorithm>

namespace sky {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool Unreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void AppendEscape(std::string& out, unsigned char c) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

bool NameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool V6Byte(char c) {
    return HexDigitValue(c) >= 0 || c == ':' || c == '.';
}

// An IPv6 address as it may stand inside brackets: hex digits, ":" and the
// dots of an embedded IPv4 tail, with at least two colons.
bool LooksLikeV6(std::string_view s) {
    return std::count(s.begin(), s.end(), ':') >= 2 && std::all_of(s.begin(), s.end(), V6Byte);
}

std::optional<int> Port(std::string_view digits, bool zero) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < (zero ? 0 : 1) || v > 65535) return std::nullopt;
    return v;
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string FormEncode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (Unreserved(c))
            out += static_cast<char>(c);
        else if (c == ' ')
            out += '+';
        else
            AppendEscape(out, c);
    }
    return out;
}

std::string PathEncode(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        if (Unreserved(c) || c == '/')
            out += static_cast<char>(c);
        else
            AppendEscape(out, c);
    }
    return out;
}

std::string PercentDecode(std::string_view in, PercentDecoding how) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '+' && how.plusIsSpace) {
            out += ' ';
        } else if (c == '%' && how.doublePercent && i + 1 < in.size() && in[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (c == '%' && i + 2 < in.size() && HexDigitValue(in[i + 1]) >= 0 &&
                   HexDigitValue(in[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(in[i + 1]) * 16 + HexDigitValue(in[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<HostPort> ParseHostPort(std::string_view text, int defaultPort, HostPortRules rules) {
    HostPort r{std::string(), defaultPort};
    std::string_view portText;
    bool hasPort = false;
    if (text.starts_with('[')) {
        size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        std::string_view inside = text.substr(1, close - 1);
        if (!LooksLikeV6(inside)) return std::nullopt;
        r.host = std::string(inside);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return std::nullopt;
            portText = rest.substr(1);
            hasPort = true;
        }
    } else if (std::count(text.begin(), text.end(), ':') >= 2) {
        if (!LooksLikeV6(text)) return std::nullopt;
        r.host = std::string(text);
    } else {
        size_t colon = text.find(':');
        std::string_view name = text.substr(0, colon);
        if (name.empty() || !std::all_of(name.begin(), name.end(), NameByte)) return std::nullopt;
        r.host = std::string(name);
        if (colon != std::string_view::npos) {
            portText = text.substr(colon + 1);
            hasPort = true;
        }
    }
    if (hasPort) {
        std::optional<int> port = Port(portText, rules.zeroPort);
        if (port)
            r.port = *port;
        else if (!rules.badPortIsDefault)
            return std::nullopt;
    }
    return r;
}

std::string JoinHostPort(std::string_view host, int port) {
    std::string out = host.find(':') != std::string_view::npos && !host.starts_with('[')
                          ? "[" + std::string(host) + "]"
                          : std::string(host);
    return out + ":" + std::to_string(port);
}

}  // namespace sky
