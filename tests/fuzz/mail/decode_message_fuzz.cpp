#include <cstdint>

#include "core/mail/mail_store.h"
#include "core/mail/message_render.h"
#include "fuzz_home.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = WriteInput(data, size);
    // In this process: a helper started per input would be too slow to fuzz.
    sky::DecodedMessage m = sky::DecodeMessageInProcess(path, sky::MailWorkFolder());
    for (const sky::MessagePart& p : m.parts)
        if (p.name.find('/') != std::string::npos || p.name == "..") __builtin_trap();
    return 0;
}
