#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/chat/remote_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view body(reinterpret_cast<const char*>(data), size);
    auto record = sky::chat::RemoteCommand::Decode(body);
    // A record that decodes encodes back to the same bytes apart from what follows NULs.
    if (record && record->Encode().size() != size) __builtin_trap();
    return 0;
}
