// Texts of kvbrt. See cli_text.h.
#include "cli/cli_text.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "resource/dnastr.h"

namespace {

bool gLoaded = false;

}  // namespace

const char *cliLanguageEntry(void) {
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value) return value;
    }
    return "";
}

std::string cliLanguageFolder(const char *exePath) {
    std::string exe;
    if (exePath) {
        exe = exePath;
    } else {
        char buf[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return std::string();
        exe.assign(buf, static_cast<size_t>(n));
    }
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return std::string();
    return exe.substr(0, slash) + "/../share/kvb-rt-wave-manager/language";
}

int cliTextInit(void) {
    if (!gLoaded) {
        std::string folder = cliLanguageFolder(nullptr);
        gLoaded = !folder.empty() && dnaStrOpen(folder.c_str(), cliLanguageEntry()) == 0;
    }
    return gLoaded ? 0 : -1;
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
