// Backs up and restores a generated card of about 1 GiB (400 x 2.5 MiB WAV
// files, their 400 parameter files, a category list and 100 kit files) with
// the whole sequences the program runs, and does the same work with `tar`,
// in the same run; prints both times and the ratios.
//
// Ours, backup: scan the card, write the category list and the wave lists,
// archive (temporary file, synced, renamed). Anchor: `tar -cf` + `sync`.
// Ours, restore: verify, unpack into the staging folder (synced), journal,
// move the old files aside, rename the restored ones into place, remove the
// staging folder. Anchor: `tar -xf` over the same old card + `sync`. Both
// restores replace a fresh copy of the card (copied and synced untimed).
// The two sides run alternately twice and the best time of each counts.
//
// Usage: bench_backup [FOLDER]   (default $TMPDIR or /var/tmp)
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "platform/terminal/terminal.h"
#include "transfer/backup.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

constexpr int kWaves = 400;
constexpr size_t kWaveSize = 2560u * 1024u;

// Writes the card below `root` through the library's own writers.
bool makeCard(const std::string &root) {
    if (wstorageCreateDir(root.c_str()) != 0) return false;
    sWaveList *list = waveListCreateDefault();
    if (!list) return false;
    std::string dev = root + "/Korvan/KVB-RT/";
    std::vector<char> buf(kWaveSize);
    unsigned x = 12345;
    bool ok = true;
    rliFileSyncBegin();
    for (int i = 0; i < kWaves && ok; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/in/KICK%04d.wav", i);
        sWave *w = waveWaveCreate(list, name, 0);
        ok = w != nullptr;
        if (!ok) break;
        waveWaveFilename(w, name + 4);
        waveWaveTagChange(w, list->defaultTag);
        for (auto &b : buf) b = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
        std::string data = dev + "WAVE/DATA/" + w->dataFolder, prm = dev + "WAVE/PRM/" + w->dataFolder;
        char file[16];
        std::snprintf(file, sizeof file, "/%02d.kvb", w->waveNumber % 100);
        ok = rliDirCreateChain(dev.c_str(), ("WAVE/DATA/" + std::string(w->dataFolder)).c_str(), 0) == 0 &&
             rliDirCreateChain(dev.c_str(), ("WAVE/PRM/" + std::string(w->dataFolder)).c_str(), 0) == 0 &&
             rliFileWriteAll((data + "/" + w->fileName).c_str(), buf.data(), buf.size()) == 0 &&
             waveFileWavePrmCreateToFile(w, &list->tags, (prm + file).c_str()) == 0;
    }
    for (int k = 0; k < kKitCount && ok; ++k) {
        char file[32];
        std::snprintf(file, sizeof file, "KIT/kit%03d.kvb", k);
        ok = waveFileKitPrmCreateToFile(waveListKitPtr(list, k), (dev + file).c_str()) == 0;
    }
    ok = ok && waveFileTagListCreateToFile(&list->tags, (dev + "SYSTEM/tag_list.kvb").c_str()) == 0;
    ok = rliFileSyncEnd(root.c_str()) == 0 && ok;
    waveListDispose(list);
    return ok;
}

double timeOursBackup(const std::string &vol, const std::string &out) {
    double t0 = benchNow();
    sWaveList *list = waveListCreateFromStorageWindowOpen(vol.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    sBackupResult r;
    int status = list ? waveBackupSave(list, out.c_str(), 1, &r) : BACKUP_FAILED;
    waveListDispose(list);
    if (status != BACKUP_DONE) {
        std::fprintf(stderr, "bench_backup: backup failed: %s\n", list ? r.error : "no library");
        return -1;
    }
    return benchNow() - t0;
}

double timeTarBackup(const std::string &archive, const std::string &vol) {
    double t0 = benchNow();
    if (benchRun({"tar", "-cf", archive, "-C", vol, "Korvan"}) != 0 || benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

double timeOursRestore(const std::string &archive, const std::string &vol) {
    double t0 = benchNow();
    sBackupResult r;
    if (waveBackupRestore(vol.c_str(), archive.c_str(), RESTORE_CONFIRMED | RESTORE_IN_PLACE_REFUSED, &r) !=
        BACKUP_DONE) {
        std::fprintf(stderr, "bench_backup: restore failed: %s\n", r.error);
        return -1;
    }
    return benchNow() - t0;
}

double timeTarRestore(const std::string &archive, const std::string &vol) {
    double t0 = benchNow();
    if (benchRun({"tar", "-xf", archive, "-C", vol + "/Korvan"}) != 0 || benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    termInstall();
    termSetProgressLine(0);
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-backup");
    if (root.empty()) {
        std::fprintf(stderr, "bench_backup: cannot make a scratch folder\n");
        return 1;
    }
    std::string card = root + "/card", out = root + "/out", target = root + "/target";
    if (rliDirCreate(card.c_str()) != 0 || rliDirCreate(out.c_str()) != 0 || !makeCard(card)) {
        std::fprintf(stderr, "bench_backup: cannot write the card\n");
        benchRemoveTree(root);
        return 1;
    }
    std::string ours = out + "/KVB-RT-BKUP-ALL.kvb", theirs = out + "/card.tar";
    double backup[2], restore[2];
    bool ok = benchBestOfTwo(backup, [&](int side) {
        benchRemoveTree(side == 0 ? ours : theirs);
        benchRun({"sync"});
        return side == 0 ? timeOursBackup(card, out) : timeTarBackup(theirs, card);
    });
    // Both put our archive over a fresh copy of the card.
    ok = ok && benchBestOfTwo(restore, [&](int side) {
        benchRemoveTree(target);
        if (benchRun({"cp", "-a", card, target}) != 0 || benchRun({"sync"}) != 0) return -1.0;
        return side == 0 ? timeOursRestore(ours, target) : timeTarRestore(ours, target);
    });
    if (!ok) {
        std::fprintf(stderr, "bench_backup: run failed\n");
        benchRemoveTree(root);
        return 1;
    }
    benchReport("backup sequence (scan, lists, archive)", backup[0], "tar -cf+sync", backup[1], 1.10);
    benchReport("restore sequence (verify, stage, replace)", restore[0], "tar -xf+sync", restore[1], 1.10);
    benchRemoveTree(root);
    return 0;
}
