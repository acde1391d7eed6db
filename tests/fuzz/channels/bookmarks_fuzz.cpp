#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/channels/favorites.h"

namespace {
// The parser caps nesting; a deeper tree would mean the cap leaks.
int Depth(const std::vector<sky::Bookmark>& items) {
    int deepest = 0;
    for (const auto& b : items) {
        if (!b.folder && !b.children.empty()) __builtin_trap();
        if (b.folder) {
            int d = 1 + Depth(b.children);
            if (d > deepest) deepest = d;
        }
    }
    return deepest;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view html(reinterpret_cast<const char*>(data), size);
    if (Depth(sky::ParseNetscapeBookmarks(html)) > 64) __builtin_trap();
    return 0;
}
