// The settings store: exact bytes, every field through a save and a load,
// refused files, and the folder fallbacks.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "foundation/fault.h"
#include "resource/user.h"
#include "support/test_util.h"

namespace {

uint32_t wordAt(const std::string &bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return v;
}

void putWord(std::string &bytes, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(v >> (8 * i));
}

// The file a first run writes, built from the field table rather than the code.
std::string defaultFile() {
    std::string bytes(kUserFileSize, '\0');
    bytes.replace(0, 4, "user");
    putWord(bytes, 8, 1);
    putWord(bytes, 20, 1);
    putWord(bytes, 24, 1);
    putWord(bytes, 36, 500);
    return bytes;
}

// Every test gets its own home and configuration folder, so the real user's
// settings are never touched.
class UserStore : public testing::Test {
protected:
    ScratchDir dir;
    std::string home = dir / "home";
    std::string config = dir / "config";
    ScopedEnv homeEnv{"HOME", home.c_str()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", config.c_str()};
    std::string file = config + "/Korvan/KVB-RT Wave Manager/user";
    uint32_t flags = 5;  // the view flags userInit is handed and may change

    void SetUp() override { std::filesystem::create_directories(home); }
    void writeSettings(const std::string &bytes) {
        std::filesystem::create_directories(config + "/Korvan/KVB-RT Wave Manager");
        ASSERT_TRUE(testWriteFile(file, bytes));
    }
};

TEST_F(UserStore, FirstRunCreatesTheDefaultFileInMissingFoldersUnderTheConfigFolder) {
    EXPECT_EQ(userInit(&flags), 0);
    EXPECT_EQ(flags, 5u);
    EXPECT_EQ(testReadFile(file), defaultFile());
    EXPECT_EQ(userGetWinUtilityInit(), 1);
    EXPECT_EQ(userGetPlayerVolume(), 500);
    EXPECT_EQ(userGetSwitchTag(), 1);
    EXPECT_EQ(userGetOrderNumber(), 1);
    EXPECT_EQ(userGetOrderAlphabet(), 0);
    EXPECT_EQ(userGetTagNum(), 0);
    EXPECT_STREQ(userGetTagName(0), "");

    // Without a configuration folder named, it is .config under home.
    ScopedEnv unset{"XDG_CONFIG_HOME", nullptr};
    userInit(&flags);
    EXPECT_EQ(testReadFile(home + "/.config/Korvan/KVB-RT Wave Manager/user"), defaultFile());
    ScopedEnv relative{"XDG_CONFIG_HOME", "relative/config"};
    EXPECT_STREQ(getUserFilePath(), (home + "/.config/Korvan/KVB-RT Wave Manager/user").c_str());
}

TEST_F(UserStore, EveryFieldSurvivesASaveAndALoad) {
    userInit(&flags);
    std::string importDir = home + "/Sämples 🥁";
    std::string restoreDir = home + "/バックアップ";
    for (const std::string &d : {importDir, restoreDir, home + "/export", home + "/save"})
        std::filesystem::create_directories(d);

    userSetWinUtility(-20, 1080);
    userSetKitIndex(99);
    userSetPlayerVolume(731);
    userSetTagNum(3);
    userSetTagName(0, "KICK");
    userSetTagName(1, "\xE9tude");
    userSetTagName(2, "SNARES AND RIMS");  // 15 bytes: stored cut to 12
    userSetTagOpenStatus(0, 1);
    userSetTagOpenStatus(2, 7);
    ASSERT_EQ(userSetWaveImportDefaultPathPtr((testWide(importDir) + L"/").c_str()), 0);
    ASSERT_EQ(userSetWaveExportDefaultPathPtr(testWide(home + "/export/").c_str()), 0);
    ASSERT_EQ(userSetBackupImportDefaultPathPtr(testWide(restoreDir + "/").c_str()), 0);
    ASSERT_EQ(userSetBackupExportDefaultPathPtr(testWide(home + "/save/").c_str()), 0);
    ASSERT_EQ(userTerm(USER_VIEW_ORDER_ALPHABET | USER_VIEW_AUTO_PLAY), 0);

    std::string bytes = testReadFile(file);
    ASSERT_EQ(bytes.size(), kUserFileSize);
    // Offset and word: the window's place and first-time flag, the view
    // order, the kit, the volume, the category count, two open flags.
    const std::pair<size_t, uint32_t> words[] = {{8, 0},  {12, uint32_t(-20)}, {16, 1080}, {20, 0}, {24, 0}, {28, 1},
                                                 {32, 99}, {36, 731},         {44, 3},     {1008, 1}, {1016, 1}};
    for (auto [offset, word] : words) EXPECT_EQ(wordAt(bytes, offset), word) << "offset " << offset;
    EXPECT_EQ(wordAt(bytes, 48 + 48), 0xFFFFFFE9u) << "a high name byte is sign-extended";
    EXPECT_EQ(wordAt(bytes, 48 + 48 + 4), static_cast<uint32_t>('t'));
    EXPECT_EQ(wordAt(bytes, 48 + 96 + 44), static_cast<uint32_t>('R')) << "12th byte of the long name";
    std::wstring importWide = testWide(importDir);
    EXPECT_EQ(wordAt(bytes, 1088 + 4 * (importWide.size() - 1)), 0x1F941u) << "one UTF-32 word per character";
    EXPECT_EQ(wordAt(bytes, 9280 + 4 * (testWide(home).size() + 1)), static_cast<uint32_t>(L'バ'));

    // Other values in memory, so that what the getters give below can only come from the file.
    userSetWinUtility(0, 0);
    userSetKitIndex(0);
    userSetPlayerVolume(0);
    userSetTagNum(0);
    flags = 5;
    userInit(&flags);
    EXPECT_EQ(flags, USER_VIEW_ORDER_ALPHABET) << "auto play is never restored";
    int x = 0, y = 0;
    userGetWinUtility(&x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(-20, 1080));
    EXPECT_EQ(userGetWinUtilityInit(), 0);
    EXPECT_EQ(userGetKitIndex(), 99);
    EXPECT_EQ(userGetPlayerVolume(), 731);
    EXPECT_EQ(userGetTagNum(), 3);
    EXPECT_STREQ(userGetTagName(0), "KICK");
    EXPECT_STREQ(userGetTagName(1), "\xE9tude");
    EXPECT_STREQ(userGetTagName(2), "SNARES AND R");
    EXPECT_STREQ(userGetTagName(3), "");
    EXPECT_EQ(userGetTagOpenStatus(0), 1);
    EXPECT_EQ(userGetTagOpenStatus(1), 0);
    EXPECT_EQ(userGetTagOpenStatus(2), 1);
    EXPECT_EQ(std::wstring(userGetWaveImportDefaultPathPtr()), importWide + L"/");
    EXPECT_EQ(std::wstring(userGetWaveExportDefaultPathPtr()), testWide(home + "/export/"));
    EXPECT_EQ(std::wstring(userGetBackupImportDefaultPathPtr()), testWide(restoreDir + "/"));
    EXPECT_EQ(std::wstring(userGetBackupExportDefaultPathPtr()), testWide(home + "/save/"));
    EXPECT_EQ(userTerm(flags), 0);
    EXPECT_EQ(testReadFile(file), bytes) << "a load and a save change nothing";
}

TEST_F(UserStore, RefusedFilesAreReplacedByDefaults) {
    std::string good = defaultFile();
    putWord(good, 24, 0);  // by number off: a valid file would clear bit 0
    std::string wrongMagic = good;
    wrongMagic[0] = 'U';
    std::string wrongVersion = good;
    putWord(wrongVersion, 4, 1);
    const struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"wrong magic", wrongMagic},
        {"version 1", wrongVersion},
        {"one byte short", good.substr(0, kUserFileSize - 1)},
        {"header only", good.substr(0, 8)},
        {"empty", std::string()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeSettings(c.bytes);
        flags = 5;
        EXPECT_EQ(userInit(&flags), 0);
        EXPECT_EQ(flags, 5u);
        EXPECT_EQ(userGetOrderNumber(), 1);
        EXPECT_EQ(testReadFile(file), defaultFile());
    }
}

TEST_F(UserStore, OutOfRangeOrVanishedStoredValuesAreReplacedAndTheDocumentsFolderFollowsTheXdgRules) {
    std::string bytes = defaultFile();
    putWord(bytes, 44, 57);
    // A folder field with no terminator anywhere in its 1024 words.
    for (size_t i = 0; i < kUserPathMax; ++i) putWord(bytes, 1088 + 4 * i, 'a');
    writeSettings(bytes);
    userInit(&flags);
    EXPECT_EQ(userGetTagNum(), 20);
    EXPECT_EQ(std::wstring(userGetWaveImportDefaultPathPtr()), std::wstring(getUserDocumentPath()));
    putWord(bytes, 44, 0xFFFFFFFDu);
    writeSettings(bytes);
    userInit(&flags);
    EXPECT_EQ(userGetTagNum(), 0);

    userSetTagNum(25);
    EXPECT_EQ(userGetTagNum(), 20);
    userSetTagName(20, "X");
    userSetTagOpenStatus(-1, 1);
    EXPECT_STREQ(userGetTagName(20), "");
    EXPECT_EQ(userGetTagOpenStatus(-1), 0);
    std::wstring tooLong(kUserPathMax, L'a');
    EXPECT_EQ(userSetWaveImportDefaultPathPtr(tooLong.c_str()), -1);
    EXPECT_EQ(userSetWaveImportDefaultPathPtr(tooLong.substr(1).c_str()), 0);

    // A stored folder that has vanished, or none stored, gives the documents folder.
    std::filesystem::create_directories(home + "/Documents");
    std::filesystem::create_directories(home + "/drums");
    userSetWaveImportDefaultPathPtr(testWide(home + "/drums/").c_str());
    userTerm(flags);
    std::filesystem::remove(home + "/drums");
    userInit(&flags);
    EXPECT_EQ(std::wstring(userGetWaveImportDefaultPathPtr()), testWide(home + "/Documents/"));
    EXPECT_EQ(std::wstring(userGetBackupExportDefaultPathPtr()), testWide(home + "/Documents/"));
    // The documents folder follows the XDG rules.
    const std::string dirs = config + "/user-dirs.dirs";
    std::filesystem::create_directories(home + "/Dokumente");
    std::filesystem::create_directories(dir / "elsewhere");
    const struct {
        std::optional<std::string> dirsFile;  // none: no user-dirs.dirs
        bool documentsExists;
        std::string expected;
    } cases[] = {
        {"# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", true, home + "/Dokumente/"},
        {"XDG_DOCUMENTS_DIR=\"" + (dir / "elsewhere") + "\"\n", false, dir / "elsewhere/"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Missing\"\n", true, home + "/Documents/"},
        {"XDG_DOCUMENTS_DIR=\"relative/path\"\n", false, home + "/"},
        {std::nullopt, true, home + "/Documents/"},
        {std::nullopt, false, home + "/"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        std::filesystem::remove(dirs);
        if (c.dirsFile) {
            ASSERT_TRUE(testWriteFile(dirs, *c.dirsFile));
        }
        std::filesystem::remove(home + "/Documents");
        if (c.documentsExists) std::filesystem::create_directories(home + "/Documents");
        EXPECT_EQ(std::wstring(getUserDocumentPath()), testWide(c.expected));
    }
}

TEST_F(UserStore, AFailedSaveLeavesThePreviousFileWholeAndAVanishedOneGone) {
    userInit(&flags);
    std::string before = testReadFile(file);
    userSetKitIndex(42);
    for (long n = 1;; ++n) {
        rliFaultFileArm(n, ENOSPC, false);
        int r = userTerm(flags);
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        if (!fired) {
            EXPECT_EQ(r, 0);
            EXPECT_GT(n, 3) << "the save went through fewer gated steps than a safe write takes";
            break;
        }
        EXPECT_EQ(r, -1);
        EXPECT_EQ(testReadFile(file), before) << "failing step " << n;
        EXPECT_EQ(testListDir(config + "/Korvan/KVB-RT Wave Manager"), std::vector<std::string>{"user"});
    }
    EXPECT_EQ(wordAt(testReadFile(file), 32), 42u);
    // Nor is a vanished file made again.
    std::filesystem::remove(file);
    EXPECT_EQ(userTerm(flags), -1);
    EXPECT_FALSE(testExists(file));
}

}  // namespace
