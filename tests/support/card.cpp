#include "support/card.h"

#include <filesystem>

#include "support/audio_bytes.h"
#include "support/test_util.h"

namespace {

std::string two(int n) { return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10); }

}  // namespace

std::string testPrmLine(int tabs, const std::string &tag, const std::string &value) {
    return std::string(static_cast<size_t>(tabs), '\t') + "<" + tag + ">" + value + "</" + tag + ">\n";
}

std::string testPrmLine(int tabs, const std::string &tag, int value) { return testPrmLine(tabs, tag, std::to_string(value)); }

std::string testPrmNameLines(int tabs, const std::string &prefix, const std::string &name, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += testPrmLine(tabs, prefix + std::to_string(i), i < name.size() ? static_cast<signed char>(name[i]) : 0);
    return out;
}

std::string testWavePrmText(const std::string &name, const std::string &path, int tag) {
    return "<WvPrm>\n" + testPrmNameLines(1, "Nm", name, 12) + testPrmLine(1, "Path", path) + testPrmLine(1, "Tag", tag) +
           "</WvPrm>\n";
}

std::string testTagListText(const std::vector<std::pair<std::string, int>> &tags) {
    std::string out = "<TagList>\n";
    for (const auto &t : tags)
        out += "\t<TagPrm>\n" + testPrmNameLines(2, "Nm", t.first, 12) + testPrmLine(2, "Order", t.second) +
               "\t</TagPrm>\n";
    return out + "</TagList>\n";
}

std::string testKitText(const std::string &name, const std::string &sub, const std::vector<std::pair<int, int>> &pads) {
    std::string out = "<KitPrm>\n" + testPrmNameLines(1, "Nm", name, 8) + testPrmNameLines(1, "SubNm", sub, 16);
    for (size_t i = 0; i < 15; ++i) {
        int w = i < pads.size() ? pads[i].first : -1, s = i < pads.size() ? pads[i].second : -1;
        out += "\t<PadPrm>\n" + testPrmLine(2, "Wv", w) + testPrmLine(2, "SubWv", s) + "\t</PadPrm>\n";
    }
    return out + "</KitPrm>\n";
}

std::string testWavBytes(int frames, int rate, int bits, int channels) {
    auto data = static_cast<size_t>(channels * bits / 8 * frames);
    return testRiff(testChunk("fmt ", testFmtBody(1, uint32_t(channels), uint32_t(rate), uint32_t(bits))) +
                    testChunk("data", std::string(data, '\0')));
}

bool testMakeDirs(const std::string &path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

TestCard::TestCard(std::string root, TestTreeNames names) : root_(std::move(root)), names_(std::move(names)) {}

std::string TestCard::device() const { return root_ + "/" + names_.maker + "/" + names_.device + "/"; }
std::string TestCard::system() const { return device() + names_.system + "/"; }
std::string TestCard::kit() const { return device() + names_.kit + "/"; }
std::string TestCard::data(int folder) const { return device() + names_.wave + "/" + names_.data + "/" + two(folder) + "/"; }
std::string TestCard::prm(int folder) const { return device() + names_.wave + "/" + names_.prm + "/" + two(folder) + "/"; }

void TestCard::makeTree(bool all) const {
    testMakeDirs(device());
    if (!all) return;
    testMakeDirs(system());
    testMakeDirs(kit());
    testMakeDirs(device() + names_.wave + "/" + names_.data);
    testMakeDirs(device() + names_.wave + "/" + names_.prm);
}

std::string TestCard::addWave(int number, const std::string &name, const std::string &audio, int tag,
                              bool withAudio) const {
    int folder = number / 100;
    testMakeDirs(prm(folder));
    std::string prmPath = prm(folder) + two(number % 100) + ".kvb";
    testWriteFile(prmPath, testWavePrmText(name, audio.empty() ? "" : two(folder) + "/" + audio, tag));
    if (withAudio && !audio.empty()) {
        testMakeDirs(data(folder));
        testWriteFile(data(folder) + audio, testWavBytes(100 + number));
    }
    return prmPath;
}

void TestCard::writeCategories(const std::vector<std::pair<std::string, int>> &tags) const {
    testMakeDirs(system());
    testWriteFile(system() + "tag_list.kvb", testTagListText(tags));
}

void TestCard::writeKit(const std::string &file, const std::string &name, const std::string &sub,
                        const std::vector<std::pair<int, int>> &pads) const {
    testMakeDirs(kit());
    testWriteFile(kit() + file, testKitText(name, sub, pads));
}
