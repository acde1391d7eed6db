#include <cstdint>
#include <string_view>

#include "core/mail/message_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string html = sky::TextToHtml(std::string_view(reinterpret_cast<const char*>(data), size));
    // Markup comes only from the converter: no raw "<" other than its own tags.
    for (size_t p = html.find('<'); p != std::string::npos; p = html.find('<', p + 1)) {
        std::string_view rest = std::string_view(html).substr(p);
        if (!(rest.starts_with("<BR>") || rest.starts_with("<A HREF=") || rest.starts_with("</A>")))
            __builtin_trap();
    }
    return 0;
}
