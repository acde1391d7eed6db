#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/addressbook/contact.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    sky::addressbook::CABEntry entry;
    if (!sky::addressbook::CABEntry::Parse(file, &entry)) return 0;
    // What was read writes back to the input, unless a length was written the
    // long way round; either way it reads again to the same.
    std::string again = entry.Serialize();
    sky::addressbook::CABEntry second;
    if (!sky::addressbook::CABEntry::Parse(again, &second) || second.Serialize() != again) __builtin_trap();
    (void)entry.ChatAddress();
    (void)entry.ItemText();
    return 0;
}
