#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/webspace/transfer_record.h"

// Whatever is posted, an accepted record agrees with its own lengths and
// every text stops inside its field.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view body(reinterpret_cast<const char*>(data), size);
    std::string why;
    auto t = sky::webspace::ParseTransferRecord(body, &why);
    if (!t) {
        if (why.empty()) __builtin_trap();
        return 0;
    }
    size_t n = t->data.size();
    if (t->data.data() != body.data() + sky::webspace::kRecordFixedSize) __builtin_trap();
    if (size != n + (t->publicSpace ? 694 : 695)) __builtin_trap();
    if (t->account.size() >= 60 || t->password.size() >= 16 || t->firstName.size() >= 256 ||
        t->secondName.size() >= 256)
        __builtin_trap();
    if (t->account.find('\0') != std::string::npos || t->secondName.find('\0') != std::string::npos)
        __builtin_trap();
    std::string reply = sky::webspace::BuildReply(uint16_t(size), t->firstName);
    uint32_t len = 0;
    std::memcpy(&len, reply.data() + 12, 4);
    if (len != t->firstName.size() || reply.size() != std::max<size_t>(20, 16 + len)) __builtin_trap();
    return 0;
}
