// Text forms, name checks, path splitting and the small string functions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/mem.h"
#include "foundation/str.h"
#include "support/test_util.h"

namespace {

// --- Shift-JIS ----------------------------------------------------------------

struct SjisCase {
    const char *utf8;
    const char *sjis;  // the bytes the device stores
};

const SjisCase kSjisNames[] = {
    {"Kick 01", "Kick 01"},
    {"\xE3\x82\xAD\xE3\x83\x83\xE3\x82\xAF", "\x83\x4C\x83\x62\x83\x4E"},                      // katakana
    {"\xE5\xA4\xAA\xE9\xBC\x93", "\x91\xBE\x8C\xDB"},                                          // kanji
    {"\xEF\xBD\xB6\xEF\xBE\x9D", "\xB6\xDD"},                                                  // half-width kana
    {"a\\b~c", "a\\b~c"},                                                                      // ASCII as is
    {"\xE9\xAB\x98\xE2\x91\xA0", "\x8D\x82\x87\x40"},  // kanji and a code-page 932 extra
};

TEST(Sjis, NamesRoundTripThroughWideAndUtf8) {
    for (const auto &c : kSjisNames) {
        SCOPED_TRACE(c.utf8);
        wchar_t wide[64];
        int outBytes = -1;
        ASSERT_GE(rliStringSjisToUtf16be(wide, 64, &outBytes, c.sjis), 0);
        EXPECT_EQ(outBytes, static_cast<int>(4 * std::strlen(c.sjis)));
        EXPECT_EQ(std::wstring(wide), testWide(c.utf8));

        char back[64];
        int len = -1, lost = -1;
        ASSERT_GE(rliStringUtf16beToSjis(back, sizeof back, &len, wide, &lost), 0);
        EXPECT_EQ(std::string(back), c.sjis);
        EXPECT_EQ(len, static_cast<int>(std::strlen(c.sjis)));
        EXPECT_EQ(lost, 0);

        EXPECT_EQ(strSjisToUtf8(c.sjis), c.utf8);
        EXPECT_EQ(strUtf8ToSjis(c.utf8), c.sjis);
    }
}

TEST(Sjis, InvalidBytesBecomeOneReplacementEachAndMissingCharactersSpaces) {
    struct {
        const char *sjis;
        std::wstring want;
    } cases[] = {
        {"a\x80" "b", L"a\uFFFDb"},                 // undefined single byte
        {"\x83", L"\uFFFD"},                      // lead byte cut off at the end
        {"\x83\x4C\x83", L"\u30AD\uFFFD"},        // valid, then a lone lead byte
        {"\xA0\xFD\xFE\xFF" "x", L"\uFFFD\uFFFD\uFFFD\uFFFDx"},
    };
    for (const auto &c : cases) {
        wchar_t wide[32];
        EXPECT_GE(rliStringSjisToUtf16be(wide, 32, nullptr, c.sjis), 0);
        EXPECT_EQ(std::wstring(wide), c.want);
    }
    // A fixed-width name field need not be terminated.
    const char field[4] = {'K', 'i', 'c', 'k'};
    wchar_t wide[8];
    EXPECT_EQ(rliStringSjisToUtf16beN(wide, 8, field, 4), 4);
    EXPECT_EQ(std::wstring(wide), L"Kick");

    // The other way, characters Shift-JIS lacks become spaces and are counted.
    const wchar_t text[] = {0xFEFF, L'a', 0x00E9, L'b', 0x1F600, 0};
    char out[16];
    int len = 0, lost = 0;
    EXPECT_EQ(rliStringUtf16beToSjis(out, sizeof out, &len, text, &lost), 4);
    EXPECT_STREQ(out, "a b ");
    EXPECT_EQ(lost, 2);
    int lost2 = 0;
    EXPECT_EQ(strUtf8ToSjis("caf\xC3\xA9", &lost2), "caf ");
    EXPECT_EQ(lost2, 1);
}

TEST(Sjis, SmallDestinationsAreNeverOverrunNorSplitInsideACharacter) {
    const wchar_t kana[] = {0x30AD, 0x30C3, 0x30AF, 0};  // three 2-byte characters
    char out[6];
    std::memset(out, 0x55, sizeof out);
    EXPECT_EQ(rliStringUtf16beToSjis(out, 4, nullptr, kana), -1);
    EXPECT_EQ(std::string(out), "\x83\x4C");  // one whole character, not one and a half
    EXPECT_EQ(out[4], 0x55);

    wchar_t wide[3];
    wide[2] = 0x1234;
    EXPECT_EQ(rliStringSjisToUtf16be(wide, 2, nullptr, "abc"), -1);
    EXPECT_EQ(std::wstring(wide), L"a");
    EXPECT_EQ(wide[2], 0x1234);

    EXPECT_EQ(rliStringSjisToUtf16be(wide, 2, nullptr, nullptr), 0);
    EXPECT_EQ(rliStringUtf16beToSjis(out, sizeof out, nullptr, nullptr), 0);
}

// --- UTF-8 --------------------------------------------------------------------

TEST(Utf8, EncodingLengthsFollowTheCodePointAndNoCharacterIsSplit) {
    struct {
        uint32_t cp;
        const char *bytes;
    } cases[] = {
        {0x41, "A"}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"}, {0x10000, "\xF0\x90\x80\x80"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto &c : cases) {
        char out[5] = {};
        int n = chtoutf8(c.cp, out);
        EXPECT_EQ(std::string(out, static_cast<size_t>(n)), c.bytes) << std::hex << c.cp;
    }
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(chtoutf8(0x200000, out), 0);
    EXPECT_EQ(out[0], 'x');
    // Wide to UTF-8 never splits a character.
    const wchar_t text[] = {L'a', 0x30AD, 0};
    EXPECT_EQ(wcs2utf8s(out, sizeof out, text), -1);
    EXPECT_STREQ(out, "a");
    char big[16];
    int len = 0;
    EXPECT_EQ(rliStringUtf16beToUtf8(big, sizeof big, &len, text), 4);
    EXPECT_EQ(len, 4);
    char *end = nullptr;
    EXPECT_EQ(rliStringSjisToUtf8(big, sizeof big, &end, "\x83\x4C"), 3);
    EXPECT_EQ(end, big + 3);
    EXPECT_EQ(rliStringUtf8ToSjis(big, sizeof big, &len, "\xE3\x82\xAD"), 2);
    EXPECT_STREQ(big, "\x83\x4C");
}

TEST(Utf8, MalformedInputBecomesQuestionMarksAndDecodingGoesOn) {
    struct {
        const char *bytes;
        std::wstring want;
    } cases[] = {
        {"\xC3\x28", L"?("},                     // lead without its continuation
        {"\xE3\x82", L"??"},                     // cut short at the end
        {"a\x80" "b", L"a?b"},                  // stray continuation byte
        {"\xFF\xFE", L"??"},                     // bytes that start nothing
        {"\xC0\x80z", L"??z"},                   // an encoded zero would end the text early
        {"\xE3\x82\xAD", L"\u30AD"},
        {"\xF0\x9F\x98\x80!", L"\U0001F600!"},
        {"plain", L"plain"},
    };
    for (const auto &c : cases) {
        wchar_t out[16];
        int n = utf8towchar(out, 16, c.bytes);
        EXPECT_EQ(std::wstring(out), c.want);
        EXPECT_EQ(n, static_cast<int>(c.want.size()));
    }
    wchar_t out[4];
    EXPECT_EQ(utf8towchar(out, 4, nullptr), 0);
    EXPECT_EQ(utf8towchar(out, 3, "abcd"), -1);
    EXPECT_EQ(std::wstring(out), L"ab");
}

// --- Names and paths ----------------------------------------------------------

TEST(Names, CheckAcceptsPlainNamesAndRefusesForbiddenOnes) {
    struct {
        std::string name;
        int ok;
    } cases[] = {
        {"", 1}, {"Kick 01", 1}, {"snare.wav", 1}, {"\x83\x4C\x83\x62", 1}, {"a,b", 0}, {"a;b", 0},
        {"a/b", 0}, {"a\\b", 0}, {"what?", 0}, {"C:", 0}, {"*", 0}, {"\"q\"", 0}, {"a|b", 0}, {"<x>", 0},
        {std::string(1024, 'x'), 1}, {std::string(1025, 'x'), 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(strCheckFileNameA(c.name.c_str()), c.ok) << c.name.substr(0, 20);
        std::wstring w(c.name.begin(), c.name.end());
        if (c.name.size() <= 512 || c.ok == 0) {
            EXPECT_EQ(strCheckFileName(w.c_str()), c.ok);
        }
    }
    // The wide form counts two bytes a character: 512 characters pass, 513 do not.
    EXPECT_EQ(strCheckFileName(std::wstring(512, L'x').c_str()), 1);
    EXPECT_EQ(strCheckFileName(std::wstring(513, L'x').c_str()), 0);
}

TEST(Paths, SplitTable) {
    struct {
        const char *path;
        int result;
        const char *dir, *name, *ext;
    } cases[] = {
        {"/media/u/Drums, 2024/Korvan/KVB-RT/WAVE/00/0001.wav", 0, "/media/u/Drums, 2024/Korvan/KVB-RT/WAVE/00/",
         "0001", ".wav"},
        {"C:/dir/sub/file.name.wav", 0, "C:/dir/sub/", "file.name", ".wav"},
        {"Kick, hard.wav", 0, "", "Kick, hard", ".wav"},
        {"file.", 0, "", "file", ""},
        {"file.wav..", 0, "", "file", ".wav.."},
        {"noext", 0, "", "noext", ""},
        {"dir/what?.wav", 0, "dir/", "what?", ".wav"},
        {"back\\slash.aif", 0, "", "back\\slash", ".aif"},  // a legal Linux name, not a separator
        {"/a/b/", 0, "/a/b/", "", ""},
        {"/a/..", 0, "/a/", "..", ""},
        {".hidden", 0, "", "", ".hidden"},
        {"", -1, "", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        char drive[kRliPathMax], dir[kRliPathMax], name[kRliPathMax], ext[kRliPathMax];
        EXPECT_EQ(rliStringSplitpathA(drive, dir, name, ext, c.path), c.result);
        EXPECT_STREQ(drive, "");
        EXPECT_STREQ(dir, c.dir);
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(ext, c.ext);

        wchar_t wdrive[kRliPathMax], wdir[kRliPathMax], wname[kRliPathMax], wext[kRliPathMax];
        EXPECT_EQ(rliStringSplitpath(wdrive, wdir, wname, wext, testWide(c.path).c_str()), c.result);
        EXPECT_EQ(std::wstring(wdir), testWide(c.dir));
        EXPECT_EQ(std::wstring(wname), testWide(c.name));
        EXPECT_EQ(std::wstring(wext), testWide(c.ext));
    }
    char name[kRliPathMax];
    EXPECT_EQ(rliStringSplitpathA(nullptr, nullptr, name, nullptr, nullptr), -1);
    std::string tooLong(kRliPathMax, 'a');
    EXPECT_EQ(rliStringSplitpathA(nullptr, nullptr, name, nullptr, tooLong.c_str()), -1);
    EXPECT_STREQ(name, "");
}

// --- Small string functions ---------------------------------------------------

TEST(SmallStrings, SearchesCompareNumbersExtensionsAndDuplicates) {
    const char *t = "a.b.c";
    EXPECT_EQ(strFindFirstOfA(t, 5, '.'), 1);
    EXPECT_EQ(strFindLastOfA(t, 5, '.'), 3);
    EXPECT_EQ(strFindLastOfA(t, 3, 'c'), -1);  // only the first `length` characters count
    EXPECT_EQ(strFindLastNotOfA("ab..", 4, '.'), 1);
    EXPECT_EQ(strFindLastNotOf(L"...", 3, L'.'), -1);
    EXPECT_EQ(strFindFirstOf(L"xyz", 3, L'z'), 2);

    EXPECT_EQ(rliStrCaseCmp("ABC", "abd"), -1);
    EXPECT_EQ(rliStrCaseCmp("abc", "ABC"), 0);
    EXPECT_EQ(rliStrIcmp("abd", "ABC"), 1);
    EXPECT_EQ(rliStrCaseCmp("ab", "abc"), -1);
    EXPECT_EQ(rliStrCaseCmp("ab\xE0", "ab"), -1);  // high bytes compare as signed

    EXPECT_EQ(rliStrAtoi64("12a3"), 1203);
    EXPECT_EQ(rliStrAtoi64("-5"), 5);
    EXPECT_EQ(rliStrAtoi64(""), 0);
    EXPECT_EQ(rliStrAtoi64("9223372036854775807"), INT64_MAX);
    rliStrAtoi64("123456789012345678901234567890");  // must not overflow a signed value
    char name[] = "loop.wav.wav";
    EXPECT_EQ(rliStringExtDelete(name, ".wav"), name + 4);
    EXPECT_STREQ(name, "loop");
    char other[] = "loop";
    EXPECT_EQ(rliStringExtDelete(other, ".aif"), nullptr);
    EXPECT_STREQ(other, "loop");
    wchar_t wname[] = L"a.aif";
    EXPECT_NE(rliStringExtDelete(wname, L".aif"), nullptr);
    EXPECT_EQ(std::wstring(wname), L"a");

    char *d = rliStrDupn("abcdef", 3);
    EXPECT_STREQ(d, "abc");
    EXPECT_STREQ((reinterpret_cast<sMemHead *>(d) - 1)->owner, "StrDup");
    memFree(d);
    EXPECT_EQ(rliStrDup(nullptr), nullptr);
    memTestFailNth(1, false);
    EXPECT_EQ(rliStrDup("x"), nullptr);
    memTestFailNth(0, false);
}

}  // namespace
