// The command line. See cmdline.h.
#include "app/cmdline.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

struct sCmdline {
    char patch[kRliPathMax];  // the last *.s1e path
    bool patchAble;
    char alist[kRliPathMax];  // the last *.s1a path
    bool alistAble;
    char card[kRliPathMax];   // the card folder, ending in "/"
    bool cardAble;
};

sCmdline gCmd{};

bool store(char *dst, size_t cap, const char *path, bool slash) {
    size_t n = std::strlen(path);
    bool add = slash && (n == 0 || path[n - 1] != '/');
    if (n + (add ? 1 : 0) >= cap) return false;
    std::memcpy(dst, path, n);
    if (add) dst[n++] = '/';
    dst[n] = 0;
    return true;
}

// The extension of `path`, from its last dot after the last "/"; null when none.
const char *extension(const char *path) {
    const char *slash = std::strrchr(path, '/');
    const char *dot = std::strrchr(slash ? slash : path, '.');
    return dot;
}

bool isFolder(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

void cmdlineReset(void) { gCmd = sCmdline{}; }

int cmdlineSetFilename(const char *path) {
    if (!path) return 0;
    const char *ext = extension(path);
    if (!ext || ext[1] != 's' || ext[2] != '1') return 0;
    if (ext[3] == 'e' && store(gCmd.patch, sizeof gCmd.patch, path, false)) return gCmd.patchAble = true;
    if (ext[3] == 'a' && store(gCmd.alist, sizeof gCmd.alist, path, false)) return gCmd.alistAble = true;
    return 0;
}

int cmdlineArgParse(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (!arg || !*arg) continue;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return CMDLINE_HELP;
        if (std::strcmp(arg, "--version") == 0) return CMDLINE_VERSION;
        if (arg[0] == '-') continue;
        if (cmdlineSetFilename(arg) || !isFolder(arg)) continue;
        // As with the files, a later folder replaces an earlier one.
        gCmd.cardAble = store(gCmd.card, sizeof gCmd.card, arg, true);
    }
    return CMDLINE_RUN;
}

const char *cmdlineUsage(void) {
    return "usage: kvb-rt-wave-manager [FOLDER]\n"
           "  FOLDER      open this folder (a mounted card, or a copy of one) as the card\n"
           "  --help      show this text\n"
           "  --version   show the version\n";
}

int cmdlineGetPatchFilenameAble(void) { return gCmd.patchAble ? 1 : 0; }
const char *cmdlineGetPatchFilenamePtr(void) { return gCmd.patch; }
int cmdlineGetAlistFilenameAble(void) { return gCmd.alistAble ? 1 : 0; }
const char *cmdlineGetAlistFilenamePtr(void) { return gCmd.alist; }
const char *cmdlineGetCardFolderPtr(void) { return gCmd.cardAble ? gCmd.card : nullptr; }
