// The data files read at start-up. See fileinit.h.
#include "app/fileinit.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <unistd.h>

#include "foundation/global.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"
#include "resource/pack.h"

namespace {

char gError[kRliPathMax + 256] = "";

int fail(const std::string &folder, const char *file, const std::string &what) {
    std::snprintf(gError, sizeof gError, "%s: %s (looked for in %s)", file, what.c_str(), folder.c_str());
    return -1;
}

// Reads the file at `path` whole into the next open-file record, with the
// loader's current directory cleared so that the path is taken as it is.
// `pack`: checked as a resource pack. Returns the record, null on failure
// (the reason of a damaged pack in `reason`).
sRkeFile *load(const std::string &path, bool pack, char *reason, size_t cap) {
    wchar_t wide[kRliPathMax];
    if (utf8towchar(wide, kRliPathMax, path.c_str()) < 0) return nullptr;
    wchar_t saved[kGlobalDirMax];
    std::memcpy(saved, G.currentDir, sizeof saved);
    G.currentDir[0] = 0;
    sRkeFile *f = pack ? rkePackLoad(wide, reason, cap) : rkeFileAlloc(wide, cRLIFILE_MODE_READ_BINARY, -1);
    std::memcpy(G.currentDir, saved, sizeof saved);
    return f;
}

}  // namespace

int fileInit(const char *dataFolder) {
    gError[0] = 0;
    char installed[kRliPathMax];
    std::string data = dataFolder ? dataFolder : "";
    if (!dataFolder) {
        if (ghostGetDataPath(installed, sizeof installed, "") < 0)
            return fail("the application folder", "kvb-rt-wave-manager", "the installed data folder cannot be found");
        data = installed;
    }
    if (!data.empty() && data.back() == '/') data.pop_back();

    // The pictures first: the open-file list holds the pack, then the table.
    std::string resource = data + "/resource";
    char reason[256] = "";
    if (!load(resource + "/pack.bin", true, reason, sizeof reason)) {
        bool there = access((resource + "/pack.bin").c_str(), F_OK) == 0;
        return fail(resource, "pack.bin", there ? std::string("damaged: ") + reason : "missing");
    }

    std::string language = data + "/language";
    const char *wanted = osGetISO();
    if (dnaStrOpen(language.c_str(), wanted) < 0) {
        // Both the language's own table and the English one failed; the
        // English one is what the user has to put back.
        std::string en = language + "/STRING_TABLE_en.zar";
        fileTerm();
        return fail(language, "STRING_TABLE_en.zar", access(en.c_str(), R_OK) == 0 ? "damaged" : "missing");
    }
    // The fallback took English: the interface language is English from now on.
    if (strcasecmp(dnaStrLanguage(), wanted) != 0) osSetISO(dnaStrLanguage());
    // The table's own bytes, for the resource number that names it.
    load(language + "/STRING_TABLE_" + dnaStrLanguage() + ".zar", false, nullptr, 0);
    return 0;
}

void fileTerm(void) {
    dnaStrClose();
    fileLinkReset();
    rkeFileDisposeAll();
}

const char *fileInitError(void) { return gError; }
