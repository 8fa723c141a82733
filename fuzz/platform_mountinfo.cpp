// Fuzz target: mountinfo and /proc/filesystems texts, and the two escape decoders.
// Input: the mountinfo text, a zero byte, then the filesystems text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/mountinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view all(reinterpret_cast<const char *>(data), size);
    size_t zero = all.find('\0');
    std::string_view mountinfo = all.substr(0, zero);
    std::string_view filesystems = zero == std::string_view::npos ? std::string_view() : all.substr(zero + 1);
    std::vector<sMntLabel> labels = {{8, 1, "KVB-RT"}, {0, 0, "zero"}};
    for (const sOsVolume &v : mntInfoParse(mountinfo, filesystems, labels)) {
        // Every record is terminated and every path is absolute and ends in "/".
        size_t n = strnlen(v.path, sizeof v.path);
        if (n == sizeof v.path || v.path[0] != '/' || v.path[n - 1] != '/') __builtin_trap();
        if (strnlen(v.name, sizeof v.name) == sizeof v.name) __builtin_trap();
        if (strnlen(v.fsType, sizeof v.fsType) == sizeof v.fsType) __builtin_trap();
    }
    mntUnescape(all);
    mntLabelDecode(all);
    return 0;
}
