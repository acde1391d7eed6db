#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "core/webspace/transfer_record.h"

// Transfer records written byte by byte as the program's transfer threads
// lay them out, independent of the parser under test.
namespace sky::webspace::test {

inline void U32(std::string& r, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) r[at + i] = char(v >> (8 * i));
}
inline void U16(std::string& r, size_t at, uint16_t v) {
    r[at] = char(v);
    r[at + 1] = char(v >> 8);
}
inline void Text(std::string& r, size_t at, const std::string& s) {
    std::memcpy(r.data() + at, s.data(), s.size());
}

// A web-space record as the program's command and upload threads build it.
inline std::string WebRecord(uint16_t command, const std::string& account, const std::string& password,
                             const std::string& first, const std::string& second, uint32_t offset = 0,
                             const std::string& data = {}) {
    size_t n = data.size();
    std::string r(n + 695, '\0');
    U32(r, 12, uint32_t(n + 695));
    U16(r, 32, command);
    Text(r, 52, account);
    Text(r, 112, password);
    U32(r, 160, uint32_t(n + 532));
    U32(r, 164, offset);
    U32(r, 168, uint32_t(n));
    Text(r, 172, first);
    Text(r, 428, second);
    U32(r, 684, command == kPutPiece ? 1 : 0);
    Text(r, 688, data);
    return r;
}

inline std::string PublicPiece(const std::string& account, const std::string& password,
                               const std::string& name, uint32_t offset, const std::string& data) {
    size_t n = data.size();
    std::string r(n + 694, '\0');
    Text(r, 0, "0");
    U32(r, 12, uint32_t(n + 694));
    U16(r, 32, kPutPiece);
    U16(r, 34, 1);
    U32(r, 44, 900000000);
    Text(r, 52, account);
    Text(r, 112, password);
    Text(r, 128, "0");
    U32(r, 160, uint32_t(n + 531));
    U32(r, 164, offset);
    U32(r, 168, uint32_t(n));
    Text(r, 172, name);
    U32(r, 684, 1);
    Text(r, 688, data);
    return r;
}

}  // namespace sky::webspace::test
