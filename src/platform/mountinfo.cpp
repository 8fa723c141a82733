// Mounted volumes from /proc/self/mountinfo. See mountinfo.h.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstring>
#include <set>

#include "mountinfo.h"

namespace {

// Used when /proc/filesystems cannot be read: the pseudo file systems a
// Linux machine mounts most often.
constexpr const char *kKnownPseudo[] = {
    "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs",
    "mqueue", "hugetlbfs", "pstore", "bpf", "configfs", "fusectl", "autofs", "overlay", "binfmt_misc",
    "nsfs", "ramfs", "rpc_pipefs", "efivarfs", "selinuxfs", "fuse",
};

std::string readSmallFile(const char *path) {
    std::string text;
    FILE *f = std::fopen(path, "re");
    if (!f) return text;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

std::set<std::string> pseudoTypes(std::string_view filesystems) {
    std::set<std::string> types;
    size_t at = 0;
    while (at < filesystems.size()) {
        size_t end = filesystems.find('\n', at);
        if (end == std::string_view::npos) end = filesystems.size();
        std::string_view line = filesystems.substr(at, end - at);
        at = end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos || line.substr(0, tab) != "nodev") continue;
        types.emplace(line.substr(tab + 1));
    }
    if (types.empty())
        for (const char *t : kKnownPseudo) types.emplace(t);
    types.erase("tmpfs");  // kept, so tests can mount a card image anywhere
    return types;
}

std::vector<std::string_view> splitSpaces(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    while (at <= line.size()) {
        size_t end = line.find(' ', at);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return fields;
}

// Folders of the system itself, never a place for a card: /dev, /proc, /sys
// and /run with what lies below them, except /run/media where removable
// media are mounted on some distributions.
bool isSystemFolder(const std::string &mount) {
    auto under = [&](const char *top) {
        size_t n = std::strlen(top);
        return mount.compare(0, n, top) == 0 && (mount.size() == n || mount[n] == '/');
    };
    if (under("/run/media")) return false;
    return under("/dev") || under("/proc") || under("/sys") || under("/run");
}

bool copyField(char *dst, size_t cap, const std::string &text) {
    if (text.size() >= cap) return false;
    std::memcpy(dst, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

std::string mntUnescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); i++) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::string mntLabelDecode(std::string_view name) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < name.size(); i++) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
            hex(name[i + 3]) >= 0) {
            out += static_cast<char>(hex(name[i + 2]) * 16 + hex(name[i + 3]));
            i += 3;
            continue;
        }
        out += name[i];
    }
    return out;
}

std::vector<sOsVolume> mntInfoParse(std::string_view mountinfo, std::string_view filesystems,
                                    const std::vector<sMntLabel> &labels) {
    std::set<std::string> pseudo = pseudoTypes(filesystems);
    // Every mount first, pseudo ones marked: a pseudo file system mounted over
    // a real one hides it just the same.
    struct sEntry {
        sOsVolume v;
        bool listed;
    };
    std::vector<sEntry> entries;
    size_t at = 0;
    while (at < mountinfo.size()) {
        size_t end = mountinfo.find('\n', at);
        if (end == std::string_view::npos) end = mountinfo.size();
        std::vector<std::string_view> f = splitSpaces(mountinfo.substr(at, end - at));
        at = end + 1;

        // id parent major:minor root mount-point options [optional...] - type source super-options
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") dash++;
        if (f.size() < 7 || dash + 2 >= f.size()) continue;
        std::string type(f[dash + 1]);
        std::string baseType = type.substr(0, type.find('.'));  // "fuse.sshfs" is a "fuse"
        bool listed = !pseudo.count(type) && !pseudo.count(baseType);
        unsigned major = 0, minor = 0;
        if (std::sscanf(std::string(f[2]).c_str(), "%u:%u", &major, &minor) != 2) continue;
        std::string mount = mntUnescape(f[4]);
        // No real folder holds a zero byte; such a line is damaged.
        if (mount.empty() || mount[0] != '/' || mount.find('\0') != std::string::npos) continue;
        listed = listed && !isSystemFolder(mount);

        sOsVolume v{};
        std::string path = mount.back() == '/' ? mount : mount + "/";
        if (!copyField(v.path, sizeof v.path, path)) continue;
        std::string name = mount == "/" ? "/" : mount.substr(mount.find_last_of('/') + 1);
        for (const sMntLabel &l : labels)
            if (l.major == major && l.minor == minor && !l.label.empty()) {
                name = l.label;
                break;
            }
        // Names are shown, never used as paths: a cut one is harmless.
        std::snprintf(v.name, sizeof v.name, "%s", name.c_str());
        std::snprintf(v.fsType, sizeof v.fsType, "%s", type.c_str());

        // A later mount on the same folder hides the earlier one.
        bool replaced = false;
        for (sEntry &old : entries)
            if (std::strcmp(old.v.path, v.path) == 0) {
                old = sEntry{v, listed};
                replaced = true;
            }
        if (!replaced) entries.push_back(sEntry{v, listed});
    }
    std::vector<sOsVolume> volumes;
    for (const sEntry &e : entries)
        if (e.listed) volumes.push_back(e.v);
    return volumes;
}

std::vector<sMntLabel> mntReadLabels(const char *byLabelDir) {
    std::vector<sMntLabel> labels;
    DIR *dir = byLabelDir ? opendir(byLabelDir) : nullptr;
    if (!dir) return labels;
    while (dirent *e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::string path = std::string(byLabelDir) + "/" + e->d_name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
        labels.push_back(sMntLabel{major(st.st_rdev), minor(st.st_rdev), mntLabelDecode(e->d_name)});
    }
    closedir(dir);
    return labels;
}

std::vector<sOsVolume> mntVolumesRead(void) {
    std::vector<sOsVolume> all = mntInfoParse(readSmallFile("/proc/self/mountinfo"), readSmallFile("/proc/filesystems"),
                                              mntReadLabels("/dev/disk/by-label"));
    // Files can be bind-mounted too (containers do it for /etc/hosts); only
    // folders can hold a device tree.
    std::vector<sOsVolume> folders;
    for (const sOsVolume &v : all) {
        struct stat st;
        if (stat(v.path, &st) == 0 && S_ISDIR(st.st_mode)) folders.push_back(v);
    }
    return folders;
}
