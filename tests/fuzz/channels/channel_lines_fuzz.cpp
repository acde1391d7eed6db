#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/channels/channel_list.h"

// Whatever a channel file holds, what we write from it reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    sky::CChannelList list;
    list.ParseLineFormat(bytes);
    std::string written = list.Serialize();
    sky::CChannelList again;
    again.ParseLineFormat(written);
    if (again.Serialize() != written) __builtin_trap();
    return 0;
}
