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

// Each subcommand file adds its entries here (see commands.cpp).
const std::vector<Command>& Commands();

int Usage(const char* message = nullptr);

}  // namespace sky::cli
