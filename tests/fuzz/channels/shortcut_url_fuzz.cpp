#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/channels/favorites.h"

// A ".url" file from the Favorites folder: whatever another program left there.
namespace {

std::string Scratch(const char* what) {
    return "shortcut-" + std::to_string(getpid()) + "-" + what;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = Scratch("in.url");
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) __builtin_trap();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::string url = sky::ReadShortcutUrl(path);
    std::remove(path.c_str());
    if (url.size() > 511) __builtin_trap();
    // The address is one line's value: it cannot hold a line break.
    if (url.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    if (url == sky::kNoShortcutUrl) return 0;
    // Saving it as a favourite and reading that back gives the same address.
    std::string dir = ".";
    std::string name = Scratch("out");
    std::string saved = sky::WriteShortcut(dir, name, url);
    if (saved.empty()) __builtin_trap();
    std::string back = sky::ReadShortcutUrl(saved);
    std::remove(saved.c_str());
    if (back != url) __builtin_trap();
    return 0;
}
