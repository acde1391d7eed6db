#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/channels/channel_list.h"

// Any profile file gives a tree of at most three levels with values within the reader's buffer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    bool local = size > 0 && (data[0] & 1);
    sky::CChannelList list;
    bool any = list.ParseProfileFormat(text, local ? "/home/u/local.sky" : "/home/u/old.sky");
    if (any != !list.empty()) __builtin_trap();
    if (local && list.size() > 1) __builtin_trap();
    for (const auto& ch : list.channels()) {
        if (ch->name.size() > 299) __builtin_trap();
        for (const auto& entry : ch->children)
            for (const auto& page : entry->children)
                if (!page->children.empty() || page->url.size() > 299) __builtin_trap();
    }
    list.Serialize();
    return 0;
}
