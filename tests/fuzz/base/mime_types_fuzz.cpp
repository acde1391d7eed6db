#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/base/mime_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto table = sky::MimeTypes::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    table.TypeFor("html");
    table.TypeFor(".");
    return 0;
}
