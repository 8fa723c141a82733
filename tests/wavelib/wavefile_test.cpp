// The tag dialect: how bytes split into elements, how documents are edited and
// written back. Parameter files in it: the exact bytes of fresh files (built
// here from the layouts), reading them back, in-place updates that keep what
// they do not own, damaged input, and failed writes that must leave the old
// file whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/fault.h"
#include "foundation/mem.h"
#include "support/card.h"
#include "support/test_util.h"
#include "wavelib/wavefile.h"
#include "wavelib/xml.h"

namespace {

using namespace std::string_literals;

// --- Golden bytes, from the layouts --------------------------------------------------

std::string padBlock(int wave, int subWave) {
    return "\t<PadPrm>\n" + testPrmLine(2, "Wv", wave) + testPrmLine(2, "SubWv", subWave) + "\t</PadPrm>\n";
}

// A kit file whose pads name waves `pads` and, as sub-waves, the numbers after them.
std::string kitGolden(const std::string &name, const std::string &sub, const std::vector<int> &pads = {}) {
    std::vector<std::pair<int, int>> both;
    for (int w : pads) both.emplace_back(w, w + 1);
    return testKitText(name, sub, both);
}

const uint8_t *bytes(const std::string &s) { return reinterpret_cast<const uint8_t *>(s.data()); }

// --- The tag dialect ------------------------------------------------------------------

// The elements of a document as "O:name:level V:text:level C:name:level".
std::string describe(const _sXML *xml) {
    std::string out;
    for (auto *e = xmlGetFirstElementPtr(xml); e; e = e->next) {
        if (!out.empty()) out += ' ';
        out += e->type == XML_ELEMENT_OPEN ? "O:" : e->type == XML_ELEMENT_CLOSE ? "C:" : "V:";
        out += e->text;
        out += ':' + std::to_string(e->level);
    }
    return out;
}

const std::string kThreeLines = "<WvPrm>\n\t<Nm0>65</Nm0>\n</WvPrm>\n";

TEST(XmlRead, TokenisingAndAllocationFailures) {
    const std::string longName(40, 'T');
    const std::string longValue(300, 'v');
    const struct {
        const char *what;
        std::string input, elements;
    } cases[] = {
        {"three lines", kThreeLines, "O:WvPrm:0 O:Nm0:1 V:65:0 C:Nm0:0 C:WvPrm:0"},
        {"line feed inside a value", "<Tag>6\n5</Tag>", "O:Tag:0 V:65:0 C:Tag:0"},
        {"spaces kept in values and names", "<Tag> 65 </Tag ><Nm0 >", "O:Tag:0 V: 65 :0 C:Tag :0 O:Nm0 :0"},
        {"text after the last > dropped", "<A>1</A>\ntrailing words", "O:A:0 V:1:0 C:A:0"},
        {"levels of a pad line", "\t\t<Wv>12</Wv>\n\t</PadPrm>", "O:Wv:2 V:12:0 C:Wv:0 C:PadPrm:1"},
        {"tabs inside a value count for the value", "<A>1\t\t2</A>", "O:A:0 V:12:2 C:A:0"},
        {"tabs inside a tag count for the tag", "<\tA>", "O:A:1"},
        {"stray > is a value", "><A>", "V:>:0 O:A:0"},
        {"lone < and </ make empty names", "<</<A>", "O::0 C::0 O:A:0"},
        {"tag cut off by the next <", "<Nm0<B>", "O:Nm:0 O:B:0"},
        {"tag longer than 35 bytes is cut", "<" + longName + ">x</" + longName + ">",
         "O:" + longName.substr(0, 35) + ":0 V:x:0 C:" + longName.substr(0, 35) + ":0"},
        {"token longer than the pending buffer", "<A>" + longValue + "</A><B>2</B>",
         "O:A:0 V:" + longValue.substr(0, 35) + ":0 C:A:0 O:B:0 V:2:0 C:B:0"},
        {"over-long tag token keeps step", "<" + longValue + "><B>", "O:" + longValue.substr(0, 35) + ":0 O:B:0"},
    };
    for (const auto &c : cases) {
        _sXML *xml = xmlOpenMemory(bytes(c.input), c.input.size(), nullptr);
        EXPECT_EQ(describe(xml), c.elements) << c.what;
        xmlDispose(xml);
    }
    // An allocation failing while reading loses only elements, counted; the first loses the document.
    for (long n = 1; n < 20; ++n) {
        memTestFailNth(n, false);
        _sXML *xml = xmlOpenMemory(bytes(kThreeLines), kThreeLines.size(), "WvPrm");
        memTestFailNth(0, false);
        if (n == 1) {
            EXPECT_EQ(xml, nullptr);
        } else {
            ASSERT_NE(xml, nullptr);
            EXPECT_EQ(rliListCount(&xml->elements), n <= 6 ? 4 : 5) << n;
            EXPECT_EQ(xml->lostElements, n <= 6 ? 1 : 0) << n;
        }
        xmlDispose(xml);
    }
}

TEST(XmlRead, RootCheckIsAnExactByteSearchAndUnreadableFilesGiveNothing) {
    struct {
        const char *text;
        bool accepted;
    } cases[] = {
        {"<KitPrm>\n</KitPrm>\n", true},
        {"</KitPrm><KitPrm>", true},           // order does not matter
        {"<KitPrm>\n\t<Nm0>1</Nm0>\n", false},  // no close tag
        {"<kitprm></kitprm>", false},           // case matters here alone
        {"<KitPrm ></KitPrm>", false},
    };
    for (const auto &c : cases) {
        _sXML *xml = xmlOpenMemory(reinterpret_cast<const uint8_t *>(c.text), std::strlen(c.text), "KitPrm");
        EXPECT_EQ(xml != nullptr, c.accepted) << c.text;
        xmlDispose(xml);
    }
    // A missing file and a folder give nothing either.
    ScratchDir dir;
    EXPECT_EQ(xmlOpen((dir / "absent.kvb").c_str(), nullptr), nullptr);
    EXPECT_EQ(xmlOpen(dir.path().c_str(), nullptr), nullptr);
}

TEST(XmlEdit, SetValueCountsOccurrencesOfAnyCase) {
    const std::string text = "<K><Wv>0</Wv><WV>1</WV><Wv></Wv><wv>3</wv><SubWv>9</SubWv><Wv>4</Wv></K>";
    _sXML *xml = xmlOpenMemory(bytes(text), text.size(), "K");
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xmlSetValue(xml, "wv", 77, 3), 0);   // the fourth "Wv" tag
    EXPECT_EQ(xmlSetValue(xml, "Wv", 55, 2), -1);  // the third has no value
    EXPECT_EQ(xmlSetValue(xml, "Wv", "x", 5), -1);
    EXPECT_EQ(xmlFindTag(xml, "WV", 4), 0);
    EXPECT_EQ(xmlFindTag(xml, "Wv", 5), -1);
    EXPECT_EQ(xmlToText(xml), "<K><Wv>0</Wv>\n<WV>1</WV>\n<Wv></Wv>\n<wv>77</wv>\n<SubWv>9</SubWv>\n<Wv>4</Wv>\n</K>\n");
    xmlDispose(xml);
}

TEST(XmlEdit, AddsKeepTheRootCloseLastAndAFailedOneLeavesTheDocumentUnchanged) {
    _sXML *xml = xmlCreate("WvPrm");
    ASSERT_NE(xml, nullptr);
    for (long n = 1; n <= 3; ++n) {
        memTestFailNth(n, false);
        EXPECT_EQ(xmlAddValue(xml, "Tag", 3, 1), -1);
        memTestFailNth(0, false);
        EXPECT_EQ(describe(xml), "O:WvPrm:0 C:WvPrm:0");
    }
    // A value that would not read back as written is refused, not cut or split.
    const std::string tooLong(36, 'v');
    for (const char *text : {"a<b", "a>", "a\tb", "a\nb", "\x1f", "\x7f", tooLong.c_str()}) {
        EXPECT_EQ(xmlAddValue(xml, "Path", text, 1), -1) << text;
        EXPECT_EQ(describe(xml), "O:WvPrm:0 C:WvPrm:0");
    }
    const std::string longest(35, 'v');
    ASSERT_EQ(xmlAddValue(xml, "Path", longest.c_str(), 1), 0);
    EXPECT_EQ(xmlSetValue(xml, "Path", "a<b", 0), -1);
    // What is added goes before the root's close, container tags on lines of their own.
    EXPECT_EQ(xmlAddValue(xml, "Nm0", 65, 1), 0);
    EXPECT_EQ(xmlAddTag(xml, "PadPrm", 0, 1), 0);
    EXPECT_EQ(xmlAddValue(xml, "Path", "00/A.wav", 2), 0);
    EXPECT_EQ(xmlAddTag(xml, "PadPrm", 1, 1), 0);
    EXPECT_EQ(describe(xml), "O:WvPrm:0 O:Path:1 V:" + longest + ":0 C:Path:0 O:Nm0:1 V:65:0 C:Nm0:0 " +
                                 "O:PadPrm:1 O:Path:2 V:00/A.wav:0 C:Path:0 C:PadPrm:1 C:WvPrm:0");
    EXPECT_EQ(xmlToText(xml), "<WvPrm>\n\t<Path>" + longest + "</Path>\n\t<Nm0>65</Nm0>\n" +
                                  "\t<PadPrm>\n\t\t<Path>00/A.wav</Path>\n\t</PadPrm>\n</WvPrm>\n");
    xmlDispose(xml);
}

// --- Records for the writers -------------------------------------------------------------

sWave makeWave(const std::string &name, const char *folder, const char *file, int number = 0) {
    sWave w{};
    std::memcpy(w.name, name.data(), std::min(name.size(), kWaveNameLen));
    std::snprintf(w.dataFolder, sizeof w.dataFolder, "%s", folder);
    std::snprintf(w.fileName, sizeof w.fileName, "%s", file);
    w.waveNumber = number;
    return w;
}

// A category list of tracked sTag records, freed at the end of the test.
struct Categories {
    sListBase list{};
    ~Categories() {
        while (auto *t = static_cast<sTag *>(list.first)) {
            rliListRemLink(&list, t);
            tagDispose(t);
        }
    }
    sTag *add(const std::string &name, int order) {
        sTag *t = tagCreate(name.c_str(), order);
        rliListAddTail(&list, t);
        return t;
    }
};

void addMember(sListBase *members, sWave *wave) {
    auto *n = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "WaveI"));
    n->item = wave;
    rliListAddTail(members, n);
}

using KitHolder = std::unique_ptr<sKit, decltype([](sKit *k) { waveFileKitPrmDispose(k); })>;
using PrmHolder = std::unique_ptr<_sWaveFileWavePrm, decltype([](_sWaveFileWavePrm *p) { waveFileWavePrmDispose(p); })>;

// --- Wave parameter files -------------------------------------------------------------------

// What a reader takes from `text`: "name|path|tag" (the name's zero fill
// left off), or "refused".
std::string waveRead(const std::string &text) {
    PrmHolder r(waveFileWavePrmCreateFromMemory(bytes(text), text.size(), 0, 0));
    if (!r) return "refused";
    std::string name(r->name, kWaveNameLen);
    name.erase(name.find_last_not_of('\0') + 1);
    return name + "|" + r->path + "|" + std::to_string(r->tagNumber);
}

TEST(WaveParamFile, ReaderRobustness) {
    const std::string head = "<WvPrm>\n";
    const std::string tail = "</WvPrm>\n";
    const struct {
        const char *what;
        std::string text, read;
    } cases[] = {
        {"plain", head + testPrmLine(1, "Nm0", 65) + testPrmLine(1, "Path", "01/A.wav") + testPrmLine(1, "Tag", 3) + tail,
         "A|01/A.wav|3"},
        {"CRLF", "<WvPrm>\r\n\t<Nm0>65</Nm0>\r\n\t<Tag>3</Tag>\r\n</WvPrm>\r\n", "A||3"},
        {"no Tag, no Path", head + testPrmLine(1, "Nm0", 66) + tail, "B||0"},
        {"spaces around values", head + "\t<Nm0> 65 </Nm0>\n\t<Tag> -2</Tag>\n" + tail, "A||-2"},
        {"any case, later value wins",
         head + testPrmLine(1, "NM0", 65) + testPrmLine(1, "nm0", 67) + testPrmLine(1, "tag", 1) + testPrmLine(1, "Tag", 2) + tail,
         "C||2"},
        {"empty value keeps zero", head + "\t<Nm0></Nm0>\n" + testPrmLine(1, "Nm1", 66) + tail, "\0B||0"s},
        {"value wider than a byte keeps its low byte", head + testPrmLine(1, "Nm0", 321) + testPrmLine(1, "Nm1", -23) + tail,
         "A\xE9||0"},
        {"positions out of range select nothing",
         head + testPrmLine(1, "Nm12", 65) + testPrmLine(1, "Nm", 66) + testPrmLine(1, "Nm01", 67) + testPrmLine(1, "Nm-1", 68) +
             testPrmLine(1, "Nm99999999999", 69) + tail,
         "||0"},
        {"open tag with a trailing space matches nothing", head + "\t<Tag >5</Tag>\n" + tail, "||0"},
        {"elements outside the root are ignored",
         testPrmLine(0, "Nm0", 65) + head + testPrmLine(1, "Nm1", 66) + tail + testPrmLine(0, "Tag", 9), "\0B||0"s},
        {"missing root close tag", head + testPrmLine(1, "Nm0", 65), "refused"},
        {"NUL in the middle", head + testPrmLine(1, "Nm0", 65) + std::string("\0", 1) + testPrmLine(1, "Tag", 4) + tail, "A||0"},
        {"Path longer than its field is cut", head + testPrmLine(1, "Path", "01/ABCDEFGHIJKLMNOPQRSTUVWXYZ.wav") + tail,
         "|01/ABCDEFGHIJKLMNOPQRS|0"},
        {"over-long tag and token",
         head + "\t<" + std::string(80, 'N') + ">1</x>\n\t<Tag>" + std::string(400, '7') + "</Tag>\n" + testPrmLine(1, "Nm0", 65) +
             tail,
         "A||" + std::to_string(INT32_MAX)},
    };
    for (const auto &c : cases) EXPECT_EQ(waveRead(c.text), c.read) << c.what;
    waveFileWavePrmDispose(nullptr);  // what a refused read gives back is safe to dispose of
}

// The root is UTF-8 file-system bytes and must come through untouched; the
// name from the file is Shift-JIS ("\x83\x5C" is one character) and is converted.
TEST(WaveParamFile, PathMustBeOneDataFolderAndAPlainName) {
    const std::string root = "/media/\xC3\xBC/Korvan/KVB-RT/WAVE/DATA";
    struct Case {
        const char *path;
        const char *data;  // the audio file's path after the data folder; null: refused
    };
    std::vector<Case> cases = {
        {"00/KICK.wav", "00/KICK.wav"}, {"99/a b, c.aif", "99/a b, c.aif"}, {"12/\x83\x5C.wav", "12/\xE3\x82\xBD.wav"}};
    for (const char *refused : {"", "KICK.wav", "0/KICK.wav", "ab/KICK.wav", "/etc/passwd", "../KICK.wav", "00/..",
                                "00/.", "00/", "00/../../x", "00/sub/KICK.wav", "00/a\\b.wav", "000/KICK.wav"})
        cases.push_back({refused, nullptr});
    for (const auto &c : cases) {
        bool safe = c.data != nullptr;
        EXPECT_EQ(waveFilePathIsSafe(c.path), safe) << c.path;
        std::string text = "<WvPrm>" + testPrmLine(1, "Path", c.path) + "</WvPrm>";
        PrmHolder r(waveFileWavePrmCreateFromMemory(bytes(text), text.size(), 1, 2));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->pathDamaged, safe ? 0 : 1) << c.path;
        EXPECT_EQ(waveFileWavePrmGetFilenameDirNo(r.get()), safe ? std::atoi(c.path) : -1) << c.path;
        char out[256];
        EXPECT_EQ(waveFileWavePrmGetDataPath(r.get(), (root + "/").c_str(), out, sizeof out), safe ? 0 : -1) << c.path;
        EXPECT_EQ(std::string(out), safe ? root + "/" + c.data : "") << c.path;
        if (!safe) continue;
        // Without the closing slash the same path; too small a buffer gets nothing.
        EXPECT_EQ(waveFileWavePrmGetDataPath(r.get(), root.c_str(), out, sizeof out), 0);
        EXPECT_EQ(std::string(out), root + "/" + c.data);
        EXPECT_EQ(waveFileWavePrmGetDataPath(r.get(), root.c_str(), out, root.size() + 4), -1);
        EXPECT_STREQ(out, "");
    }
}

// Written from the records, fresh or over an old file (whose foreign elements
// stay and whose missing values are added once, inside the root), read back,
// and written again over itself from what was read: the same bytes each time.
TEST(WaveParamFile, WrittenFreshOrInPlaceByteExactAndReadBack) {
    ScratchDir dir;
    std::string path = dir / "03.kvb";
    Categories cats;
    cats.add("DEFAULT", 0);
    sTag *tags[] = {cats.add("SNARE", 1), cats.add("C", 0)};
    EXPECT_NE(testWavePrmText("KICK", "", 0).find("\t<Nm3>75</Nm3>\n\t<Nm4>0</Nm4>\n"), std::string::npos);
    auto withForeign = [](const std::string &name, const std::string &p, int tag) {
        std::string g = testWavePrmText(name, p, tag);
        g.insert(g.find("\t<Path>"), "\t<Color>3</Color>\n\t<Mode>1</Mode>\n");
        return "<Dev>x</Dev>\n" + g;
    };
    std::string duplicated = testWavePrmText("A", "00/A.wav", 0);
    duplicated.insert(duplicated.find("</WvPrm>"), testPrmLine(1, "Nm0", 66));
    std::string duplicatedAfter = testWavePrmText("AB", "00/AB.wav", -1);
    duplicatedAfter.insert(duplicatedAfter.find("</WvPrm>"), testPrmLine(1, "Nm0", 65));
    const struct {
        const char *what;
        std::string old;  // empty: no file yet
        const char *name, *folder, *file;
        int tag;  // 0: no category
        std::string after;
    } cases[] = {
        {"fresh", "", "KICK", "00", "KICK.wav", 1, testWavePrmText("KICK", "00/KICK.wav", 1)},
        {"fresh, Shift-JIS", "", "HAT \x82\xA0", "03", "\x83\x4C\x83\x62 (2).aif", 2,
         testWavePrmText("HAT \x82\xA0", "03/\x83\x4C\x83\x62 (2).aif", 2)},
        {"foreign elements stay", withForeign("OLD NAME", "00/OLD.wav", 4), "AB", "00", "AB.wav", 0,
         withForeign("AB", "00/AB.wav", -1)},
        {"missing values are added once, inside the root",
         "<WvPrm>\n\t<Nm0></Nm0>\n\t<Tag>5</Tag>\n</WvPrm>\n<After>1</After>\n", "AB", "00", "AB.wav", 0,
         "<WvPrm>\n\t<Nm0></Nm0>\n\t<Tag>-1</Tag>\n" + testPrmNameLines(1, "Nm", "AB", 12) +
             testPrmLine(1, "Path", "00/AB.wav") + "</WvPrm>\n<After>1</After>\n"},
        {"duplicated elements all take the new value", duplicated, "AB", "00", "AB.wav", 0, duplicatedAfter},
        // The name state swallows the root's close tag, so a reader never ends
        // the body: values added before that tag would not be read.
        {"a root that never closes is replaced whole", "<WvPrm>\n\t<Nm0>65\n</WvPrm>\n", "AB", "00", "AB.wav", 0,
         testWavePrmText("AB", "00/AB.wav", -1)},
    };
    for (const auto &c : cases) {
        std::remove(path.c_str());
        ASSERT_TRUE(c.old.empty() || testWriteFile(path, c.old));
        sWave w = makeWave(c.name, c.folder, c.file);
        w.category = c.tag ? tags[c.tag - 1] : nullptr;
        ASSERT_EQ(waveFileWavePrmCreateToFile(&w, &cats.list, path.c_str()), 0) << c.what;
        EXPECT_EQ(testReadFile(path), c.after) << c.what;

        PrmHolder r(waveFileWavePrmCreateFromFile(path.c_str(), 12, 34));
        ASSERT_TRUE(r) << c.what;
        EXPECT_STREQ(waveFileWavePrmGetNamePtr(r.get()), c.name) << c.what;
        EXPECT_EQ(waveFileWavePrmGetFilenamePtr(r.get()), std::string(c.folder) + "/" + c.file) << c.what;
        EXPECT_EQ(waveFileWavePrmGetTagNumber(r.get()), c.tag ? c.tag : -1) << c.what;
        EXPECT_EQ(waveFileWavePrmGetWaveNumber(r.get()), 1234);
        sWave again = makeWave(r->name, c.folder, c.file);
        again.category = w.category;
        ASSERT_EQ(waveFileWavePrmCreateToFile(&again, &cats.list, path.c_str()), 0) << c.what;
        EXPECT_EQ(testReadFile(path), c.after) << c.what;
    }
    // A path byte the text cannot carry would split the value or vanish on
    // reading, and the wave would name another audio file: the write is
    // refused and the old file stays as it was.
    const std::string old = testReadFile(path);
    for (const char *file : {"A<B.wav", "A>B.wav", "A\tB.wav", "A\nB.wav", "A\rB.wav", "A\x01.wav", "A\x7f.wav"}) {
        sWave w = makeWave("NEW", "00", file);
        EXPECT_EQ(waveFileWavePrmCreateToFile(&w, nullptr, path.c_str()), -1) << file;
        EXPECT_EQ(testReadFile(path), old) << file;
    }
}

TEST(WaveParamFile, UpdateOfOddFilesReadsBackAsWritten) {
    // Whatever an old file holds, the updated bytes must read back as the wave
    // that was written: the writer sets the values a reader actually takes.
    const std::string tail = "</WvPrm>\n";
    const std::string oldFiles[] = {
        "",
        "<WvPrm>\n\t<Nm1><Nm0>5</Nm0>\n</WvPrm>\n",          // Nm0 read as a value of Nm1
        "<WvPrm>\n\t<Nm0>a>></Nm0>\n</WvPrm>\n",            // two values for one field
        "<WvPrm>\n\t<Tag>1</Tag><Tag><X>2</Tag>\n</WvPrm>\n",  // a value behind a foreign tag
        "</WvPrm><WvPrm><Nm0>1</Nm0>",                        // close before open
        "<WvPrm><Path>x</Path></WvPrm><WvPrm><Path>y</Path></WvPrm>",
        "<WvPrm><Nm0>7</Nm0><Nm0></Nm0>" + tail,
        // The root spelt exactly only after a zero byte, where reading stops.
        "<wvprm><Nm0>1</Nm0></WVPRM>\0<WvPrm></WvPrm>"s,
    };
    Categories cats;
    sWave w = makeWave("\x82\xA0Z", "42", "LONG_NAME_16CHAR");
    w.category = cats.add("ONLY", 0);
    for (const auto &old : oldFiles) {
        std::string text;
        ASSERT_EQ(waveFileWavePrmUpdateText(&w, &cats.list, old.empty() ? nullptr : bytes(old), old.size(), &text), 0);
        EXPECT_EQ(waveRead(text), "\x82\xA0Z|42/LONG_NAME_16CHAR|0") << old << "\n" << text;
    }
}

// --- Category list -----------------------------------------------------------------------------

const std::string kTagListGolden = testTagListText({{"SNARE", 2}, {"DEFAULT", 0}, {"FIFTEEN_BYTE", 7}});

TEST(CategoryList, FreshFileIsByteExactAndRewritesIdentically) {
    ScratchDir dir;
    Categories cats;
    cats.add("SNARE", 2);
    cats.add("DEFAULT", 0);
    cats.add("FIFTEEN_BYTES_X", 7);  // only twelve bytes are stored
    std::string path = dir / "tag_list.kvb";
    ASSERT_EQ(waveFileTagListCreateToFile(&cats.list, path.c_str()), 0);
    EXPECT_EQ(testReadFile(path), kTagListGolden);

    // What is read is in the reader's table; written back, it gives the same bytes.
    _sWaveFileTagList *list = waveFileTagListCreateFromFile(path.c_str());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(waveFileTagListDefulatTagExist(list), 1);
    ASSERT_EQ(waveFileTagListCreateToFile(waveFileTagListPtr(list), path.c_str()), 0);
    EXPECT_EQ(testReadFile(path), kTagListGolden);
    waveFileTagListDispose(list);
}

TEST(CategoryList, ReaderRobustness) {
    struct {
        const char *what;
        std::string text;
        std::string read;  // "name:order " for each category, then whether DEFAULT is there
    } cases[] = {
        {"no DEFAULT", testTagListText({{"SNARE", 0}, {"KICK", 1}}), "SNARE:0 KICK:1 0"},
        {"default in lower case", testTagListText({{"default", 3}}), "default:3 1"},
        {"negative order", testTagListText({{"A", -5}}), "A:0 0"},
        {"foreign element inside an entry",
         "<TagList><TagPrm>" + testPrmLine(2, "Nm0", 65) + testPrmLine(2, "Color", 9) + testPrmLine(2, "Nm1", 66) + "</TagPrm></TagList>",
         "AB:0 0"},
        {"entry never closed", "<TagList><TagPrm>" + testPrmLine(2, "Nm0", 65) + "</TagList>", "0"},
        {"CRLF and signed bytes", "<TagList>\r\n\t<TagPrm>\r\n\t\t<Nm0>-126</Nm0>\r\n\t\t<Nm1>-96</Nm1>\r\n\t</TagPrm>\r\n</TagList>\r\n",
         "\x82\xA0:0 0"},
    };
    for (const auto &c : cases) {
        _sWaveFileTagList *list = waveFileTagListCreateFromMemory(bytes(c.text), c.text.size());
        ASSERT_NE(list, nullptr) << c.what;
        std::string read;
        for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next)
            read += std::string(t->name) + ":" + std::to_string(t->order) + " ";
        EXPECT_EQ(read + std::to_string(list->hasDefault), c.read) << c.what;
        waveFileTagListDispose(list);
    }
    const std::string noClose = "<TagList>\n";
    EXPECT_EQ(waveFileTagListCreateFromMemory(bytes(noClose), noClose.size()), nullptr);
}

// --- Kit files -----------------------------------------------------------------------------------

// A kit as the library holds it: 15 pads in list nodes.
struct TestKit {
    sKit kit{};
    sPad pads[15]{};
    sListItem nodes[15]{};
    TestKit(const std::string &name, const std::string &sub, const std::vector<int> &waves = {}) {
        std::memcpy(kit.name, name.data(), std::min(name.size(), kKitNameLen));
        std::memcpy(kit.subName, sub.data(), std::min(sub.size(), kKitSubNameLen));
        for (size_t i = 0; i < 15; ++i) {
            pads[i].waveNumber = i < waves.size() ? waves[i] : -1;
            pads[i].subWaveNumber = i < waves.size() ? waves[i] + 1 : -1;
            pads[i].kit = &kit;
            nodes[i].item = &pads[i];
            rliListAddTail(&kit.pads, &nodes[i]);
        }
    }
};

// Written from the records, fresh or over an old file, read back, and written
// again over itself from what was read: the same bytes each time, so nothing
// the writer owns was lost or changed on reading.
TEST(KitFile, WrittenFreshOrInPlaceByteExactAndReadBack) {
    ScratchDir dir;
    std::string path = dir / "kit007.kvb";
    EXPECT_NE(kitGolden("New Kit ", "").find("\t<Nm7>32</Nm7>\n\t<SubNm0>0</SubNm0>\n"), std::string::npos);
    std::vector<int> fifteen;
    for (int i = 0; i < 15; ++i) fifteen.push_back(i * 100 + 7);
    // A foreign element inside pad 2 and one after the pads stay where they are.
    auto withForeign = [](std::string kit) {
        size_t pad2 = 0;
        for (int i = 0; i < 3; ++i) pad2 = kit.find("\t<PadPrm>\n", pad2 + 1);
        kit.insert(pad2 + 10, "\t\t<Vel>90</Vel>\n");
        kit.insert(kit.find("</KitPrm>"), "\t<Mode>1</Mode>\n");
        return kit;
    };
    // Missing values go into their own block: pad 1 lacks "Wv", only pads 0 to 2 exist.
    std::string added = "<KitPrm>\n" + padBlock(10, 11) + "\t<PadPrm>\n" + testPrmLine(2, "SubWv", 21) +
                        testPrmLine(2, "Wv", 20) + "\t</PadPrm>\n" + padBlock(30, 31) + testPrmNameLines(1, "Nm", "K", 8) +
                        testPrmNameLines(1, "SubNm", "S", 16) + padBlock(40, 41);
    for (int i = 4; i < 15; ++i) added += padBlock(-1, -1);
    const struct {
        std::string old;  // empty: no file yet
        const char *name, *sub;
        std::vector<int> waves;
        std::string after;
    } cases[] = {
        {"", "New Kit ", "", {}, kitGolden("New Kit ", "")},
        {"", "\x83\x4C\x83\x62\x83\x67", "SUBNAME SIXTEEN!", fifteen,
         kitGolden("\x83\x4C\x83\x62\x83\x67", "SUBNAME SIXTEEN!", fifteen)},
        {withForeign(kitGolden("OLD", "old sub")), "NEW", "", {5, 6, 7}, withForeign(kitGolden("NEW", "", {5, 6, 7}))},
        {"<KitPrm>\n" + padBlock(1, 2) + "\t<PadPrm>\n" + testPrmLine(2, "SubWv", 4) + "\t</PadPrm>\n" + padBlock(5, 6) +
             "</KitPrm>\n",
         "K", "S", {10, 20, 30, 40}, added + "</KitPrm>\n"},
    };
    for (const auto &c : cases) {
        std::remove(path.c_str());
        ASSERT_TRUE(c.old.empty() || testWriteFile(path, c.old));
        TestKit k(c.name, c.sub, c.waves);
        ASSERT_EQ(waveFileKitPrmCreateToFile(&k.kit, path.c_str()), 0);
        EXPECT_EQ(testReadFile(path), c.after);

        KitHolder r(waveFileKitPrmCreateFromFile(path.c_str()));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->isFile, 1);
        ASSERT_EQ(rliListCount(&r->pads), 15);
        for (int i = 0; i < 15; ++i) EXPECT_EQ(waveKitPadPtr(r.get(), i)->kit, r.get());
        ASSERT_EQ(waveFileKitPrmCreateToFile(r.get(), path.c_str()), 0);
        EXPECT_EQ(testReadFile(path), c.after);
    }
}

TEST(KitFile, ReaderRobustnessAndAllocationFailures) {
    // A sixteenth block selects no pad.
    std::string sixteen = kitGolden("A", "B", std::vector<int>(15, 3));
    sixteen.insert(sixteen.find("</KitPrm>"), padBlock(99, 98));
    KitHolder r(waveFileKitPrmCreateFromMemory(bytes(sixteen), sixteen.size()));
    ASSERT_TRUE(r);
    EXPECT_EQ(rliListCount(&r->pads), 15);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(waveKitPadPtr(r.get(), i)->waveNumber, 3);

    // Out-of-range name positions and a root close swallowed by a name value.
    const std::string odd = "<KitPrm>" + testPrmLine(1, "Nm8", 65) + testPrmLine(1, "SubNm16", 66) + testPrmLine(1, "SubNm15", 67) +
                            testPrmLine(1, "subnm0", 68) + "<PadPrm><Wv> 12</Wv><Wv>13</Wv></PadPrm></KitPrm>";
    KitHolder o(waveFileKitPrmCreateFromMemory(bytes(odd), odd.size()));
    ASSERT_TRUE(o);
    EXPECT_STREQ(o->name, "");
    EXPECT_EQ(std::string(o->subName, 16), "D" + std::string(14, '\0') + "C");
    EXPECT_EQ(waveKitPadPtr(o.get(), 0)->waveNumber, 13);
    EXPECT_EQ(waveKitPadPtr(o.get(), 0)->subWaveNumber, -1);
    EXPECT_EQ(o->isFile, 1);

    const std::string unclosed = "<KitPrm>\n\t<Nm0>65\n</KitPrm>\n";
    KitHolder u(waveFileKitPrmCreateFromMemory(bytes(unclosed), unclosed.size()));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->isFile, 0);
    EXPECT_STREQ(u->name, "");

    // An allocation failing while a kit is read leaves nothing.
    const std::string golden = kitGolden("A", "B");
    for (long n = 1; n <= 32; ++n) {
        memTestFailNth(n, false);
        sKit *kit = waveFileKitPrmCreateFromMemory(bytes(golden), golden.size());
        memTestFailNth(0, false);
        EXPECT_EQ(kit != nullptr, n == 32) << n;
        waveFileKitPrmDispose(kit);
    }
}

// --- Wave list files -------------------------------------------------------------------------------

TEST(WaveListFiles, AreByteExactAndReadBack) {
    ScratchDir dir;
    sWave w[4] = {makeWave("B", "00", "B.wav", 3), makeWave("A", "00", "A.wav", 17), makeWave("C", "02", "C.wav", 250),
                  makeWave("D", "00", "D.wav", 4)};
    sListBase alphabetical{};
    for (int i : {1, 0, 2, 3}) addMember(&alphabetical, &w[i]);
    Categories cats;
    sTag *drums = cats.add("DRUMS", 0);
    cats.add("EMPTY", 1);
    sTag *fx = cats.add("FX", 2);
    for (int i : {1, 0}) addMember(&drums->membersAlphabet, &w[i]);
    for (int i : {0, 1}) addMember(&drums->membersNumber, &w[i]);
    for (int i : {2, 3}) addMember(&fx->membersAlphabet, &w[i]);
    for (int i : {3, 2}) addMember(&fx->membersNumber, &w[i]);

    // What the library reads back from a file: its root and its lists.
    auto readBack = [](const std::string &file) {
        std::string text = testReadFile(file);
        const char *root = nullptr;
        sWaveFileWaveList read;
        EXPECT_EQ(waveFileKind(bytes(text), text.size(), &root), WAVEFILE_KIND_WAVE_LIST) << file;
        EXPECT_EQ(waveFileWaveListRead(bytes(text), text.size(), root, &read), 0) << file;
        return read.lists;
    };
    using Lists = std::vector<std::vector<int32_t>>;
    std::string path = dir / "wavelist_name.kvb";
    ASSERT_EQ(waveFileWaveFileCreateListFile(&alphabetical, path.c_str()), 0);
    EXPECT_EQ(testReadFile(path), "<WvListSortbyName>\n\t<Wv>17</Wv>\n\t<Wv>3</Wv>\n\t<Wv>250</Wv>\n\t<Wv>4</Wv>\n"
                                  "</WvListSortbyName>\n");
    EXPECT_EQ(readBack(path), (Lists{{17, 3, 250, 4}}));
    path = dir / "wavelist_tagname.kvb";
    ASSERT_EQ(waveFileTagListCreateListFileSortbyName(&cats.list, path.c_str()), 0);
    EXPECT_EQ(testReadFile(path), "<WvListSortbyName_Tag>\n\t<WvList>\n\t\t<Wv>17</Wv>\n\t\t<Wv>3</Wv>\n\t</WvList>\n"
                                  "\t<WvList>\n\t</WvList>\n"
                                  "\t<WvList>\n\t\t<Wv>250</Wv>\n\t\t<Wv>4</Wv>\n\t</WvList>\n</WvListSortbyName_Tag>\n");
    EXPECT_EQ(readBack(path), (Lists{{17, 3}, {}, {250, 4}}));
    path = dir / "wavelist_tagnum.kvb";
    ASSERT_EQ(waveFileTagListCreateListFileSortbyNumber(&cats.list, path.c_str()), 0);
    EXPECT_EQ(testReadFile(path), "<WvListSortbyNum_Tag>\n\t<WvList>\n\t\t<Wv>3</Wv>\n\t\t<Wv>17</Wv>\n\t</WvList>\n"
                                  "\t<WvList>\n\t</WvList>\n"
                                  "\t<WvList>\n\t\t<Wv>4</Wv>\n\t\t<Wv>250</Wv>\n\t</WvList>\n</WvListSortbyNum_Tag>\n");
    EXPECT_EQ(readBack(path), (Lists{{3, 17}, {}, {4, 250}}));
    // Another file's root is no wave list.
    sWaveFileWaveList none;
    EXPECT_EQ(waveFileWaveListRead(nullptr, 0, "KitPrm", &none), -1);
    rliListFreeList(&alphabetical);
}

// --- Failed writes ---------------------------------------------------------------------------------

// The failed-write loop the file writers share: runs `write` (given the
// target's path) over a file holding `old`, with the file fault hook firing at
// step 1, 2, ... and then with allocation failures, until a run completes
// unfaulted. Every failure must be reported and leave the old file whole with
// nothing beside it; the run that completes must succeed and leave `written`
// (or, when `written` is empty, anything but `old`).
void testWriteFailures(const std::string &what, const std::string &old,
                              const std::function<int(const char *)> &write, const std::string &written = "") {
    ScratchDir dir;
    std::string path = dir / "target.kvb";
    for (int kind = 0; kind < 2; ++kind) {
        // The bound only stops a writer that never finishes; reaching it is a failure.
        long n = 1;
        for (; n < 5000; ++n) {
            ASSERT_TRUE(testWriteFile(path, old));
            if (kind == 0) rliFaultFileArm(n, n % 2 ? ENOSPC : EIO, false);
            else memTestFailNth(n, false);
            int r = write(path.c_str());
            bool fired = kind == 0 ? rliFaultFileFired() : memTestFailCount() > 0;
            rliFaultFileArm(0, 0, false);
            memTestFailNth(0, false);
            if (!fired) {
                EXPECT_EQ(r, 0) << what;
                if (written.empty()) {
                    EXPECT_NE(testReadFile(path), old) << what;
                } else {
                    EXPECT_EQ(testReadFile(path), written) << what;
                }
                break;
            }
            EXPECT_EQ(r, -1) << what << (kind ? " allocation " : " file step ") << n;
            EXPECT_EQ(testReadFile(path), old) << what << " step " << n;
            EXPECT_EQ(testListDir(dir.path()).size(), 1u) << what << " step " << n;
        }
        EXPECT_LT(n, 5000) << what << (kind ? ": allocations" : ": file steps") << " never ran out";
    }
}

TEST(ParamFileWrite, FailureKeepsTheOldFileAndIsReported) {
    sWave w = makeWave("KICK", "00", "KICK.wav");
    Categories cats;
    cats.add("DEFAULT", 0);
    TestKit k("KIT", "SUB", {1, 2});
    sListBase none{};
    // The old files are valid ones, so the in-place writers read them first.
    testWriteFailures("wave", testWavePrmText("OLD", "00/OLD.wav", 3), [&](const char *p) { return waveFileWavePrmCreateToFile(&w, &cats.list, p); });
    testWriteFailures("categories", testTagListText({{"OLD", 1}}), [&](const char *p) { return waveFileTagListCreateToFile(&cats.list, p); });
    testWriteFailures("kit", kitGolden("OLD", "", {7, 8, 9}), [&](const char *p) { return waveFileKitPrmCreateToFile(&k.kit, p); });
    testWriteFailures("wave list", "old\n", [&](const char *p) { return waveFileWaveFileCreateListFile(&none, p); });
    testWriteFailures("tag list", "old\n", [&](const char *p) { return waveFileTagListCreateListFileSortbyName(&cats.list, p); });
    // A document read with its root named saves back exactly.
    _sXML *xml = xmlOpenMemory(bytes(kThreeLines), kThreeLines.size(), "WvPrm");
    ASSERT_NE(xml, nullptr);
    testWriteFailures("xml", "old bytes", [&](const char *path) { return xmlSave(xml, path); }, kThreeLines);
    xmlDispose(xml);
}

}  // namespace
