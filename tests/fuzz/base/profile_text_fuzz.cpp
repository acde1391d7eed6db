#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/settings_store.h"

// Any settings file parses, answers lookups, takes a write, and the written
// value reads back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto doc = sky::ProfileText::Parse(text);
    for (const auto& sec : doc.SectionNames())
        for (const auto& key : doc.KeyNames(sec)) doc.Find(sec, key, nullptr);
    std::string before = doc.Serialize();
    doc.Set("Misc", "Account", "value");
    auto again = sky::ProfileText::Parse(doc.Serialize());
    std::string v;
    if (!again.Find("misc", "ACCOUNT", &v) || v != "value") __builtin_trap();
    (void)before;
    return 0;
}
