// Renumbers a generated card of 5,000 waves numbered 0, 2, 4, ... 9,998 (every
// other number free, so 4,999 waves move, most of them into another data
// folder) with the library's job: scan, then listRenumbering. The baseline does
// the same file work on an identical card with plain POSIX calls: for every
// wave it reads the old parameter file, writes the new one under a temporary
// name and renames it into place, renames the audio file and unlinks the old
// parameter file, then one syncfs, as our job syncs once.
//
// Then a one-wave rename on a full card (10,000 waves): scan, change one name,
// write its parameter file; against `cat` of all parameter files.
//
// Usage: bench_renumber [FOLDER]   (default $TMPDIR or /var/tmp)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/mem.h"
#include "support/card.h"
#include "wavelib/order.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

std::string two(int n) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

std::string audioName(int number) { return "S" + std::to_string(number) + ".wav"; }

// Waves `first`, `first + step`, ... below 10,000, with small audio files.
bool makeCard(const std::string &root, int step) {
    TestCard card(root);
    card.makeTree();
    card.writeCategories({{"DEFAULT", 1}, {"DRUMS", 0}});
    for (int n = 0; n < 10000; n += step) card.addWave(n, "Wave " + std::to_string(n), audioName(n), n % 2);
    card.writeKit("kit000.kvb", "Bench", "", {{2, 4}, {9998, -1}});
    return access((card.prm(99) + two(9998 % 100) + ".kvb").c_str(), F_OK) == 0;
}

double ours(const std::string &root, int *moved, double *scanTime) {
    double t0 = benchNow();
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    *scanTime = benchNow() - t0;
    if (!list || listRenumbering(list) != 0) {
        waveListDispose(list);
        return -1;
    }
    double t = benchNow() - t0;
    *moved = listRenumberingResult()->renumbered;
    waveListDispose(list);
    return t;
}

bool readAll(const std::string &path, std::string *out) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    char buf[4096];
    out->clear();
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out->append(buf, static_cast<size_t>(n));
    close(fd);
    return true;
}

bool writeVia(const std::string &path, const std::string &bytes) {
    std::string tmp = path.substr(0, path.rfind('/') + 1) + ".bench.tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return close(fd) == 0 && ok && rename(tmp.c_str(), path.c_str()) == 0;
}

double baseline(const std::string &root) {
    std::string data = root + "/Korvan/KVB-RT/WAVE/DATA/", prm = root + "/Korvan/KVB-RT/WAVE/PRM/";
    double t0 = benchNow();
    std::string text;
    for (int i = 1; i < 5000; ++i) {
        int from = 2 * i;
        std::string oldPrm = prm + two(from / 100) + "/" + two(from) + ".kvb";
        std::string newPrm = prm + two(i / 100) + "/" + two(i) + ".kvb";
        mkdir((data + two(i / 100)).c_str(), 0755);
        mkdir((prm + two(i / 100)).c_str(), 0755);
        if (!readAll(oldPrm, &text)) return -1;
        size_t at = text.find("<Path>");
        if (at != std::string::npos) text.replace(at + 6, 2, two(i / 100));
        if (!writeVia(newPrm, text)) return -1;
        if (rename((data + two(from / 100) + "/" + audioName(from)).c_str(),
                   (data + two(i / 100) + "/" + audioName(from)).c_str()) != 0)
            return -1;
        if (unlink(oldPrm.c_str()) != 0) return -1;
    }
    int fd = open(root.c_str(), O_RDONLY);
    if (fd < 0 || syncfs(fd) != 0) return -1;
    close(fd);
    return benchNow() - t0;
}

double oneRename(const std::string &root) {
    double t0 = benchNow();
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    sWave *w = waveListFindWaveNumber(list, 4321);
    if (!w) {
        waveListDispose(list);
        return -1;
    }
    waveWaveName(w, "Renamed");
    char path[4096];
    std::snprintf(path, sizeof path, "%s/Korvan/KVB-RT/WAVE/PRM/43/21.kvb", root.c_str());
    int r = waveFileWavePrmCreateToFile(w, &list->tags, path);
    double t = benchNow() - t0;
    waveListDispose(list);
    return r == 0 ? t : -1;
}

double catAll(const std::string &root) {
    double t0 = benchNow();
    int r = benchRunQuiet({"find", root + "/Korvan/KVB-RT/WAVE/PRM", "-type", "f", "-exec", "cat", "{}", "+"});
    return r == 0 ? benchNow() - t0 : -1;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    const char *base = argc > 1 ? argv[1] : nullptr;
    std::string a = benchMakeDir(base, "kvbbench-renumber-ours"), b = benchMakeDir(base, "kvbbench-renumber-plain");
    std::string full = benchMakeDir(base, "kvbbench-rename");
    bool made = !a.empty() && !b.empty() && !full.empty() && makeCard(a, 2) && makeCard(b, 2) && makeCard(full, 1);
    sync();
    int status = 1, moved = 0;
    double scanTime = 0;
    double t = made ? ours(a, &moved, &scanTime) : -1, plain = made ? baseline(b) : -1;
    catAll(full);
    double rename = made ? oneRename(full) : -1, cat = made ? catAll(full) : -1;
    if (t < 0 || plain < 0 || rename < 0 || cat < 0) {
        std::fprintf(stderr, "bench_renumber: a run failed\n");
    } else {
        std::printf("renumbering 5,000 waves numbered 0, 2, ... 9,998 (%d moved): scan %.3f s, job %.3f s\n", moved,
                    scanTime, t - scanTime);
        benchReport("scan + renumbering", t, "plain rename/rewrite + syncfs", plain, 2.0);
        // No target of its own: it shows a small edit costs less than reading the card once.
        benchReport("one-wave rename, 10,000 waves", rename, "cat of all parameter files", cat, 0);
        status = 0;
    }
    for (const std::string &dir : {a, b, full})
        if (!dir.empty()) benchRemoveTree(dir);
    memTerm();
    return status;
}
