#include "cli/cli.h"

namespace sky::cli {

int RunSettings(const Args& args);

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"settings", "settings get SECTION KEY | settings set SECTION KEY VALUE", &RunSettings},
    };
    return commands;
}

}  // namespace sky::cli
