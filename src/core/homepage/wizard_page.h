#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/homepage/content_items.h"

// The home page wizard's own page file: a heading block, a body block and the
// content items, each between "<!--Begin" and "<!--End" comments.
namespace sky::homepage {

struct WizardPage {
    std::string title;
    std::string bgColor, background, textColor, linkColor, vlinkColor;
    std::vector<ContentItem> items;
};

// The file's bytes, line ends as CR LF. Colours still empty are first set to
// their defaults in `page` ("FFFFFF", "000000", "0000FF", "FF0000").
std::string WriteWizardPage(WizardPage& page);
WizardPage ReadWizardPage(std::string_view file);

// Written atomically; on failure *message says "Could not open file: %s".
bool SaveWizardPage(const std::string& path, WizardPage& page, std::string* message = nullptr);
// False when the file cannot be read.
bool LoadWizardPage(const std::string& path, WizardPage* page);

}  // namespace sky::homepage
