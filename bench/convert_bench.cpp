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
constexpr uint32_t kFrames = (20u * 1024u * 1024u - 44u) / 6u;  // 20 MiB files

std::string sourceName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "/Take %02d.wav", i);
    return name;
}

bool makeSources(const std::string &dir) {
    unsigned seed = 12345;
    for (int i = 0; i < kFiles; ++i) {
        std::vector<char> b = benchWavNoise(48000, 24, 2, kFrames, seed);
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
    return benchOverSources(
        argc, argv, "convert", makeSources,
        [](int side, const std::string &src, const std::string &dst) {
            return side == 0 ? ours(src, dst) : theirs(src, dst);
        },
        "convert 400 MiB 48 kHz 24-bit WAV", "sox+sync", 1.0);
}
