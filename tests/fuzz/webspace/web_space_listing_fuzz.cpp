#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/webspace/transfer_record.h"
#include "core/webspace/web_space_listing.h"

// Whatever a listing holds, every row has a name without a comma or a line
// end, and a row written back as the service writes it reads the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto files = sky::webspace::ParseWebSpaceListing(text);
    if (files.size() > size / 8 + 1) __builtin_trap();
    for (const auto& f : files) {
        if (f.name.empty() || f.name.find(',') != std::string::npos ||
            f.name.find("\r\n") != std::string::npos)
            __builtin_trap();
        if (f.name.back() == '\r') continue;  // would join the line end when written back
        std::string again =
            "head\r\n" + sky::webspace::ListingLine(f.mtime < 0 ? 0 : f.mtime, f.size, f.folder, f.name);
        auto back = sky::webspace::ParseWebSpaceListing(again);
        if (back.size() != 1 || back[0].name != f.name || back[0].size != f.size ||
            back[0].folder != f.folder)
            __builtin_trap();
    }
    sky::webspace::OffersPageEditor(text);
    sky::webspace::ValidWebSpaceName(text);
    return 0;
}
