#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/homepage/page_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    auto list = sky::homepage::PageBlockList::Parse(file);
    for (const auto& block : list.blocks()) (void)block->DisplayName();
    // Once saved, a page opens and saves again to the same bytes.
    std::string once = list.Write();
    auto again = sky::homepage::PageBlockList::Parse(once);
    if (again.loopy() || again.Write() != once) __builtin_trap();
    return 0;
}
