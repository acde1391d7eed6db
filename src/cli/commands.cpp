#include <iostream>

#include "cli/cli.h"

namespace sky::cli {

std::vector<AddCommand>& Commands() {
    static std::vector<AddCommand> commands;
    return commands;
}

int Usage(const std::string& message) {
    std::cerr << "skyharbor-cli: " << message << "\nRun with --help for more information.\n";
    return 2;
}

}  // namespace sky::cli
