// Application state block. See global.h.
#include "global.h"

#include <cstring>

_sGlobal G;

int rkeGlobalInit(void) {
    std::memset(&G, 0, sizeof G);
    G.viewFlag = kViewFlagsInitial;
    return 1;
}

void rkeGlobalTerm(void) { std::memset(&G, 0, sizeof G); }
