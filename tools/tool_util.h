// tool_util: what the build-time generators share: failing with a message,
// replacing an output file whole, and the entry point that reports failures.
#pragma once

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

// A failure with the message the tool prints before it exits with status 1.
struct Failure {
    std::string text;
};

[[noreturn]] inline void fail(const std::string &why) { throw Failure{why}; }

// Writes `size` bytes to `path` under a temporary name and renames it into
// place, so a failed run never leaves half an output behind. Fails on error.
inline void writeReplacing(const std::string &path, const void *data, size_t size) {
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary);
        out.write(static_cast<const char *>(data), static_cast<std::streamsize>(size));
        if (!out.flush()) {
            std::remove(tmp.c_str());
            fail(tmp + ": cannot be written");
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        fail(path + ": cannot be replaced");
    }
}

// Runs `run`, turning a failure into its message on stderr and status 1.
inline int toolMain(const char *name, int (*run)(int, char **), int argc, char **argv) {
    try {
        return run(argc, argv);
    } catch (const Failure &f) {
        std::cerr << name << ": " << f.text << "\n";
    } catch (const std::exception &e) {
        std::cerr << name << ": " << e.what() << "\n";
    }
    return 1;
}
