// The full card of the whole-card benchmarks. See bench_card.h.
#include "bench_card.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "foundation/file.h"
#include "wavelib/storage.h"

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

// The header alone is written for a large file; truncate() extends it with
// zeros, the silence its data chunk announces.
bool writeAudio(const std::string &path, int frames, uint64_t bytes) {
    if (bytes <= 44 + static_cast<uint64_t>(frames) * 2) return writeFile(path, wav(frames));
    std::string header = wav(0);
    header.replace(4, 4, le(static_cast<uint32_t>(bytes - 8), 4));
    header.replace(40, 4, le(static_cast<uint32_t>(bytes - 44), 4));
    return writeFile(path, header) && truncate(path.c_str(), static_cast<off_t>(bytes)) == 0;
}

}  // namespace

bool benchMakeFullCard(const std::string &root, uint64_t audioBytes) {
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
            ok = writeFile(prm + two(m) + ".kvb", text) && writeAudio(data + file, 500 + m, audioBytes);
        }
    }
    return rliFileSyncEnd(root.c_str()) == 0 && ok;
}

std::string benchKvbrtPath() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/../bin/kvbrt";
}

