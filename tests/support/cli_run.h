#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/sandbox.h"

namespace sky::test {

struct CliRun {
    int status = -1;
    std::string out, err;
};

// Runs the command-line program `cli` with `args` (a shell word list) in the
// sandbox's home, with no input; its output, errors and exit status.
inline CliRun RunCli(const std::string& cli, const Sandbox& box, const std::string& args) {
    std::string errFile = box.path("cli-stderr");
    std::string command = cli + " " + args + " 2>'" + errFile + "' </dev/null";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFile(errFile);
    return run;
}

}  // namespace sky::test
