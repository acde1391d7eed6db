#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/homepage/page_assets.h"

// A page's image references and a web-space listing, both from outside.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    using sky::homepage::RefPlace;
    for (const auto& ref : sky::homepage::FindImageRefs(text)) {
        // Whatever the page says, only a plain name in the page's folder is ever sent.
        if (ref.place == RefPlace::Beside) {
            std::string_view f = ref.file;
            if (f.empty() || f[0] == '.' || f.find_first_of("/\\") != std::string_view::npos ||
                f.find("..") != std::string_view::npos || f.find('\0') != std::string_view::npos)
                __builtin_trap();
        } else if (!ref.file.empty()) {
            __builtin_trap();
        }
    }
    for (const auto& [name, bytes] : sky::homepage::ListedFiles(text))
        if (name.empty() || name.find('\n') != std::string::npos) __builtin_trap();
    return 0;
}
