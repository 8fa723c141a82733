// The debug log. See log.h.
#include "log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool rliDbgLogEnabled(void) {
    static const bool enabled = [] {
        const char *v = std::getenv("KVB_DEBUG");
        return v && *v && std::strcmp(v, "0") != 0;
    }();
    return enabled;
}

void rliDbgLog(const char *format, ...) {
    if (!rliDbgLogEnabled()) return;
    va_list ap;
    va_start(ap, format);
    std::vfprintf(stderr, format, ap);
    va_end(ap);
}
