// `kvbrt info --json` on a full card (10,000 waves in 100 folders, 20
// categories, 100 kit files) whose audio files are 200 KiB each, against the
// standard tools reading what it reads, in the same run: `find` of the
// parameter files, `cat` of them and of the kit and category files, and `head
// -c 65536` of every audio file (the header reader takes up to 64 KiB of
// each). The whole document is written to /dev/null on our side, as the
// tools' output is on theirs. The page cache is warmed first; each side runs
// three times, alternating, and the best time counts.
//
// Usage: bench_info [FOLDER]   (default $TMPDIR or /var/tmp)
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_card.h"
#include "bench_util.h"
#include "foundation/mem.h"

namespace {

constexpr uint64_t kAudioBytes = 200 * 1024;

double timed(const std::vector<std::string> &argv) {
    double t0 = benchNow();
    return benchRunQuiet(argv) == 0 ? benchNow() - t0 : -1;
}

double anchor(const std::string &root) {
    std::string dev = root + "/Korvan/KVB-RT/";
    double t0 = benchNow();
    bool ok = benchRunQuiet({"find", dev + "WAVE/PRM", dev + "KIT", dev + "SYSTEM", "-type", "f", "-exec", "cat", "{}",
                             "+"}) == 0 &&
              benchRunQuiet({"find", dev + "WAVE/DATA", "-type", "f", "-exec", "head", "-q", "-c", "65536", "{}", "+"}) ==
                  0;
    return ok ? benchNow() - t0 : -1;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-info");
    std::string kvbrt = benchKvbrtPath();
    if (access(kvbrt.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_info: %s is not built\n", kvbrt.c_str());
        return 1;
    }
    if (root.empty() || !benchMakeFullCard(root, kAudioBytes)) {
        std::fprintf(stderr, "bench_info: cannot write the card\n");
        if (!root.empty()) benchRemoveTree(root);
        return 1;
    }
    const std::vector<std::string> info = {kvbrt, "info", root, "--json"};
    auto run = [&](int side) { return side == 0 ? timed(info) : anchor(root); };
    // One round warms the page cache; the best of the next three counts.
    double best[2];
    if (!benchBestOfRounds(best, 1, run) || !benchBestOfRounds(best, 3, run)) {
        std::fprintf(stderr, "bench_info: a run failed\n");
        benchRemoveTree(root);
        return 1;
    }
    std::printf("kvbrt info --json on a full card (10,000 waves of 200 KiB, 20 categories, 100 kits)\n");
    benchReport("kvbrt info --json, 10,000 waves", best[0], "find+cat+head -c 65536", best[1], 1.5);
    benchRemoveTree(root);
    memTerm();
    return 0;
}
