#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

namespace sky::cli {

// Each subcommand file adds its commands to the parser with one of these at
// namespace scope:
//   static sky::cli::Registrar reg{&AddServe};
using AddCommand = void (*)(CLI::App& root);

std::vector<AddCommand>& Commands();

struct Registrar {
    explicit Registrar(AddCommand add) { Commands().push_back(add); }
};

// What runs once the words are parsed; its result is the exit status.
void OnRun(CLI::App* command, std::function<int()> run);

// A command that parsed but cannot go on: the message on standard error, status 2.
int Usage(const std::string& message);

}  // namespace sky::cli
