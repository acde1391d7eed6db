#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/homepage/content_items.h"
#include "core/homepage/wizard_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    auto page = sky::homepage::ReadWizardPage(file);
    for (const auto& item : page.items) {
        (void)sky::homepage::ReadTitle(item.html);
        (void)sky::homepage::ReadText(item.html);
        (void)sky::homepage::ReadGraphic(item.html);
        (void)sky::homepage::ReadLink(item.html);
    }
    // What was read is written and read back as the same items and title.
    auto again = sky::homepage::ReadWizardPage(sky::homepage::WriteWizardPage(page));
    if (again.title != page.title || again.items.size() != page.items.size()) __builtin_trap();
    for (size_t i = 0; i < page.items.size(); ++i)
        if (again.items[i].type != page.items[i].type || again.items[i].html != page.items[i].html)
            __builtin_trap();
    return 0;
}
