// Card trees for tests: the device folder with parameter files and small
// audio files, built from the file layouts (not with the code under test).
#pragma once

#include <string>
#include <utility>
#include <vector>

// The folder names of one tree; spelled as the device does unless a test
// changes them.
struct TestTreeNames {
    std::string maker = "Korvan";
    std::string device = "KVB-RT";
    std::string system = "SYSTEM";
    std::string kit = "KIT";
    std::string wave = "WAVE";
    std::string data = "DATA";
    std::string prm = "PRM";
};

// A card below `root` (the volume root folder, which must exist).
class TestCard {
public:
    explicit TestCard(std::string root, TestTreeNames names = {});
    // A card whose whole folder tree is made already.
    static TestCard withTree(std::string root, TestTreeNames names = {}) {
        TestCard card(std::move(root), std::move(names));
        card.makeTree();
        return card;
    }
    // Creates the device folder and, with `all`, every folder of the tree.
    void makeTree(bool all = true) const;
    // "<root>/Korvan/KVB-RT/" as spelled by this card, and the folders below.
    std::string device() const;
    std::string system() const;
    std::string kit() const;
    std::string data(int folder) const;
    std::string prm(int folder) const;
    // Writes wave `number`'s parameter file naming "NN/<audio>" (NN = number /
    // 100) with category `tag`, and, unless `audio` is empty or `withAudio` is
    // false, a small 44100 Hz 16-bit mono WAV file of that name. Returns the
    // parameter file's path.
    std::string addWave(int number, const std::string &name, const std::string &audio, int tag = 0,
                        bool withAudio = true) const;
    // Writes the category list (names and order keys) as "tag_list.kvb".
    void writeCategories(const std::vector<std::pair<std::string, int>> &tags) const;
    // Writes kit file `file` (e.g. "kit007.kvb") with the pads' wave numbers.
    void writeKit(const std::string &file, const std::string &name, const std::string &sub,
                  const std::vector<std::pair<int, int>> &pads) const;

    const std::string &root() const { return root_; }
    const TestTreeNames &names() const { return names_; }

private:
    std::string root_;
    TestTreeNames names_;
};

// The texts of the parameter files, byte for byte as the device writes them:
// one value line ("<tabs><tag>value</tag>"), a name as one line per byte
// (signed, zero past its end), and whole files.
std::string testPrmLine(int tabs, const std::string &tag, const std::string &value);
std::string testPrmLine(int tabs, const std::string &tag, int value);
std::string testPrmNameLines(int tabs, const std::string &prefix, const std::string &name, size_t count);
std::string testWavePrmText(const std::string &name, const std::string &path, int tag);
std::string testTagListText(const std::vector<std::pair<std::string, int>> &tags);
std::string testKitText(const std::string &name, const std::string &sub, const std::vector<std::pair<int, int>> &pads);
// A canonical WAV file of `frames` silent frames (an odd data chunk gets its pad byte).
std::string testWavBytes(int frames, int rate = 44100, int bits = 16, int channels = 1);
// Creates `path` and its parents. Returns false on failure.
bool testMakeDirs(const std::string &path);
