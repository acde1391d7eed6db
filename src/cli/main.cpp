#include <iostream>
#include <string>

#include "cli/cli.h"

namespace sky::cli {

int Usage(const char* message) {
    if (message) std::cerr << "skyharbor-cli: " << message << "\n";
    std::cerr << "usage: skyharbor-cli COMMAND ...\n";
    for (const auto& c : Commands()) std::cerr << "  " << c.usage << "\n";
    return 2;
}

}  // namespace sky::cli

int main(int argc, char** argv) {
    using namespace sky::cli;
    if (argc < 2) return Usage();
    std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        Usage();
        return 0;
    }
    for (const auto& c : Commands()) {
        if (name == c.name) return c.run(Args(argv + 2, argv + argc));
    }
    return Usage(("unknown command '" + name + "'").c_str());
}
