// Backs up a generated card of about 1 GiB of audio (400 x 2.5 MiB WAV files
// and 400 small parameter files) with our archive writer and with `tar -cf`
// + `sync`, then restores it with our verify + extract and with `tar -xf` +
// `sync`, in the same run, and prints both times and the ratios.
//
// Our writer syncs the archive and our reader syncs the restored files, so
// each anchor syncs too. The two sides run alternately twice and the best
// time of each counts.
//
// Usage: bench_archive [FOLDER]   (default $TMPDIR or /var/tmp)
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "transfer/archive.h"

namespace {

constexpr int kWaves = 400;
constexpr size_t kWaveSize = 2560u * 1024u;

bool makeCard(const std::string &base) {
    std::string wave = base + "/KVB-RT/WAVE";
    if (rliDirCreate(base.c_str()) != 0 || rliDirCreate((base + "/KVB-RT").c_str()) != 0 ||
        rliDirCreate(wave.c_str()) != 0)
        return false;
    std::vector<char> buf(kWaveSize);
    unsigned x = 12345;
    rliFileSyncBegin();
    for (int i = 0; i < kWaves; ++i) {
        for (auto &b : buf) b = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
        char name[64];
        std::snprintf(name, sizeof name, "/%04d.wav", i);
        if (rliFileWriteAll((wave + name).c_str(), buf.data(), buf.size()) != 0) return false;
        std::string params = "<wave number=\"" + std::to_string(i) + "\" name=\"KICK " + std::to_string(i) +
                             "\" level=\"100\" pan=\"0\" tune=\"0\" />\n";
        params.append(200, ' ');
        std::snprintf(name, sizeof name, "/%04d.kvb", i);
        if (rliFileWriteAll((wave + name).c_str(), params.data(), params.size()) != 0) return false;
    }
    return rliFileSyncEnd(base.c_str()) == 0;
}

double timeOursBackup(const std::string &archive, const std::string &base) {
    double t0 = benchNow();
    char error[kTarErrorMax];
    if (tarBackupSave(archive.c_str(), base.c_str(), 2 * kWaves, nullptr, error, sizeof error) != 0) {
        std::fprintf(stderr, "bench_archive: backup failed: %s\n", error);
        return -1;
    }
    return benchNow() - t0;
}

double timeTarBackup(const std::string &archive, const std::string &root) {
    double t0 = benchNow();
    if (benchRun({"tar", "-cf", archive, "-C", root, "Korvan"}) != 0 || benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

double timeOursRestore(const std::string &archive, const std::string &base) {
    double t0 = benchNow();
    CFileTarExtract x;
    if (x.Extract(base.c_str(), archive.c_str()) != 1) {
        std::fprintf(stderr, "bench_archive: restore failed: %s\n", x.GetError());
        return -1;
    }
    return benchNow() - t0;
}

double timeTarRestore(const std::string &archive, const std::string &base) {
    double t0 = benchNow();
    if (rliDirCreate(base.c_str()) != 0 || benchRun({"tar", "-xf", archive, "-C", base}) != 0 ||
        benchRun({"sync"}) != 0)
        return -1;
    return benchNow() - t0;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-archive");
    if (root.empty()) {
        std::fprintf(stderr, "bench_archive: cannot make a scratch folder\n");
        return 1;
    }
    std::string base = root + "/Korvan";
    if (!makeCard(base)) {
        std::fprintf(stderr, "bench_archive: cannot write the card\n");
        benchRemoveTree(root);
        return 1;
    }
    std::string ours = root + "/KVB-RT-BKUP-ALL.kvb", theirs = root + "/card.tar";
    double backup[2], restore[2];
    bool ok = benchBestOfTwo(backup, [&](int side) {
        benchRemoveTree(side == 0 ? ours : theirs);
        benchRun({"sync"});
        return side == 0 ? timeOursBackup(ours, base) : timeTarBackup(theirs, root);
    });
    // Both restore our archive, each into a fresh folder.
    ok = ok && benchBestOfTwo(restore, [&](int side) {
        std::string out = root + (side == 0 ? "/restore-ours" : "/restore-tar");
        benchRemoveTree(out);
        benchRun({"sync"});
        return side == 0 ? timeOursRestore(ours, out) : timeTarRestore(ours, out);
    });
    if (!ok) {
        std::fprintf(stderr, "bench_archive: run failed\n");
        benchRemoveTree(root);
        return 1;
    }
    benchReport("backup 400 x 2.5 MiB + 400 .kvb", backup[0], "tar -cf+sync", backup[1], 1.10);
    benchReport("restore (verify + extract)", restore[0], "tar -xf+sync", restore[1], 1.10);
    benchRemoveTree(root);
    return 0;
}
