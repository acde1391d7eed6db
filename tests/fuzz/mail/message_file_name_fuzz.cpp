#include <cstdint>
#include <string>

#include "core/mail/mail_store.h"
#include "fuzz_home.h"

namespace {

void CheckName(const std::string& name, const std::string& id) {
    // Room for a numbered suffix within the 255 bytes a name may have.
    if (name.size() > 240 || name.size() < 6 || name[0] != 'S' || !name.ends_with(".mail")) __builtin_trap();
    for (size_t i = 1; i + 5 < name.size(); ++i) {
        unsigned char c = name[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        if (!ok) __builtin_trap();
    }
    // A name that fits keeps the classic form, one character per byte of the id.
    if (!id.empty() && id.size() <= 200 && name.size() != id.size() + 6) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // The id as the store reads it from a downloaded message's header block.
    std::string path = WriteInput(data, size);
    sky::MailHeaderReader reader;
    std::string id;
    if (reader.Open(path) && reader.ReadHeaders()) reader.GetHeader("\nMessage-ID:", &id);
    CheckName(sky::MessageFileName(id, "/w/M1.new", 5), id);

    std::string name = sky::MessageFileName(input, "/w/M1.new", 5);
    CheckName(name, input);
    if (sky::MessageFileName(input, "/w/M1.new", 5) != name) __builtin_trap();
    // Long ids that differ only at the end still get different names.
    if (input.size() > 200 &&
        sky::MessageFileName(input + "x", "", 0) == sky::MessageFileName(input + "y", "", 0))
        __builtin_trap();
    return 0;
}
