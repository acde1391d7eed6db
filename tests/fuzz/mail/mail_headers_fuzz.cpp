#include <cstdint>

#include "core/mail/mail_store.h"
#include "fuzz_home.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = WriteInput(data, size);
    sky::MailHeaderReader r;
    if (r.Open(path) && r.ReadHeaders()) {
        std::string v;
        r.GetHeader("Message-ID:", &v, true);
        r.GetHeader("X-SkyStatus:", &v);
    }
    sky::MessageSummary s;
    if (sky::ReadMessageSummary(path, &s)) sky::ReceivedColumn(s);
    // The status rewrite must keep every byte after the header block.
    sky::MarkRead(path);
    return 0;
}
