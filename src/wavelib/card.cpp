// The card record and its lock. See card.h.
#include "wavelib/card.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/mem.h"
#include "wavelib/storage.h"

namespace {

// Copies `root` with a trailing "/" into `out` (capacity kGlobalRootMax).
bool rootWithSlash(const char *root, char *out) {
    size_t n = root ? std::strlen(root) : 0;
    bool slash = n > 0 && (root[n - 1] == '/' || root[n - 1] == '\\');
    if (n == 0 || n + (slash ? 0 : 1) >= kGlobalRootMax) return false;
    std::memcpy(out, root, n);
    out[n] = slash ? '\0' : '/';
    out[n + (slash ? 0 : 1)] = '\0';
    return true;
}

// The device folder below `root` as spelled on disk, when it is a real folder
// (a link there is not ours to lock or write through).
bool deviceFolder(const char *root, char *out, size_t cap, struct stat *st) {
    if (wstorageDevicePath(out, cap, root, cSTORAGE_DIR_DEVICE) != 0) return false;
    size_t n = std::strlen(out);
    if (n > 1) out[n - 1] = '\0';  // lstat of "x/" would follow a link
    bool ok = lstat(out, st) == 0 && S_ISDIR(st->st_mode);
    if (n > 1) out[n - 1] = '/';
    return ok;
}

// Refuses (ELOOP) a path whose folders below `root` include a symbolic link.
int refuseLinks(const char *root, const char *path) {
    size_t start = std::strlen(root);
    std::string p(path);
    for (size_t slash = p.find('/', start); slash != std::string::npos; slash = p.find('/', slash + 1)) {
        struct stat st;
        if (lstat(p.substr(0, slash).c_str(), &st) != 0) return 0;  // not there: nothing to pass through
        if (S_ISLNK(st.st_mode)) {
            errno = ELOOP;
            return -1;
        }
    }
    return 0;
}

}  // namespace

sCard *cardCreate(const char *root) {
    char rooted[kGlobalRootMax];
    if (!rootWithSlash(root, rooted)) return nullptr;
    auto *card = static_cast<sCard *>(memCalloc(sizeof(sCard), "Card"));
    if (!card) return nullptr;
    std::memcpy(card->root, rooted, sizeof rooted);
    struct stat st;
    if (stat(card->root, &st) == 0) {
        card->known = true;
        card->volume = st.st_dev;
        card->rootInode = st.st_ino;
        if (deviceFolder(card->root, card->device, sizeof card->device, &st)) card->deviceInode = st.st_ino;
        else card->device[0] = '\0';
    }
    return card;
}

void cardClose(sCard *card) {
    if (card) memFree(card);
}

int cardCheck(const sCard *card) {
    if (!card) {
        errno = ENODEV;
        return -1;
    }
    if (!card->known) return 0;
    struct stat st;
    // Where the card had no device folder, the mounted root is what must stay.
    bool same = card->deviceInode ? stat(card->device, &st) == 0 && st.st_ino == card->deviceInode
                                  : stat(card->root, &st) == 0 && st.st_ino == card->rootInode;
    if (same && st.st_dev == card->volume) return 0;
    errno = ENODEV;
    return -1;
}

int cardCompare(const sCard *a, const sCard *b) {
    if (!a || !b) return a == b ? 0 : a ? 1 : -1;
    if (!a->known || !b->known) return std::strcmp(a->root, b->root);
    if (a->volume != b->volume) return a->volume < b->volume ? -1 : 1;
    if (a->deviceInode && a->deviceInode == b->deviceInode) return 0;
    if (a->rootInode != b->rootInode) return a->rootInode < b->rootInode ? -1 : 1;
    return 0;
}

const char *cardRoot(const sCard *card) { return card ? card->root : ""; }

int cardPath(const sCard *card, char *out, size_t cap, const char *relative) {
    if (out && cap) out[0] = '\0';
    if (!card) {
        errno = EINVAL;
        return -1;
    }
    if (cardCheck(card) != 0) return -1;
    if (wstorageDevicePath(out, cap, card->root, relative) != 0) {
        errno = ENAMETOOLONG;
        return -1;
    }
    if (refuseLinks(card->root, out) != 0) {
        out[0] = '\0';
        return -1;
    }
    return 0;
}

int cardMakeDir(const sCard *card, const char *relative) {
    if (!card) {
        errno = ENOENT;
        return -1;
    }
    char path[kGlobalRootMax];
    if (cardPath(card, path, sizeof path, relative) != 0) return -1;  // gone, or a link on the way
    return wstorageMakeDir(card->root, relative);
}

// --- The lock ----------------------------------------------------------------------------

namespace {

// The process holding a flock on the file (device, inode), from /proc/locks;
// 0 when the system does not tell.
long lockHolder(dev_t dev, ino_t ino) {
    FILE *f = std::fopen("/proc/locks", "r");
    if (!f) return 0;
    char want[64];
    std::snprintf(want, sizeof want, "%02x:%02x:%lu", major(dev), minor(dev), static_cast<unsigned long>(ino));
    long pid = 0;
    char line[256];
    while (!pid && std::fgets(line, sizeof line, f)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; waiters carry "->".
        char kind[16], dummy[16], mode[16], id[64];
        long p = 0;
        if (std::strstr(line, "->") || std::sscanf(line, "%*s %15s %15s %15s %ld %63s", kind, dummy, mode, &p, id) != 5)
            continue;
        if (std::strcmp(kind, "FLOCK") == 0 && std::strcmp(id, want) == 0 && p != getpid()) pid = p;
    }
    std::fclose(f);
    return pid;
}

// Whether process `pid` runs the desktop program (by the name it was started as).
bool isDesktop(long pid) {
    char path[64], cmd[4096] = {};
    std::snprintf(path, sizeof path, "/proc/%ld/cmdline", pid);
    FILE *f = std::fopen(path, "r");
    if (!f) return false;
    size_t n = std::fread(cmd, 1, sizeof cmd - 1, f);
    std::fclose(f);
    cmd[n] = '\0';
    const char *base = std::strrchr(cmd, '/');
    return std::strcmp(base ? base + 1 : cmd, "kvb-rt-wave-manager") == 0;
}

}  // namespace

sCardLock *cardLockTake(const char *root, int kind, unsigned flags, sCardLockRefusal *why) {
    sCardLockRefusal local{};
    sCardLockRefusal &r = why ? *why : local;
    r = {};
    char target[kGlobalRootMax];
    struct stat st;
    if (!rootWithSlash(root, target)) {
        r.err = ENAMETOOLONG;
        return nullptr;
    }
    std::snprintf(r.path, sizeof r.path, "%s", target);
    int fd = open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        r.err = errno;
        return nullptr;
    }
    int op = (kind == CARD_LOCK_EXCLUSIVE ? LOCK_EX : LOCK_SH) | ((flags & CARD_LOCK_WAIT) ? 0 : LOCK_NB);
    if (flock(fd, op) != 0) {
        r.err = errno;
        if (r.err == EWOULDBLOCK && fstat(fd, &st) == 0) {
            r.holderPid = lockHolder(st.st_dev, st.st_ino);
            r.holderDesktop = r.holderPid && isDesktop(r.holderPid);
        }
        close(fd);
        return nullptr;
    }
    auto *lock = static_cast<sCardLock *>(memCalloc(sizeof(sCardLock), "CLck"));
    if (!lock) {
        close(fd);
        r.err = ENOMEM;
        return nullptr;
    }
    lock->fd = fd;
    lock->kind = kind;
    std::memcpy(lock->path, target, sizeof target);
    return lock;
}

void cardLockRelease(sCardLock *lock) {
    if (!lock) return;
    close(lock->fd);  // closing the only descriptor of the description drops the flock
    memFree(lock);
}
