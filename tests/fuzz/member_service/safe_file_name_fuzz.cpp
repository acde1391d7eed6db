#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "member_service/request_input.h"

// A name the service accepts, joined to a folder, names a file directly
// inside that folder and nothing hidden.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view name(reinterpret_cast<const char*>(data), size);
    if (!sky::member::SafeFileName(name)) return 0;
    if (name.empty() || name.size() > 255 || name[0] == '.') __builtin_trap();
    if (name.find('\0') != std::string_view::npos) __builtin_trap();
    std::filesystem::path root("/srv/space/alice");
    std::filesystem::path joined = (root / std::filesystem::path(name)).lexically_normal();
    if (joined.parent_path() != root || joined.filename() != std::filesystem::path(name)) __builtin_trap();
    return 0;
}
