#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/mail/mailto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view url(reinterpret_cast<const char*>(data), size);
    sky::MailtoFields f = sky::ParseMailto(url);
    // Decoding never grows the text: every field comes from the input.
    if (f.to.size() + f.cc.size() > 2 * size + 2 || f.subject.size() > size || f.body.size() > size)
        __builtin_trap();
    if (f.subject.find('\n') != std::string::npos || f.body.find('\r') != std::string::npos) __builtin_trap();
    return 0;
}
