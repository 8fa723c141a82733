#include "bench_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

namespace {

// The RESULT line's value for a number, "-" for none.
std::string benchField(double value, const char *format) {
    if (value < 0) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

void benchResultLine(const char *label, const std::string &ours, const std::string &anchor, const char *tool,
                     const std::string &ratio, const std::string &target, const char *met) {
    std::printf("RESULT\tfigure=%s\tours=%s\tanchor=%s\ttool=%s\tratio=%s\ttarget=%s\tmet=%s\n", label, ours.c_str(),
                anchor.c_str(), tool, ratio.c_str(), target.c_str(), met);
}

}  // namespace

void benchReport(const char *label, double ours, const char *anchor, double theirs, double target) {
    double ratio = theirs > 0 ? ours / theirs : 0;
    const bool hasTarget = target > 0;
    const char *met = !hasTarget ? "-" : ratio <= target ? "yes" : "no";
    if (hasTarget)
        std::printf("%s: ours %.3f s, %s %.3f s, ratio %.2f (target %.2f) %s\n", label, ours, anchor, theirs, ratio,
                    target, ratio <= target ? "met" : "NOT MET");
    else
        std::printf("%s: ours %.3f s, %s %.3f s, ratio %.2f (no target)\n", label, ours, anchor, theirs, ratio);
    benchResultLine(label, benchField(ours, "%.3f s"), benchField(theirs, "%.3f s"), anchor,
                    theirs > 0 ? benchField(ratio, "%.2f") : "-", hasTarget ? benchField(target, "%.2f") : "-", met);
    std::fflush(stdout);
}

void benchReportValue(const char *label, double value, const char *unit, double limit) {
    const bool hasTarget = limit > 0;
    std::string shown = benchField(value, "%.1f") + " " + unit;
    std::string target = hasTarget ? "<= " + benchField(limit, "%.1f") + " " + unit : "-";
    if (hasTarget)
        std::printf("%s: %s (target at most %.1f %s) %s\n", label, shown.c_str(), limit, unit,
                    value <= limit ? "met" : "NOT MET");
    else
        std::printf("%s: %s\n", label, shown.c_str());
    benchResultLine(label, shown, "-", "-", "-", target, !hasTarget ? "-" : value <= limit ? "yes" : "no");
    std::fflush(stdout);
}

bool benchBestOfTwo(double best[2], const std::function<double(int side)> &run) {
    return benchBestOfRounds(best, 2, run);
}

bool benchBestOfRounds(double best[2], int rounds, const std::function<double(int side)> &run) {
    best[0] = best[1] = 1e9;
    for (int round = 0; round < rounds; ++round)
        for (int side = 0; side < 2; ++side) {
            double t = run(side);
            if (t < 0) return false;
            if (t < best[side]) best[side] = t;
        }
    return true;
}

std::vector<char> benchWavNoise(int rate, int bits, int channels, uint32_t frames, unsigned &seed) {
    const uint32_t bytes = static_cast<uint32_t>(bits / 8), align = bytes * static_cast<uint32_t>(channels);
    const uint32_t data = frames * align;
    std::vector<char> b(44 + data);
    auto put = [&](size_t at, uint32_t v, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::memcpy(b.data(), "RIFF", 4);
    put(4, 36 + data, 4);
    std::memcpy(b.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, static_cast<uint32_t>(channels), 2);
    put(24, static_cast<uint32_t>(rate), 4);
    put(28, static_cast<uint32_t>(rate) * align, 4);
    put(32, align, 2);
    put(34, static_cast<uint32_t>(bits), 2);
    std::memcpy(b.data() + 36, "data", 4);
    put(40, data, 4);
    const int32_t half = 1 << (bits - 2);
    for (size_t at = 44; at + bytes <= b.size(); at += bytes) {
        seed = seed * 1103515245u + 12345u;
        int32_t v = static_cast<int32_t>((seed >> 8) % (2u * static_cast<uint32_t>(half))) - half;
        put(at, static_cast<uint32_t>(v), bytes);
    }
    return b;
}

int benchOverSources(int argc, char **argv, const char *name, const std::function<bool(const std::string &)> &makeSources,
                     const std::function<double(int side, const std::string &src, const std::string &dst)> &run,
                     const char *label, const char *anchor, double target) {
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, (std::string("kvbbench-") + name).c_str());
    if (root.empty()) {
        std::fprintf(stderr, "bench_%s: cannot make a scratch folder\n", name);
        return 1;
    }
    std::string src = root + "/src";
    std::error_code ec;
    std::filesystem::create_directory(src, ec);
    if (ec || !makeSources(src)) {
        std::fprintf(stderr, "bench_%s: cannot write the source files\n", name);
        benchRemoveTree(root);
        return 1;
    }
    benchRun({"sync"});
    double best[2];
    bool ok = benchBestOfTwo(best, [&](int side) {
        std::string dst = root + (side == 0 ? "/ours" : "/theirs");
        benchRemoveTree(dst);
        benchRun({"sync"});
        return run(side, src, dst);
    });
    benchRemoveTree(root);
    if (!ok) {
        std::fprintf(stderr, "bench_%s: run failed\n", name);
        return 1;
    }
    benchReport(label, best[0], anchor, best[1], target);
    return 0;
}
