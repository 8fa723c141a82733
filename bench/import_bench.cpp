// Imports 1 GiB of WAV files (400 x 2.5 MiB) into a fresh card with our
// import job, and copies the same files with `cp` + `sync` into a folder, in
// the same run; prints both times and the ratio.
//
// Import promises that every wave it reports is on the card, so the anchor
// syncs too. Each round starts from an empty card (or folder) on the same file
// system; the sources are read once before either side runs, and the two
// sides run alternately twice so neither gets a consistently colder cache.
//
// The job runs as under `kvbrt import`: on the terminal host, whose wait loop
// pauses between passes.
//
// Usage: bench_import [FOLDER]   (default $TMPDIR or /var/tmp)
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "platform/terminal/terminal.h"
#include "transfer/import.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

constexpr int kFiles = 400;
constexpr uint32_t kFrames = (2560u * 1024u - 44u) / 4u;  // 2.5 MiB files

std::string sourceName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "/Take %03d.wav", i);
    return name;
}

bool makeSources(const std::string &dir) {
    unsigned seed = 12345;
    for (int i = 0; i < kFiles; ++i) {
        std::vector<char> b = benchWavNoise(44100, 16, 2, kFrames, seed);
        if (rliFileWriteAll((dir + sourceName(i)).c_str(), b.data(), b.size()) != 0) return false;
    }
    return true;
}

// A card holding only its folders and a category list with DEFAULT.
bool makeCard(const std::string &card) {
    rliDirCreate(card.c_str());
    if (wstorageCreateDir(card.c_str()) != 0) return false;
    sWaveList *list = waveListCreateDefault();
    std::string tags = card + "/Korvan/KVB-RT/SYSTEM/tag_list.kvb";
    bool ok = list && waveFileTagListCreateToFile(&list->tags, tags.c_str()) == 0;
    waveListDispose(list);
    return ok;
}

double ours(const std::string &src, const std::string &card) {
    if (!makeCard(card)) return -1;
    sWaveList *list = waveListCreateFromStorageWindowOpen(card.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    if (!list) return -1;
    double t0 = benchNow();
    for (int i = 0; i < kFiles; ++i) waveImportSetRequest(0, (src + sourceName(i)).c_str());
    int failed = waveImportCalc(list, 0);
    double t = benchNow() - t0;
    int waves = rliListCount(&list->waves);
    waveListDispose(list);
    waveStorageWaveFileClear();
    if (failed != 0 || waves != kFiles) {
        std::fprintf(stderr, "bench_import: %d files not imported\n", failed < 0 ? kFiles : failed);
        return -1;
    }
    return t;
}

double theirs(const std::string &src, const std::string &dst) {
    rliDirCreate(dst.c_str());
    std::vector<std::string> argv = {"cp"};
    for (int i = 0; i < kFiles; ++i) argv.push_back(src + sourceName(i));
    argv.push_back(dst + "/");
    double t0 = benchNow();
    if (benchRun(argv) != 0 || benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    // The job's wait loop runs on the terminal host, as under kvbrt import.
    termInstall();
    termSetProgressLine(0);
    return benchOverSources(
        argc, argv, "import", makeSources,
        [](int side, const std::string &src, const std::string &dst) {
            return side == 0 ? ours(src, dst) : theirs(src, dst);
        },
        "import 400 x 2.5 MiB WAV", "cp+sync", 1.15);
}
