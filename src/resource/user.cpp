// The settings store. See user.h.
#include "resource/user.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/file.h"
#include "foundation/str.h"
#include "resource/le.h"

namespace {

// The body is the file from offset 8 on, as words; indices below are word
// indices into it (file offset = 8 + 4 x index).
constexpr size_t kBodyWords = (kUserFileSize - 8) / 4;
enum : size_t {
    W_POS_NOT_STORED = 0,
    W_LEFT = 1,
    W_TOP = 2,
    W_SHOW_TAG = 3,
    W_ORDER_NUMBER = 4,
    W_ORDER_ALPHABET = 5,
    W_KIT = 6,
    W_VOLUME = 7,
    W_RESERVED = 8,
    W_TAG_NUM = 9,
    W_TAG_NAMES = 10,
    W_TAG_OPEN = W_TAG_NAMES + kUserTagMax * kUserTagNameMax,
    W_FOLDERS = W_TAG_OPEN + kUserTagMax,
};
static_assert(W_FOLDERS * 4 + 8 == 1088);
static_assert(W_FOLDERS + 4 * kUserPathMax == kBodyWords);

// Order of the four folders in the file.
enum Folder : int { F_WAVE_IMPORT, F_WAVE_EXPORT, F_BACKUP_IMPORT, F_BACKUP_EXPORT, F_COUNT };

constexpr char kMagic[4] = {'u', 's', 'e', 'r'};
constexpr int kDefaultVolume = 500;

struct State {
    uint32_t body[kBodyWords];
    char tagName[kUserTagMax][kUserTagNameMax + 1];
    wchar_t folder[F_COUNT][kUserPathMax];
    char filePath[kRliPathMax];
    wchar_t documentPath[kRliPathMax];
};
State gUser;

void setDefaults(void) {
    std::memset(gUser.body, 0, sizeof gUser.body);
    gUser.body[W_POS_NOT_STORED] = 1;
    gUser.body[W_SHOW_TAG] = 1;
    gUser.body[W_ORDER_NUMBER] = 1;
    gUser.body[W_VOLUME] = kDefaultVolume;
}

// Lays out the whole file from the header and the body.
void encode(uint8_t *out) {
    std::memcpy(out, kMagic, 4);
    lePut32(out + 4, 0);
    for (size_t i = 0; i < kBodyWords; ++i) lePut32(out + 8 + 4 * i, gUser.body[i]);
}

std::string homeFolder(void) {
    const char *home = std::getenv("HOME");
    if (home && *home) return home;
    struct passwd pw;
    struct passwd *found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir) return found->pw_dir;
    return std::string();
}

// XDG_CONFIG_HOME counts only when absolute, as the base-directory rules say.
std::string configFolder(void) {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    std::string home = homeFolder();
    return home.empty() ? home : home + "/.config";
}

bool isFolder(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Reads XDG_DOCUMENTS_DIR from user-dirs.dirs: a quoted value that is either
// absolute or starts with "$HOME"; a backslash escapes the next character.
std::string xdgDocuments(const std::string &home) {
    std::string config = configFolder();
    if (config.empty()) return std::string();
    _sRliFile *f = rliFileOpenA((config + "/user-dirs.dirs").c_str(), cRLIFILE_MODE_READ, 65536);
    if (!f) return std::string();
    std::string text(reinterpret_cast<const char *>(rliFileGetDataAddr(f)));
    rliFileClose(f);

    std::string found;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 18, "XDG_DOCUMENTS_DIR=") != 0) continue;
        std::string value = line.substr(start + 18);
        if (value.size() < 2 || value[0] != '"') continue;
        std::string path;
        bool closed = false;
        for (size_t i = 1; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                path += value[++i];
            } else if (value[i] == '"') {
                closed = true;
                break;
            } else {
                path += value[i];
            }
        }
        if (!closed) continue;
        if (path.compare(0, 5, "$HOME") == 0 && (path.size() == 5 || path[5] == '/'))
            path = home + path.substr(5);
        else if (path.empty() || path[0] != '/')
            continue;
        found = path;  // the last assignment wins, as in a shell
    }
    return found;
}

const wchar_t *folderOrDocuments(Folder which) {
    const wchar_t *path = gUser.folder[which];
    if (path[0] && rliFileGetDirExist(path, nullptr) == 0) return path;
    return getUserDocumentPath();
}

int setFolder(Folder which, const wchar_t *path) {
    size_t n = path ? std::wcslen(path) : 0;
    if (n >= kUserPathMax) return -1;
    std::wmemset(gUser.folder[which], 0, kUserPathMax);
    if (n) std::wmemcpy(gUser.folder[which], path, n);
    return 0;
}

bool tagIndexOk(int i) { return i >= 0 && i < kUserTagMax; }

}  // namespace

// --- Life cycle -------------------------------------------------------------

int userInit(uint32_t *viewFlags) {
    std::memset(gUser.tagName, 0, sizeof gUser.tagName);
    std::memset(gUser.folder, 0, sizeof gUser.folder);
    const char *path = getUserFilePath();

    _sRliFile *f = path ? rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, static_cast<long>(kUserFileSize)) : nullptr;
    const uint8_t *data = rliFileGetDataAddr(f);
    // A short file is refused before anything is read from it.
    bool valid = f && rliFileGetDataSize(f) >= kUserFileSize && std::memcmp(data, kMagic, 4) == 0 &&
                 leGet32(data + 4) == 0;
    if (valid) {
        for (size_t i = 0; i < kBodyWords; ++i) gUser.body[i] = leGet32(data + 8 + 4 * i);
        if (viewFlags) {
            uint32_t v = *viewFlags & ~(USER_VIEW_ORDER_NUMBER | USER_VIEW_ORDER_ALPHABET | USER_VIEW_SHOW_TAG);
            if (gUser.body[W_SHOW_TAG]) v |= USER_VIEW_SHOW_TAG;
            if (gUser.body[W_ORDER_NUMBER]) v |= USER_VIEW_ORDER_NUMBER;
            if (gUser.body[W_ORDER_ALPHABET]) v |= USER_VIEW_ORDER_ALPHABET;
            *viewFlags = v;
        }
        for (int k = 0; k < F_COUNT; ++k) {
            const uint32_t *field = gUser.body + W_FOLDERS + k * kUserPathMax;
            // The last word is always the terminator, whatever the file holds.
            for (size_t j = 0; j + 1 < kUserPathMax && field[j]; ++j) gUser.folder[k][j] = static_cast<wchar_t>(field[j]);
        }
        for (int i = 0; i < kUserTagMax; ++i)
            for (int j = 0; j < kUserTagNameMax; ++j)
                gUser.tagName[i][j] = static_cast<char>(gUser.body[W_TAG_NAMES + i * kUserTagNameMax + j] & 0xFF);
    }
    rliFileClose(f);
    if (valid) return 0;

    setDefaults();
    if (path) {
        static uint8_t bytes[kUserFileSize];
        encode(bytes);
        (void)rliFileWriteAll(path, bytes, sizeof bytes);
    }
    return 0;
}

int userTerm(uint32_t viewFlags) {
    gUser.body[W_SHOW_TAG] = (viewFlags & USER_VIEW_SHOW_TAG) ? 1 : 0;
    gUser.body[W_ORDER_NUMBER] = (viewFlags & USER_VIEW_ORDER_NUMBER) ? 1 : 0;
    gUser.body[W_ORDER_ALPHABET] = (viewFlags & USER_VIEW_ORDER_ALPHABET) ? 1 : 0;
    for (int i = 0; i < kUserTagMax; ++i)
        for (int j = 0; j < kUserTagNameMax; ++j)
            gUser.body[W_TAG_NAMES + i * kUserTagNameMax + j] =
                static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(gUser.tagName[i][j])));
    for (int k = 0; k < F_COUNT; ++k)
        for (size_t j = 0; j < kUserPathMax; ++j)
            gUser.body[W_FOLDERS + k * kUserPathMax + j] = static_cast<uint32_t>(gUser.folder[k][j]);

    const char *path = getUserFilePath();
    if (!path || !isFile(path)) return -1;
    static uint8_t bytes[kUserFileSize];
    encode(bytes);
    return rliFileWriteAll(path, bytes, sizeof bytes) == 0 ? 0 : -1;
}

// --- Paths ------------------------------------------------------------------

const char *getUserFilePath(void) {
    std::string folder = configFolder();
    if (folder.empty()) return nullptr;
    folder += "/Korvan/KVB-RT Wave Manager";
    // The whole chain from "/": a fresh home may lack even ".config". A
    // failure is left to the open that follows to notice.
    (void)rliDirCreateChain("/", folder.c_str(), 0);
    std::string path = folder + "/user";
    if (path.size() >= sizeof gUser.filePath) return nullptr;
    std::memcpy(gUser.filePath, path.c_str(), path.size() + 1);
    return gUser.filePath;
}

const wchar_t *getUserDocumentPath(void) {
    std::string home = homeFolder();
    std::string chosen = xdgDocuments(home);
    if (chosen.empty() || !isFolder(chosen)) {
        chosen = home + "/Documents";
        if (home.empty() || !isFolder(chosen)) chosen = home.empty() ? "/" : home;
    }
    if (chosen.back() != '/') chosen += '/';
    if (utf8towchar(gUser.documentPath, kRliPathMax, chosen.c_str()) < 0) {
        // Only a home path longer than any path Linux accepts gets here.
        gUser.documentPath[0] = L'/';
        gUser.documentPath[1] = 0;
    }
    return gUser.documentPath;
}

// --- Main window and view ---------------------------------------------------

int userGetWinUtilityInit(void) { return static_cast<int>(gUser.body[W_POS_NOT_STORED]); }

void userGetWinUtility(int *x, int *y) {
    if (x) *x = static_cast<int>(gUser.body[W_LEFT]);
    if (y) *y = static_cast<int>(gUser.body[W_TOP]);
}

void userSetWinUtility(int x, int y) {
    gUser.body[W_LEFT] = static_cast<uint32_t>(x);
    gUser.body[W_TOP] = static_cast<uint32_t>(y);
    gUser.body[W_POS_NOT_STORED] = 0;
}

int userGetSwitchTag(void) { return static_cast<int>(gUser.body[W_SHOW_TAG]); }
int userGetOrderNumber(void) { return static_cast<int>(gUser.body[W_ORDER_NUMBER]); }
int userGetOrderAlphabet(void) { return static_cast<int>(gUser.body[W_ORDER_ALPHABET]); }

// --- Kit and preview ----------------------------------------------------------

int userGetKitIndex(void) { return static_cast<int>(gUser.body[W_KIT]); }
void userSetKitIndex(int index) { gUser.body[W_KIT] = static_cast<uint32_t>(index); }
int userGetPlayerVolume(void) { return static_cast<int>(gUser.body[W_VOLUME]); }
void userSetPlayerVolume(int volume) { gUser.body[W_VOLUME] = static_cast<uint32_t>(volume); }

// --- Categories ---------------------------------------------------------------

int userGetTagNum(void) {
    auto n = static_cast<int32_t>(gUser.body[W_TAG_NUM]);
    return n < 0 ? 0 : n > kUserTagMax ? kUserTagMax : n;
}

void userSetTagNum(int n) {
    gUser.body[W_TAG_NUM] = static_cast<uint32_t>(n < 0 ? 0 : n > kUserTagMax ? kUserTagMax : n);
}

const char *userGetTagName(int i) { return tagIndexOk(i) ? gUser.tagName[i] : ""; }

void userSetTagName(int i, const char *name) {
    if (!tagIndexOk(i)) return;
    std::memset(gUser.tagName[i], 0, sizeof gUser.tagName[i]);
    if (name) std::strncpy(gUser.tagName[i], name, kUserTagNameMax);
}

int userGetTagOpenStatus(int i) { return tagIndexOk(i) && gUser.body[W_TAG_OPEN + i] ? 1 : 0; }

void userSetTagOpenStatus(int i, int open) {
    if (tagIndexOk(i)) gUser.body[W_TAG_OPEN + i] = open ? 1 : 0;
}

// --- Default folders ------------------------------------------------------------

const wchar_t *userGetWaveImportDefaultPathPtr(void) { return folderOrDocuments(F_WAVE_IMPORT); }
const wchar_t *userGetWaveExportDefaultPathPtr(void) { return folderOrDocuments(F_WAVE_EXPORT); }
const wchar_t *userGetBackupImportDefaultPathPtr(void) { return folderOrDocuments(F_BACKUP_IMPORT); }
const wchar_t *userGetBackupExportDefaultPathPtr(void) { return folderOrDocuments(F_BACKUP_EXPORT); }
int userSetWaveImportDefaultPathPtr(const wchar_t *path) { return setFolder(F_WAVE_IMPORT, path); }
int userSetWaveExportDefaultPathPtr(const wchar_t *path) { return setFolder(F_WAVE_EXPORT, path); }
int userSetBackupImportDefaultPathPtr(const wchar_t *path) { return setFolder(F_BACKUP_IMPORT, path); }
int userSetBackupExportDefaultPathPtr(const wchar_t *path) { return setFolder(F_BACKUP_EXPORT, path); }
