// Scans a generated full card (10,000 waves in 100 data and parameter folders,
// small audio files, 20 categories, 100 kit files) into a library and reads
// every audio file's header, as `kvbrt info` does, against the standard tools
// doing the same reading in the same run: `find` of the parameter files, `cat`
// of all of them and of the kit and category files, `stat` of every audio
// file and `head -c 4096` of every audio file. The page cache is warmed first;
// each side runs three times, alternating, and the best time counts. Last, the
// whole `kvbrt info --json` process runs once for its peak resident memory.
//
// Usage: bench_scan [FOLDER]   (default $TMPDIR or /var/tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "bench_card.h"
#include "bench_util.h"
#include "foundation/mem.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

double ours(const std::string &root, long *checksum) {
    double t0 = benchNow();
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    if (!list) return -1;
    long sum = waveListWaveCount(list);
    for (auto *n = static_cast<sStorageWavePrm *>(list->storage->wavePrms.first); n; n = n->next) {
        _sAudioContext *a = audioDecode(n->audioPath);
        if (!a) {
            waveListDispose(list);
            return -1;
        }
        sum += audioGetSampleRate(a) / 44100;
        audioDispose(a);
    }
    waveListDispose(list);
    *checksum = sum;
    return benchNow() - t0;
}

double anchor(const std::string &root) {
    std::string dev = root + "/Korvan/KVB-RT/";
    double t0 = benchNow();
    bool ok = benchRunQuiet({"find", dev + "WAVE/PRM", dev + "KIT", dev + "SYSTEM", "-type", "f"}) == 0 &&
              benchRunQuiet({"find", dev + "WAVE/PRM", dev + "KIT", dev + "SYSTEM", "-type", "f", "-exec", "cat", "{}",
                             "+"}) == 0 &&
              benchRunQuiet({"find", dev + "WAVE/DATA", "-type", "f", "-exec", "stat", "{}", "+"}) == 0 &&
              benchRunQuiet({"find", dev + "WAVE/DATA", "-type", "f", "-exec", "head", "-q", "-c", "4096", "{}", "+"}) ==
                  0;
    return ok ? benchNow() - t0 : -1;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-scan");
    if (root.empty() || !benchMakeFullCard(root)) {
        std::fprintf(stderr, "bench_scan: cannot write the card\n");
        if (!root.empty()) benchRemoveTree(root);
        return 1;
    }
    // The memory of the whole command, measured first so that no other child
    // of this process counts in the children's peak.
    std::string kvbrt = benchKvbrtPath();
    double infoTime = benchNow();
    int infoStatus = access(kvbrt.c_str(), X_OK) == 0 ? benchRunQuiet({kvbrt, "info", root, "--json"}) : -1;
    infoTime = benchNow() - infoTime;
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);

    long checksum = 0;
    ours(root, &checksum);
    anchor(root);
    double best = 1e9, bestAnchor = 1e9;
    for (int round = 0; round < 3; ++round) {
        double t = ours(root, &checksum), a = anchor(root);
        if (t < 0 || a < 0) {
            std::fprintf(stderr, "bench_scan: a run failed\n");
            benchRemoveTree(root);
            return 1;
        }
        best = t < best ? t : best;
        bestAnchor = a < bestAnchor ? a : bestAnchor;
    }
    std::printf("scan of a full card (10,000 waves, 20 categories, 100 kits), checksum %ld\n", checksum);
    benchReport("scan + audio headers", best, "find+cat+stat+head", bestAnchor, 1.5);
    if (infoStatus == 0) {
        std::printf("kvbrt info --json: %.3f s\n", infoTime);
        benchReportValue("kvbrt info --json peak resident memory", static_cast<double>(usage.ru_maxrss) / 1024.0, "MB",
                         60);
    } else
        std::printf("kvbrt info --json: not measured (%s did not run)\n", kvbrt.c_str());
    benchRemoveTree(root);
    memTerm();
    return 0;
}
