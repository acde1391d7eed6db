#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sky {

// The fixed-layout binary records SkyHarbor exchanges (remote commands,
// web-space transfers): little-endian integers and NUL-terminated texts in
// fixed areas. Offsets are the caller's to check against the size.

inline uint16_t GetU16(std::string_view b, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t GetU32(std::string_view b, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void PutU16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xff);
    s[at + 1] = static_cast<char>(v >> 8);
}

inline void PutU32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

// The text of a fixed area up to its NUL; nothing when the area holds none.
inline std::optional<std::string> GetFixedText(std::string_view b, size_t at, size_t width) {
    std::string_view area = b.substr(at, width);
    size_t nul = area.find('\0');
    if (nul == std::string_view::npos) return std::nullopt;
    return std::string(area.substr(0, nul));
}

}  // namespace sky
