// Runs `kvbrt` in-process for the command tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

struct CliResult {
    int status;       // exit status
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs `kvbrt ARGS...` and returns what it wrote and its status.
inline CliResult cliRun(std::vector<std::string> args) {
    args.insert(args.begin(), "kvbrt");
    std::vector<const char *> argv;
    for (const auto &a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    int status = cliMain(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}
