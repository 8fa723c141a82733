// The string tables: the generator's output read back for every text, the
// language choice and its fallback, the lookups, and damaged containers.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "foundation/str.h"
#include "resource/dnastr.h"
#include "resource/zanarray.h"
#include "support/test_util.h"

namespace {

std::string buildDir() { return KVB_BUILD_ROOT; }
std::string tableFolder() { return buildDir() + "/share/kvb-rt-wave-manager/language"; }

// Runs the table generator; returns its exit status.
int runTool(std::vector<std::string> args) {
    args.insert(args.begin(), buildDir() + "/tools/kvb-strtable");
    std::string out, err;
    return testRunProgramOutput(args, &out, &err);
}

// The texts a source gives, read with the format's own rules, independently
// of the generator.
std::map<int, std::string> readSource(const std::string &path) {
    std::ifstream in(path);
    std::map<int, std::string> texts;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t sep = line.find_first_of("\t ");
        std::string raw = line.substr(sep + 1), text;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\') {
                text += raw[i];
                continue;
            }
            char e = raw[++i];
            text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
        for (size_t at; (at = text.find("@VERSION@")) != std::string::npos;) text.replace(at, 9, KVB_VERSION);
        texts[std::stoi(line.substr(0, sep))] = text;
    }
    return texts;
}

// A source with a text for every used number, plus `extra` lines that replace
// the texts of their numbers.
std::string fullSource(const std::map<int, std::string> &extra = {}) {
    std::string s = "# test table\n";
    for (eDNASTR id : kDnaStrUsed) {
        auto e = extra.find(id);
        s += std::to_string(id) + "\t" + (e != extra.end() ? e->second : "Text " + std::to_string(id)) + "\n";
    }
    return s;
}

std::string repeat(const std::string &unit, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

class StringTable : public testing::Test {
protected:
    ScratchDir dir;
    void TearDown() override { dnaStrClose(); }
};

TEST_F(StringTable, EveryUsedTextReadsBackInBothLanguages) {
    for (const char *code : {"en", "ja"}) {
        SCOPED_TRACE(code);
        std::map<int, std::string> source = readSource(KVB_SOURCE_ROOT "/resources/strings/" + std::string(code) + ".txt");
        ASSERT_EQ(dnaStrOpen(tableFolder().c_str(), code), 0);
        EXPECT_STREQ(dnaStrLanguage(), code);
        for (eDNASTR id : kDnaStrUsed) {
            SCOPED_TRACE(id);
            std::string utf8 = dnaStrGetUtf8Ptr(id);
            EXPECT_FALSE(utf8.empty());
            EXPECT_EQ(utf8, source[id]);
            EXPECT_EQ(std::wstring(dnaStrGetPtr(id)), testWide(utf8));
            // Progress captions are shown in Shift-JIS; no text may lose a character there.
            int lost = -1, length = 0;
            char sjis[1024];
            rliStringUtf16beToSjis(sjis, sizeof sjis, &length, dnaStrGetPtr(id), &lost);
            EXPECT_EQ(lost, 0);
            EXPECT_STREQ(dnaStrGetSjisPtr(id), sjis);
        }
    }
    EXPECT_EQ(std::string(dnaStrGetUtf8Ptr(DNASTR_TITLE_ERROR)), "エラー");
}

TEST_F(StringTable, TheLanguageIsThatOfThePlatformEntryThenEnglishThenDummies) {
    const struct {
        const char *entry;
        const char *code;
    } cases[] = {
        {"ja_JP.UTF-8", "ja"}, {"ja-JP", "ja"},  {"ja", "ja"},          {"de_DE@euro", "de"},
        {"ja:en_US:fr", "ja"}, {":fr:en", "fr"}, {"C", "en"},           {"C.UTF-8", "en"},
        {"POSIX", "en"},       {"", "en"},       {nullptr, "en"},       {"EN_us", "en"},
        {"../../etc", "en"},   {"x1", "en"},     {"abcdefgh_XY", "en"}, {"abcdefg", "abcdefg"},
    };
    for (const auto &c : cases) {
        char code[kDnaStrCodeMax] = "zz";
        dnaStrLanguageCode(c.entry, code);
        EXPECT_STREQ(code, c.code) << (c.entry ? c.entry : "(null)");
    }
    // A damaged table falls back to English.
    std::filesystem::copy_file(tableFolder() + "/STRING_TABLE_en.zar", dir / "STRING_TABLE_en.zar");
    ASSERT_TRUE(testWriteFile(dir / "STRING_TABLE_ja.zar", "not a table"));
    EXPECT_EQ(dnaStrOpen(dir.path().c_str(), "ja_JP.UTF-8"), 0);
    EXPECT_STREQ(dnaStrLanguage(), "en");
    EXPECT_STREQ(dnaStrGetUtf8Ptr(DNASTR_TITLE_ERROR), "Error");
    // Without any table every form is a dummy.
    std::filesystem::create_directory(dir / "empty");
    EXPECT_EQ(dnaStrOpen((dir / "empty").c_str(), "ja_JP"), -1);
    EXPECT_STREQ(dnaStrLanguage(), "");
    EXPECT_STREQ(dnaStrGetPtr(DNASTR_ERR_AUDIO_FORMAT, L"a.wav"), L"DUMMY");
    EXPECT_STREQ(dnaStrGetSjisPtr(DNASTR_PROGRESS_SCAN), "DUMMY");
    wchar_t buffer[kDnaStrGetMax];
    EXPECT_EQ(dnaStrGet(buffer, DNASTR_MENU_FILE), 0);
    EXPECT_STREQ(buffer, L"DUMMY");
}

TEST_F(StringTable, LookupsKeepTwoWideResultsAndAppendDetails) {
    ASSERT_EQ(dnaStrOpen(tableFolder().c_str(), "en"), 0);
    const wchar_t *first = dnaStrGetPtr(DNASTR_MENU_FILE);
    const wchar_t *second = dnaStrGetPtr(DNASTR_MENU_VIEW);
    EXPECT_STREQ(first, L"File");
    EXPECT_STREQ(second, L"View");
    EXPECT_STREQ(dnaStrGetPtr(DNASTR_TITLE_ERROR, L"a.wav"), L"Error\ta.wav");
    std::wstring longName(3000, L'n');
    EXPECT_EQ(std::wcslen(dnaStrGetPtr(DNASTR_TITLE_ERROR, longName.c_str())), 6 + kDnaStrExtraMax);

    wchar_t buffer[kDnaStrGetMax];
    std::wmemset(buffer, L'x', kDnaStrGetMax);
    dnaStrGet(buffer, DNASTR_MENU_FILE);
    EXPECT_STREQ(buffer, L"File");
    EXPECT_EQ(buffer[kDnaStrGetMax - 1], 0) << "the buffer is cleared first";

    for (int outside : {-1, dnaStrCount(), 1 << 20}) {
        EXPECT_STREQ(dnaStrGetPtr(outside), L"DUMMY") << outside;
        EXPECT_STREQ(dnaStrGetUtf8Ptr(outside), "DUMMY");
    }
}

TEST_F(StringTable, FullLengthTextsAndSurrogatePairsComeBackWhole) {
    std::string source = dir / "tt.txt", table = dir / "STRING_TABLE_tt.zar";
    ASSERT_TRUE(testWriteFile(source, fullSource({{DNASTR_ASK_DELETE_WAVES, repeat("あ", 256)},
                                                  {DNASTR_ASK_DELETE_TAGS, repeat("b", 255)},
                                                  {DNASTR_ASK_PAD_RELEASE, "\xF0\x9D\x84\x9E clef"},
                                                  {DNASTR_ASK_EXIT, "lone"}})));
    ASSERT_EQ(runTool({source, table}), 0);
    std::string bytes = testReadFile(table);
    const size_t strings = 80;  // where the generator puts array 0
    auto unit = [&](int id, int i) {
        size_t at = strings + static_cast<size_t>(id) * kDnaStrBytes + 2 * static_cast<size_t>(i);
        return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
    };
    EXPECT_EQ(unit(DNASTR_ASK_DELETE_TAGS, 254), 'b');
    EXPECT_EQ(unit(DNASTR_ASK_DELETE_TAGS, 255), 0) << "255 units end with one zero unit";
    EXPECT_EQ(unit(DNASTR_ASK_DELETE_WAVES, 255), 0x3042) << "256 units have none";
    // A lone high surrogate in the file.
    size_t lone = strings + DNASTR_ASK_EXIT * kDnaStrBytes;
    bytes[lone] = 0x00;
    bytes[lone + 1] = static_cast<char>(0xD8);

    ASSERT_EQ(dnaStrOpenBuffer(bytes.data(), bytes.size(), "tt"), 0);
    EXPECT_EQ(std::wcslen(dnaStrGetPtr(DNASTR_ASK_DELETE_WAVES)), 256u);
    EXPECT_EQ(std::strlen(dnaStrGetUtf8Ptr(DNASTR_ASK_DELETE_WAVES)), 768u);
    EXPECT_EQ(std::strlen(dnaStrGetSjisPtr(DNASTR_ASK_DELETE_WAVES)), 512u);
    EXPECT_EQ(std::wcslen(dnaStrGetPtr(DNASTR_ASK_DELETE_TAGS)), 255u);
    EXPECT_STREQ(dnaStrGetPtr(DNASTR_ASK_PAD_RELEASE), L"\U0001D11E clef");
    EXPECT_STREQ(dnaStrGetUtf8Ptr(DNASTR_ASK_PAD_RELEASE), "\xF0\x9D\x84\x9E clef");
    EXPECT_STREQ(dnaStrGetPtr(DNASTR_ASK_EXIT), L"\uFFFDone");
}

TEST_F(StringTable, GeneratorRefusesBadSources) {
    const struct {
        const char *why;
        std::string source;
    } cases[] = {
        {"number twice", fullSource() + "5\tFile again\n"},
        {"number the program does not use", fullSource() + "6\tSix\n"},
        {"used number missing", fullSource().substr(fullSource().find('\n', 20))},
        {"empty text", fullSource({{DNASTR_MENU_FILE, ""}})},
        {"257 units", fullSource({{DNASTR_MENU_FILE, repeat("x", 257)}})},
        {"bad UTF-8", fullSource({{DNASTR_MENU_FILE, "caf\xE9"}})},
        {"unknown escape", fullSource({{DNASTR_MENU_FILE, "a\\qb"}})},
        {"undefined name", fullSource({{DNASTR_MENU_FILE, "v@RELEASE@"}})},
        {"no separator", fullSource() + "12View\n"},
    };
    std::string table = dir / "out.zar";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(testWriteFile(dir / "bad.txt", c.source));
        EXPECT_EQ(runTool({dir / "bad.txt", table}), 1);
        EXPECT_EQ(testListDir(dir.path()), std::vector<std::string>{"bad.txt"});
    }
    ASSERT_TRUE(testWriteFile(dir / "good.txt", fullSource({{DNASTR_ABOUT_TEXT, "v@VERSION@ \\\\ \\t"}})));
    EXPECT_EQ(runTool({"-D", "VERSION=9.8", dir / "good.txt", table}), 0);
    std::string bytes = testReadFile(table);
    ASSERT_EQ(dnaStrOpenBuffer(bytes.data(), bytes.size(), "xx"), 0);
    EXPECT_STREQ(dnaStrGetUtf8Ptr(DNASTR_ABOUT_TEXT), "v9.8 \\ \t");
}

// --- Containers ---------------------------------------------------------------

void put(std::string &b, size_t at, uint32_t v, int width) {
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(Container, DamagedContainersAreRefusedAndLeftUnchanged) {
    const std::string good = testReadFile(tableFolder() + "/STRING_TABLE_en.zar");
    ASSERT_GT(good.size(), 100u);
    const uint32_t size = static_cast<uint32_t>(good.size());
    // The generator's layout: F = 24 (type table at 40), D = 48 (array table at 64), strings at 80.
    const struct {
        const char *why;
        size_t at;
        int width;  // 0: cut the file to `at` bytes
        uint32_t value;
        bool maps;  // the container itself is sound; only the string table is not
    } cases[] = {
        {"shorter than a header", 23, 0, 0, false},
        {"last string cut short", size - 1, 0, 0, false},
        {"format section past the end", 16, 4, size - 8, false},
        {"data section past the end", 20, 4, 0xFFFFFFF0u, false},
        {"type table past the end", 24 + 12, 4, 0x7FFFFFFFu, false},
        {"too many types", 24 + 4, 2, 0xFFFF, false},
        {"too many arrays", 48 + 4, 4, 0x20000000u, false},
        {"array table past the end", 48 + 8, 4, size, false},
        {"too many strings", 64 + 2, 2, 0xFFFF, false},
        {"type number out of range", 64, 2, 5, false},
        {"strings past the end", 64 + 4, 4, size - 48, false},
        {"element size too large", 40 + 2, 1, 0xFF, false},
        {"reference list past the end", 40 + 3, 1, 1, false},
        {"untyped with too many strings", 64, 4, 0xFFFFFFFFu, true},
        {"no string data", 64 + 4, 4, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        std::string bytes = c.width ? good : good.substr(0, c.at);
        if (c.width) {
            put(bytes, c.at, c.value, c.width);
            if (std::string(c.why) == "reference list past the end") put(bytes, 44, 0xFFFFFF00u, 4);
        }
        const std::string before = bytes;
        CzanArray view;
        EXPECT_EQ(view.Mapping(reinterpret_cast<uint8_t *>(bytes.data()), bytes.size()), c.maps ? 1 : 0);
        if (!c.maps) {
            EXPECT_EQ(bytes, before);
            EXPECT_EQ(view.GetDataNum(), 0);
            EXPECT_EQ(view.GetDataAddr(), nullptr);
        }
        EXPECT_EQ(dnaStrOpenBuffer(before.data(), before.size(), "en"), -1);
        EXPECT_EQ(dnaStrCount(), 0);
        EXPECT_STREQ(dnaStrGetUtf8Ptr(DNASTR_MENU_FILE), "DUMMY");
    }
    EXPECT_EQ(CzanArray().Mapping(nullptr, 100), 0);
    int count = 7;
    EXPECT_EQ(zanArrayMapping(nullptr, 0, &count), nullptr);
    EXPECT_EQ(count, 0);
}

// A container with references: type 0 (8-byte elements, a reference at 4),
// type 1 (4-byte elements); array 0 of type 0 with two elements, array 1 of
// type 1, array 2 without data.
std::string referenceContainer(uint32_t secondTarget) {
    std::string b(160, '\0');
    put(b, 16, 24, 4);         // F
    put(b, 20, 64, 4);         // D
    put(b, 24 + 4, 2, 2);      // two types
    put(b, 24 + 12, 16, 4);    // type table at F + 16
    put(b, 40, 8, 2);          // type 0: 8 bytes
    put(b, 43, 1, 1);          // one reference
    put(b, 44, 32, 4);         // its list at F + 32
    put(b, 48, 4, 2);          // type 1: 4 bytes
    put(b, 56, 4, 2);          // reference at offset 4
    put(b, 64 + 4, 3, 4);      // three arrays
    put(b, 64 + 8, 16, 4);     // array table at D + 16
    put(b, 80, 0, 2);          // array 0: type 0, 2 elements at D + 48
    put(b, 82, 2, 2);
    put(b, 84, 48, 4);
    put(b, 88, 1, 2);          // array 1: type 1, 1 element at D + 64
    put(b, 90, 1, 2);
    put(b, 92, 64, 4);
    put(b, 96, 0xFFFF, 2);     // array 2: untyped, no data
    put(b, 112 + 4, 1, 4);     // element 0 refers to array 1
    put(b, 120 + 4, secondTarget, 4);
    return b;
}

TEST(Container, ReferencesResolveOnceAndPointInsideTheFile) {
    std::string b = referenceContainer(2);
    auto *data = reinterpret_cast<uint8_t *>(b.data());
    CzanArray view(data, b.size());
    EXPECT_EQ(view.GetDataNum(), 2);
    EXPECT_EQ(view.GetDataAddr(), data + 112);
    EXPECT_EQ(view.GetDataAddr(1), data + 120);
    EXPECT_EQ(view.GetDataAddr(2), nullptr);
    uint32_t first, second;
    std::memcpy(&first, data + 116, 4);
    std::memcpy(&second, data + 124, 4);
    EXPECT_EQ(view.GetRefAddr(first), data + 128) << "array 1's data";
    EXPECT_EQ(view.GetRefAddr(second), nullptr) << "array 2 has no data";
    EXPECT_NE(data[15] & 0x80, 0) << "marked as mapped";

    const std::string mapped = b;
    EXPECT_EQ(view.Mapping(data, b.size()), 1);
    EXPECT_EQ(b, mapped) << "a second mapping changes nothing";

    std::string bad = referenceContainer(3);  // there is no array 3
    const std::string before = bad;
    EXPECT_EQ(CzanArray().Mapping(reinterpret_cast<uint8_t *>(bad.data()), bad.size()), 0);
    EXPECT_EQ(bad, before);
}

TEST(Container, AReferenceThatRewritesTheTablesIsUndone) {
    // Array 0's one element is its own array record, so resolving the
    // reference rewrites array 0's data offset: to array 1's offset, which
    // leaves too little room for the element, so the mapping must be refused.
    std::string b = referenceContainer(0);
    put(b, 80, 0, 2);
    put(b, 82, 1, 2);
    put(b, 84, 16, 4);  // array 0's element is the array table at D + 16; its bytes 4..7 are that offset
    put(b, 64 + 4, 17, 4);  // 17 arrays, so the offset 16 is also a valid array number
    b.resize(64 + 16 + 17 * 8 + 4, '\0');
    put(b, 64 + 16 + 16 * 8, 0xFFFF, 2);  // array 16: untyped, data 4 bytes before the end
    put(b, 64 + 16 + 16 * 8 + 4, static_cast<uint32_t>(b.size() - 64 - 4), 4);
    for (int a = 1; a < 16; ++a) put(b, 64 + 16 + a * 8, 0xFFFF, 2);
    const std::string before = b;
    EXPECT_EQ(CzanArray().Mapping(reinterpret_cast<uint8_t *>(b.data()), b.size()), 0);
    EXPECT_EQ(b, before);
}

}  // namespace
