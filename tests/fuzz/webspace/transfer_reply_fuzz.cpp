#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/base/byte_fields.h"
#include "core/webspace/web_space_client.h"

// Whatever a server answers, the reply head is read within the bytes that
// came and its text never claims more than arrived.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view reply(reinterpret_cast<const char*>(data), size);
    auto head = sky::webspace::ReadTransferReply(reply);
    if (size < 8) {
        if (head) __builtin_trap();
        return 0;
    }
    if (!head || head->status != sky::GetU16(reply, 6)) __builtin_trap();
    if (size < 16) {
        if (!head->text.empty()) __builtin_trap();
        return 0;
    }
    if (head->text.size() > head->textLength || head->text.size() > size - 16) __builtin_trap();
    if (reply.substr(16, head->text.size()) != head->text) __builtin_trap();
    return 0;
}
