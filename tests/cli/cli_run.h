// Runs `kvbrt` in-process for the command tests.
#pragma once

#include <gtest/gtest.h>

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

// Runs `kvbrt ARGS...` where it must succeed (exit 0) and returns its
// standard output; a failure shows the command and its error output.
inline std::string cliOut(const std::vector<std::string> &args) {
    CliResult r = cliRun(args);
    EXPECT_EQ(r.status, 0) << args.front() << " " << (args.size() > 1 ? args[1] : "") << "\n" << r.out << r.err;
    return r.out;
}

// Runs `kvbrt ARGS...` where it must fail: succeeds when it exited with
// `status`, wrote nothing on standard output and said `says` on standard
// error; otherwise the failure shows the command and what it wrote.
inline testing::AssertionResult cliRefused(const std::vector<std::string> &args, int status, const std::string &says) {
    CliResult r = cliRun(args);
    if (r.status == status && r.out.empty() && r.err.find(says) != std::string::npos)
        return testing::AssertionSuccess();
    std::string shown = "kvbrt";
    for (const auto &a : args) shown += " " + a;
    return testing::AssertionFailure() << shown << ": exit " << r.status << "\n" << r.out << r.err;
}
