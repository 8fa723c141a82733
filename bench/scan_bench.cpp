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
#include "bench_util.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;

std::string two(int n) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

std::string nameLines(const char *tag, const std::string &name, int count, const char *indent) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += std::string(indent) + "<" + tag + std::to_string(i) + ">" +
               std::to_string(i < static_cast<int>(name.size()) ? name[static_cast<size_t>(i)] : 0) + "</" + tag +
               std::to_string(i) + ">\n";
    return out;
}

std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// A short mono 44100 Hz 16-bit WAV file.
std::string wav(int frames) {
    uint32_t data = static_cast<uint32_t>(frames) * 2;
    return "RIFF" + le(36 + data, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(44100, 4) + le(88200, 4) +
           le(2, 2) + le(16, 2) + "data" + le(data, 4) + std::string(data, '\0');
}

bool writeFile(const std::string &path, const std::string &bytes) {
    return rliFileWriteAll(path.c_str(), bytes.data(), bytes.size()) == 0;
}

bool makeCard(const std::string &root) {
    std::string dev = root + "/Korvan/KVB-RT/";
    if (wstorageCreateDir(root.c_str()) != 0) return false;
    rliFileSyncBegin();
    std::string tags = "<TagList>\n";
    for (int t = 0; t < 20; ++t)
        tags += "\t<TagPrm>\n" + nameLines("Nm", t ? "CAT" + std::to_string(t) : "DEFAULT", 12, "\t\t") +
                "\t\t<Order>" + std::to_string(t) + "</Order>\n\t</TagPrm>\n";
    bool ok = writeFile(dev + "SYSTEM/tag_list.kvb", tags + "</TagList>\n");
    for (int k = 0; ok && k < 100; ++k) {
        std::string kit = "<KitPrm>\n" + nameLines("Nm", "KIT " + std::to_string(k), 8, "\t") +
                          nameLines("SubNm", "", 16, "\t");
        for (int p = 0; p < 15; ++p)
            kit += "\t<PadPrm>\n\t\t<Wv>" + std::to_string(k * 100 + p) + "</Wv>\n\t\t<SubWv>-1</SubWv>\n\t</PadPrm>\n";
        char name[16];
        std::snprintf(name, sizeof name, "kit%03d.kvb", k);
        ok = writeFile(dev + "KIT/" + name, kit + "</KitPrm>\n");
    }
    for (int f = 0; ok && f < kFolders; ++f) {
        std::string data = dev + "WAVE/DATA/" + two(f) + "/", prm = dev + "WAVE/PRM/" + two(f) + "/";
        ok = rliDirCreate(data.c_str()) == 0 && rliDirCreate(prm.c_str()) == 0;
        for (int m = 0; ok && m < kPerFolder; ++m) {
            std::string file = "SAMPLE_" + two(f) + two(m) + ".wav";
            std::string text = "<WvPrm>\n" + nameLines("Nm", "SAMPLE " + two(f) + two(m), 12, "\t") + "\t<Path>" +
                               two(f) + "/" + file + "</Path>\n\t<Tag>" + std::to_string((f + m) % 20) +
                               "</Tag>\n</WvPrm>\n";
            ok = writeFile(prm + two(m) + ".kvb", text) && writeFile(data + file, wav(500 + m));
        }
    }
    return rliFileSyncEnd(root.c_str()) == 0 && ok;
}

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

std::string kvbrtPath() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/../bin/kvbrt";
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-scan");
    if (root.empty() || !makeCard(root)) {
        std::fprintf(stderr, "bench_scan: cannot write the card\n");
        if (!root.empty()) benchRemoveTree(root);
        return 1;
    }
    // The memory of the whole command, measured first so that no other child
    // of this process counts in the children's peak.
    std::string kvbrt = kvbrtPath();
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
