// Converts 400 MiB of 48 kHz 24-bit stereo WAV (20 files of 20 MiB) into a
// card's data folder as import does (one sync of the file system at the end),
// and has sox do the same conversion (very-high-quality rate, dither to 16
// bits) followed by `sync`, in the same run; prints both times and the ratio.
//
// Each round starts from an empty folder on the same file system; the sources
// are written and synced once before either side runs, and the sides run
// alternately twice so neither gets a consistently colder cache.
//
// Usage: bench_convert [FOLDER]   (default $TMPDIR or /var/tmp)
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "transfer/convert.h"

namespace {

constexpr int kFiles = 20;
constexpr uint32_t kDataSize = 20u * 1024u * 1024u - 44u - 2u;  // whole 6-byte frames

void put(std::vector<char> &b, size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 48000 Hz 24-bit stereo WAV file of noise at about -6 dBFS.
std::vector<char> wavFile(unsigned &seed) {
    std::vector<char> b(44 + kDataSize);
    const char *tags[] = {"RIFF", "WAVE", "fmt ", "data"};
    const size_t at[] = {0, 8, 12, 36};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) b[at[i] + static_cast<size_t>(k)] = tags[i][k];
    put(b, 4, 36 + kDataSize, 4);
    put(b, 16, 16, 4);
    put(b, 20, 1, 2);
    put(b, 22, 2, 2);
    put(b, 24, 48000, 4);
    put(b, 28, 48000 * 6, 4);
    put(b, 32, 6, 2);
    put(b, 34, 24, 2);
    put(b, 40, kDataSize, 4);
    for (size_t i = 44; i + 3 <= b.size(); i += 3) {
        seed = seed * 1103515245u + 12345u;
        int32_t v = static_cast<int32_t>(seed >> 9) - 0x400000;  // within half of full scale
        put(b, i, static_cast<uint32_t>(v) & 0xFFFFFFu, 3);
    }
    return b;
}

std::string sourceName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "/Take %02d.wav", i);
    return name;
}

bool makeSources(const std::string &dir) {
    unsigned seed = 12345;
    for (int i = 0; i < kFiles; ++i) {
        std::vector<char> b = wavFile(seed);
        if (rliFileWriteAll((dir + sourceName(i)).c_str(), b.data(), b.size()) != 0) return false;
    }
    return true;
}

double ours(const std::string &src, const std::string &card) {
    std::string data = card + "/Korvan/KVB-RT/WAVE/DATA/00";
    for (const std::string &d : {card, card + "/Korvan", card + "/Korvan/KVB-RT", card + "/Korvan/KVB-RT/WAVE",
                                 card + "/Korvan/KVB-RT/WAVE/DATA", data})
        rliDirCreate(d.c_str());
    double t0 = benchNow();
    rliFileSyncBegin();
    int failed = 0;
    for (int i = 0; i < kFiles; ++i)
        if (convertToFile((src + sourceName(i)).c_str(), (data + sourceName(i)).c_str(), nullptr, nullptr,
                          nullptr) != CONVERT_OK)
            ++failed;
    if (rliFileSyncEnd(data.c_str()) != 0) ++failed;
    double t = benchNow() - t0;
    if (failed) {
        std::fprintf(stderr, "bench_convert: %d files not converted\n", failed);
        return -1;
    }
    return t;
}

double theirs(const std::string &src, const std::string &dst) {
    rliDirCreate(dst.c_str());
    double t0 = benchNow();
    for (int i = 0; i < kFiles; ++i)
        if (benchRun({"sox", src + sourceName(i), "-b", "16", dst + sourceName(i), "rate", "-v", "44100",
                      "dither"}) != 0)
            return -1;
    if (benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-convert");
    if (root.empty()) {
        std::fprintf(stderr, "bench_convert: cannot make a scratch folder\n");
        return 1;
    }
    std::string src = root + "/src";
    rliDirCreate(src.c_str());
    if (!makeSources(src)) {
        std::fprintf(stderr, "bench_convert: cannot write the source files\n");
        benchRemoveTree(root);
        return 1;
    }
    benchRun({"sync"});
    double best[2];
    bool ok = benchBestOfTwo(best, [&](int side) {
        std::string dst = root + (side == 0 ? "/card" : "/sox");
        benchRemoveTree(dst);
        benchRun({"sync"});
        return side == 0 ? ours(src, dst) : theirs(src, dst);
    });
    if (!ok) {
        std::fprintf(stderr, "bench_convert: run failed\n");
        benchRemoveTree(root);
        return 1;
    }
    benchReport("convert 400 MiB 48 kHz 24-bit WAV", best[0], "sox+sync", best[1], 1.0);
    benchRemoveTree(root);
    return 0;
}
