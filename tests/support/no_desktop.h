#pragma once

#include "ui/app/default_browser.h"

namespace sky::test {

// The desktop's default-browser setting, left alone by ui tests: SkyHarbor
// already is the default, so nothing is asked.
class NoDesktop : public ui::DefaultBrowser {
public:
    std::optional<bool> IsDefault() override { return true; }
    bool MakeDefault(QString*) override { return true; }
};

}  // namespace sky::test
