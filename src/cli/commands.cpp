#include "cli/cli.h"

namespace sky::cli {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

}  // namespace sky::cli
