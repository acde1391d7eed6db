#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/addressbook/vcard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto cards = sky::addressbook::ParseVCards(text);
    // Our own export of what was read reads back as the same number of cards.
    std::string out = sky::addressbook::WriteVCards(cards, 4);
    if (sky::addressbook::ParseVCards(out).size() != cards.size()) __builtin_trap();
    return 0;
}
