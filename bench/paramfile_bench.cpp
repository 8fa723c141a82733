// Reads and rewrites the wave parameter files of a full card (10,000 files in
// 100 parameter folders) and compares, in the same run:
//   reading:   our reader (file read, parse, record) against `cat` of the same files;
//   rewriting: our in-place update of every file (read, update, temporary file,
//              rename; one file-system sync for the batch, as a save job does)
//              against `cp -r` of the same tree plus `sync`.
// The page cache is warmed first and each side runs three times, alternating;
// the best time of each counts.
//
// Usage: bench_paramfile [FOLDER]   (default $TMPDIR or /var/tmp)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "wavelib/wavefile.h"

namespace {

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;

std::string prmPath(const std::string &prm, int folder, int file) {
    char name[32];
    std::snprintf(name, sizeof name, "/%02d/%02d.kvb", folder, file);
    return prm + name;
}

// Wave `number` (0 to 9999) as a library would hold it.
sWave waveOf(int number) {
    number = number < 0 ? 0 : number % 10000;
    sWave w{};
    std::snprintf(w.name, sizeof w.name, "SAMPLE %04d", number % 10000);
    w.dataFolder[0] = static_cast<char>('0' + number / 1000);
    w.dataFolder[1] = static_cast<char>('0' + number / 100 % 10);
    std::snprintf(w.fileName, sizeof w.fileName, "SAMPLE_%04d.wav", number % 10000);
    w.waveNumber = number;
    return w;
}

bool makeCard(const std::string &prm) {
    rliDirCreate(prm.c_str());
    rliFileSyncBegin();
    for (int f = 0; f < kFolders; ++f) {
        char dir[16];
        std::snprintf(dir, sizeof dir, "/%02d", f);
        if (rliDirCreate((prm + dir).c_str()) != 0) return false;
        for (int m = 0; m < kPerFolder; ++m) {
            sWave w = waveOf(f * 100 + m);
            if (waveFileWavePrmCreateToFile(&w, nullptr, prmPath(prm, f, m).c_str()) != 0) return false;
        }
    }
    return rliFileSyncEnd(prm.c_str()) == 0;
}

double readOurs(const std::string &prm, long *checksum) {
    double t0 = benchNow();
    long sum = 0;
    for (int f = 0; f < kFolders; ++f)
        for (int m = 0; m < kPerFolder; ++m) {
            _sWaveFileWavePrm *p = waveFileWavePrmCreateFromFile(prmPath(prm, f, m).c_str(), f, m);
            if (!p) return -1;
            sum += p->waveNumber + p->name[7];
            waveFileWavePrmDispose(p);
        }
    *checksum = sum;
    return benchNow() - t0;
}

double readCat(const std::vector<std::string> &catArgs) {
    double t0 = benchNow();
    if (benchRunQuiet(catArgs) != 0) return -1;
    return benchNow() - t0;
}

double rewriteOurs(const std::string &prm) {
    double t0 = benchNow();
    rliFileSyncBegin();
    for (int f = 0; f < kFolders; ++f)
        for (int m = 0; m < kPerFolder; ++m) {
            std::string path = prmPath(prm, f, m);
            _sWaveFileWavePrm *p = waveFileWavePrmCreateFromFile(path.c_str(), f, m);
            if (!p) return -1;
            sWave w = waveOf(p->waveNumber);
            w.name[0] = static_cast<char>('a' + (w.name[0] == 'a'));  // a real change each round
            waveFileWavePrmDispose(p);
            if (waveFileWavePrmCreateToFile(&w, nullptr, path.c_str()) != 0) return -1;
        }
    if (rliFileSyncEnd(prm.c_str()) != 0) return -1;
    return benchNow() - t0;
}

double rewriteCp(const std::string &prm, const std::string &copy) {
    benchRemoveTree(copy);
    double t0 = benchNow();
    if (benchRun({"cp", "-r", prm, copy}) != 0 || benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-prm");
    if (root.empty()) {
        std::fprintf(stderr, "bench_paramfile: cannot make a scratch folder\n");
        return 1;
    }
    std::string prm = root + "/PRM";
    if (!makeCard(prm)) {
        std::fprintf(stderr, "bench_paramfile: cannot write the parameter files\n");
        benchRemoveTree(root);
        return 1;
    }
    std::vector<std::string> catArgs = {"cat"};
    for (int f = 0; f < kFolders; ++f)
        for (int m = 0; m < kPerFolder; ++m) catArgs.push_back(prmPath(prm, f, m));
    benchRunQuiet(catArgs);  // warm the page cache

    double best[4] = {1e9, 1e9, 1e9, 1e9};
    long checksum = 0;
    for (int round = 0; round < 3; ++round) {
        double t[4] = {readOurs(prm, &checksum), readCat(catArgs), rewriteOurs(prm), rewriteCp(prm, root + "/copy")};
        for (int i = 0; i < 4; ++i) {
            if (t[i] < 0) {
                std::fprintf(stderr, "bench_paramfile: run %d failed\n", i);
                benchRemoveTree(root);
                return 1;
            }
            if (t[i] < best[i]) best[i] = t[i];
        }
    }
    benchReport("read 10,000 wave parameter files", best[0], "cat", best[1], 1.5);
    // No target: every replaced file goes through its own temporary file and
    // rename, which `cp` into a fresh tree does not pay.
    benchReport("rewrite 10,000 wave parameter files", best[2], "cp -r+sync", best[3], 0);
    std::printf("(checksum %ld)\n", checksum);
    benchRemoveTree(root);
    memTerm();
    return 0;
}
