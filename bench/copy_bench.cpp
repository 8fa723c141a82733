// Copies 1 GiB of card-sized files (400 x 2.5 MiB) with our copy and with
// `cp` + `sync`, in the same run, and prints both times and the ratio.
//
// Our copy promises durability, so the anchor syncs too. Each side copies
// into a folder of its own on the same file system; the page cache is warmed
// by reading the sources once before either side runs, and the two sides run
// alternately twice so neither gets a consistently colder cache.
//
// Usage: bench_copy [FOLDER]   (default $TMPDIR or /var/tmp)
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/copy.h"
#include "foundation/file.h"

namespace {

constexpr int kFiles = 400;
constexpr size_t kFileSize = 2560u * 1024u;

bool makeSources(const std::string &dir) {
    std::vector<char> buf(kFileSize);
    unsigned x = 12345;
    for (int i = 0; i < kFiles; ++i) {
        for (auto &b : buf) b = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
        char name[64];
        std::snprintf(name, sizeof name, "/%05d.wav", i);
        if (rliFileWriteAll((dir + name).c_str(), buf.data(), buf.size()) != 0) return false;
    }
    return true;
}

double ours(const std::string &src, const std::string &dst) {
    double t0 = benchNow();
    // A batch of many files: one file-system sync at the end, as import does.
    rliFileSyncBegin();
    for (int i = 0; i < kFiles; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/%05d.wav", i);
        if (rliFileCopy((src + name).c_str(), (dst + name).c_str()) != 0) {
            std::fprintf(stderr, "bench_copy: copy of %s failed\n", name + 1);
            return -1;
        }
    }
    if (rliFileSyncEnd(dst.c_str()) != 0) return -1;
    return benchNow() - t0;
}

double theirs(const std::string &src, const std::string &dst) {
    std::vector<std::string> argv = {"cp"};
    for (int i = 0; i < kFiles; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/%05d.wav", i);
        argv.push_back(src + name);
    }
    argv.push_back(dst + "/");
    double t0 = benchNow();
    if (benchRun(argv) != 0 || benchRun({"sync"}) != 0) return -1;
    return benchNow() - t0;
}

}  // namespace

int main(int argc, char **argv) {
    std::string root = benchMakeDir(argc > 1 ? argv[1] : nullptr, "kvbbench-copy");
    if (root.empty()) {
        std::fprintf(stderr, "bench_copy: cannot make a scratch folder\n");
        return 1;
    }
    std::string src = root + "/src";
    rliDirCreate(src.c_str());
    if (!makeSources(src)) {
        std::fprintf(stderr, "bench_copy: cannot write the source files\n");
        benchRemoveTree(root);
        return 1;
    }
    benchRun({"sync"});
    double best[2];
    bool ok = benchBestOfTwo(best, [&](int side) {
        std::string dst = root + (side == 0 ? "/ours" : "/cp");
        benchRemoveTree(dst);
        benchRun({"sync"});
        rliDirCreate(dst.c_str());
        return side == 0 ? ours(src, dst) : theirs(src, dst);
    });
    if (!ok) {
        std::fprintf(stderr, "bench_copy: run failed\n");
        benchRemoveTree(root);
        return 1;
    }
    benchReport("copy 400 x 2.5 MiB", best[0], "cp+sync", best[1], 1.10);
    benchRemoveTree(root);
    return 0;
}
