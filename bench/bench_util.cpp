#include "bench_util.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

double benchNow() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

namespace {

int spawnWait(const std::vector<std::string> &argv, bool quiet) {
    std::vector<char *> args;
    for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int benchRun(const std::vector<std::string> &argv) { return spawnWait(argv, false); }

int benchRunQuiet(const std::vector<std::string> &argv) { return spawnWait(argv, true); }

std::string benchMakeDir(const char *base, const char *name) {
    std::string root = base && *base ? base : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/var/tmp");
    std::string path = root + "/" + name + ".XXXXXX";
    char *made = mkdtemp(path.data());
    return made ? made : "";
}

void benchRemoveTree(const std::string &path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void benchReport(const char *label, double ours, const char *anchor, double theirs, double target) {
    double ratio = theirs > 0 ? ours / theirs : 0;
    std::printf("%s: ours %.3f s, %s %.3f s, ratio %.2f (target %.2f) %s\n", label, ours, anchor, theirs, ratio,
                target, ratio <= target ? "met" : "NOT MET");
    std::fflush(stdout);
}
