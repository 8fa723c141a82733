// kvb-pack: looks into a resource pack.
//
//   kvb-pack list [PACK]         each entry: number, name, bytes, picture size and format
//   kvb-pack extract DIR [PACK]  each entry as DIR/NNN_name.png
//   kvb-pack check [PACK]        every entry a picture of the size and format
//                                the program expects
//
// PACK defaults to the pack installed beside the program
// (<program folder>/../share/kvb-rt-wave-manager/resource/pack.bin). Data
// goes to stdout, messages to stderr naming the file and the reason; exit
// status 0, 1 when the pack is missing or damaged (or a file cannot be
// written), 2 for bad usage.
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture_io.h"
#include "resource/pack.h"
#include "resource/pictures.h"
#include "resource/tga.h"

namespace {

std::string defaultPack() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "pack.bin";
    exe[n] = 0;
    std::string dir(exe);
    dir.erase(dir.find_last_of('/') + 1);
    return dir + "../share/kvb-rt-wave-manager/resource/pack.bin";
}

int usage() {
    std::fprintf(stderr, "usage: kvb-pack list [PACK] | extract DIR [PACK] | check [PACK]\n");
    return 2;
}

// The entry's name from the pack's name table, else from the entry table.
std::string entryName(const CLinkManager &link, int id) {
    if (const uint8_t *field = link.GetFileNameAddress(id)) {
        std::string name(reinterpret_cast<const char *>(field), strnlen(reinterpret_cast<const char *>(field), link.GetFileNameWidth()));
        bool plain = !name.empty();
        for (char c : name) plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-');
        if (plain) return name;
    }
    const sPicture *p = pictureGet(id);
    return p ? p->name : "entry";
}

// Returns an empty string when entry `id` is what the program expects, else why not.
std::string entryProblem(const CLinkManager &link, int id) {
    sTgaInfo info;
    char why[96];
    if (tgaParse(link.GetBlockAddress(id), link.GetBlockSize(id), &info, why, sizeof why) < 0) return why;
    const sPicture *p = pictureGet(id);
    if (!p) return "is not an entry of the program";
    if (info.width != p->width || info.height != p->height || info.bits != p->bits)
        return "is " + std::to_string(info.width) + "x" + std::to_string(info.height) + " " +
               std::to_string(info.bits) + "-bit, expected " + std::to_string(p->width) + "x" +
               std::to_string(p->height) + " " + std::to_string(p->bits) + "-bit";
    return "";
}

int run(int argc, char **argv) {
    if (argc < 2) return usage();
    std::string command = argv[1];
    int operands = command == "extract" ? 1 : 0;
    if ((command != "list" && command != "check" && command != "extract") || argc < 2 + operands ||
        argc > 3 + operands)
        return usage();
    std::string path = argc == 3 + operands ? argv[2 + operands] : defaultPack();

    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kvb-pack: %s: cannot be read\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> pack((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    char why[160];
    if (rkePackCheck(pack.data(), pack.size(), why, sizeof why) < 0) {
        std::fprintf(stderr, "kvb-pack: %s: damaged: %s\n", path.c_str(), why);
        return 1;
    }
    CLinkManager link(pack.data(), pack.size());

    if (command == "list") {
        for (int id = 0; id < link.GetCount(); ++id) {
            sTgaInfo info;
            std::printf("%3d %-20s %8u", id, entryName(link, id).c_str(), link.GetBlockSize(id));
            if (tgaParse(link.GetBlockAddress(id), link.GetBlockSize(id), &info, nullptr, 0) == 0)
                std::printf(" %4dx%-4d %d-bit\n", info.width, info.height, info.bits);
            else
                std::printf(" not a picture\n");
        }
        return 0;
    }
    if (command == "check") {
        int bad = 0;
        if (link.GetCount() != kPictureCount) {
            std::fprintf(stderr, "kvb-pack: %s: holds %d entries, expected %d\n", path.c_str(), link.GetCount(),
                         kPictureCount);
            ++bad;
        }
        for (int id = 0; id < link.GetCount(); ++id) {
            std::string problem = entryProblem(link, id);
            if (problem.empty()) continue;
            std::fprintf(stderr, "kvb-pack: %s: entry %d (%s) %s\n", path.c_str(), id, entryName(link, id).c_str(),
                         problem.c_str());
            ++bad;
        }
        if (bad) return 1;
        std::printf("%s: %d pictures, all as expected\n", path.c_str(), link.GetCount());
        return 0;
    }
    // extract
    std::string dir = argv[2];
    int failed = 0;
    for (int id = 0; id < link.GetCount(); ++id) {
        sTgaInfo info;
        if (tgaParse(link.GetBlockAddress(id), link.GetBlockSize(id), &info, why, sizeof why) < 0) {
            std::fprintf(stderr, "kvb-pack: %s: entry %d %s; not extracted\n", path.c_str(), id, why);
            ++failed;
            continue;
        }
        Canvas c;
        c.width = info.width;
        c.height = info.height;
        c.rgba = tgaToRgba(info);
        char file[64];
        std::snprintf(file, sizeof file, "/%03d_%s.png", id, entryName(link, id).c_str());
        std::string error;
        if (!pngWrite(dir + file, c, &error)) {
            std::fprintf(stderr, "kvb-pack: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s%s\n", dir.c_str(), file);
    }
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) { return run(argc, argv); }
