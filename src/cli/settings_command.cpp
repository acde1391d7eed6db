#include <iostream>

#include "cli/cli.h"
#include "core/base/settings_store.h"

namespace sky::cli {

int RunSettings(const Args& args) {
    SettingsStore& store = SettingsStore::App();
    if (args.size() == 3 && args[0] == "get") {
        if (!store.Has(args[1], args[2])) {
            std::cerr << "skyharbor-cli: no key " << args[2] << " in section " << args[1] << "\n";
            return 1;
        }
        std::cout << store.GetString(args[1], args[2]) << "\n";
        return 0;
    }
    if (args.size() == 4 && args[0] == "set") {
        if (!store.WriteString(args[1], args[2], args[3])) {
            std::cerr << "skyharbor-cli: " << store.lastError() << "\n";
            return 1;
        }
        return 0;
    }
    return Usage("settings: expected 'get SECTION KEY' or 'set SECTION KEY VALUE'");
}

static Registrar reg{{"settings", "settings get SECTION KEY | settings set SECTION KEY VALUE", &RunSettings}};

}  // namespace sky::cli
