// The data files read at start-up. See fileinit.h.
#include "app/fileinit.h"

#include <cstdio>
#include <string>
#include <strings.h>
#include <unistd.h>

#include "foundation/str.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"

namespace {

char gError[kRliPathMax + 128] = "";

int fail(const std::string &folder, const char *file, const char *what) {
    std::snprintf(gError, sizeof gError, "%s: %s (looked for in %s)", file, what, folder.c_str());
    return -1;
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
    std::string folder = data + "/language";

    const char *wanted = osGetISO();
    if (dnaStrOpen(folder.c_str(), wanted) < 0) {
        // Both the language's own table and the English one failed; the
        // English one is what the user has to put back.
        std::string en = folder + "/STRING_TABLE_en.zar";
        return fail(folder, "STRING_TABLE_en.zar", access(en.c_str(), R_OK) == 0 ? "damaged" : "missing");
    }
    // The fallback took English: the interface language is English from now on.
    if (strcasecmp(dnaStrLanguage(), wanted) != 0) osSetISO(dnaStrLanguage());
    return 0;
}

void fileTerm(void) { dnaStrClose(); }

const char *fileInitError(void) { return gError; }
