// Texts of kvbrt. See cli_text.h.
#include "cli/cli_text.h"

#include <cstdio>

#include "foundation/str.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"

namespace {

bool gLoaded = false;

}  // namespace

int cliTextInit(void) {
    if (!gLoaded) {
        char folder[kRliPathMax], language[16];
        ghostLanguageFromEnvironment(language, sizeof language);
        gLoaded = ghostGetDataPath(folder, sizeof folder, "language") == 0 && dnaStrOpen(folder, language) == 0;
    }
    return gLoaded ? 0 : -1;
}

bool cliTextLoaded(void) { return gLoaded; }

std::string cliTextFallbackPath(void) {
    char folder[kRliPathMax];
    if (ghostGetDataPath(folder, sizeof folder, "language") != 0) std::snprintf(folder, sizeof folder, "language");
    return std::string(folder) + "/STRING_TABLE_en.zar";
}

void cliTextTerm(void) {
    dnaStrClose();
    gLoaded = false;
}

std::string cliText(eDNASTR id) {
    cliTextInit();
    std::string text = dnaStrGetUtf8Ptr(id);
    for (char &c : text)
        if (c == '\n') c = ' ';
    // "A.\n\nB" must not become "A.  B".
    std::string out;
    for (char c : text)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    return out;
}
