#pragma once

#include <string>
#include <vector>

namespace sky::cli {

using Args = std::vector<std::string>;

// A subcommand: `run` gets the words after its name and returns the exit status.
struct Command {
    const char* name;
    const char* usage;  // one line, shown by "skyharbor-cli help"
    int (*run)(const Args& args);
};

std::vector<Command>& Commands();

// Each subcommand file registers itself with one of these at namespace scope:
//   static sky::cli::Registrar reg{{"serve", "serve [--port N]", &RunServe}};
struct Registrar {
    explicit Registrar(const Command& c) { Commands().push_back(c); }
};

int Usage(const char* message = nullptr);

}  // namespace sky::cli
