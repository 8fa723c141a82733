// Whole-file reads and safe writes. See file.h.
#include "file.h"

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "fault.h"
#include "mem.h"
#include "str.h"

const char *const cRLIFILE_MODE_READ = "r";
const char *const cRLIFILE_MODE_READ_BINARY = "rb";
const char *const cRLIFILE_MODE_WRITE = "w";
const char *const cRLIFILE_MODE_WRITE_BINARY = "wb";
const char *const cRLIFILE_MODE_UPDATE = "r+";

namespace {

thread_local int tSyncDepth = 0;

bool isWriteMode(const char *mode) { return rliStrCaseCmp(mode, "w") == 0 || rliStrCaseCmp(mode, "wb") == 0; }

bool isUpdateMode(const char *mode) { return std::strcmp(mode, "r+") == 0 || rliStrCaseCmp(mode, "r+b") == 0; }

// Fails like the system call would when the fault hook fires.
bool faulted() { return rliFaultFileHit() != 0; }

wchar_t *dupWide(const wchar_t *s) {
    size_t n = std::wcslen(s);
    auto *p = static_cast<wchar_t *>(memMalloc((n + 1) * sizeof(wchar_t), "fName"));
    if (p) std::wmemcpy(p, s, n + 1);
    return p;
}

wchar_t *wideFromBytes(const char *path) {
    size_t cap = std::strlen(path) + 1;
    auto *p = static_cast<wchar_t *>(memMalloc(cap * sizeof(wchar_t), "fName"));
    if (p) utf8towchar(p, cap, path);
    return p;
}

void freeRecord(_sRliFile *f) {
    if (f->fileName) memFree(f->fileName);
    if (f->data) memFree(f->data);
    if (f->path) memFree(f->path);
    if (f->tempPath) memFree(f->tempPath);
    memFree(f);
}

// Returns "dir/name", or `name` alone without a folder.
std::wstring wideJoin(const wchar_t *dir, const wchar_t *name) {
    return (dir && *dir) ? std::wstring(dir) + L'/' + name : std::wstring(name);
}

// Builds "dir/name" (or name alone) as file-system bytes into `out`.
bool joinWide(const wchar_t *dir, const wchar_t *name, char *out, size_t cap) {
    return wcs2utf8s(out, cap, wideJoin(dir, name).c_str()) >= 0;
}

int readWhole(int fd, uint8_t *buf, size_t want) {
    size_t got = 0;
    while (got < want) {
        if (faulted()) return -1;
        ssize_t r = read(fd, buf + got, want - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return 0;
}

_sRliFile *openWrite(_sRliFile *f) {
    char tmp[kRliPathMax];
    int fd = rliFileMakeTemp(f->path, tmp, sizeof tmp);
    if (fd < 0) return nullptr;
    f->tempPath = rliStrDup(tmp);
    f->stream = f->tempPath ? fdopen(fd, "wb") : nullptr;
    if (!f->stream) {
        close(fd);
        unlink(tmp);
        return nullptr;
    }
    return f;
}

_sRliFile *openRead(_sRliFile *f, long maxSize) {
    if (faulted()) return nullptr;
    bool update = isUpdateMode(f->mode);
    int fd = open(f->path, (update ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    auto length = static_cast<uint64_t>(st.st_size);
    uint64_t want = (maxSize < 0 || static_cast<uint64_t>(maxSize) > length) ? length : static_cast<uint64_t>(maxSize);
    f->dataSize = length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length);
    // One byte more than read, left zero, so text parsers may treat the buffer
    // as a string.
    f->data = want < SIZE_MAX ? static_cast<uint8_t *>(memCalloc(static_cast<size_t>(want) + 1, "fAddr")) : nullptr;
    if (!f->data || readWhole(fd, f->data, static_cast<size_t>(want)) != 0) {
        close(fd);
        return nullptr;
    }
    if (update) {
        f->stream = fdopen(fd, "r+b");
        if (!f->stream) {
            close(fd);
            return nullptr;
        }
        return f;
    }
    close(fd);
    return f;
}

_sRliFile *openRecord(char *path, wchar_t *display, const char *mode, long maxSize) {
    auto *f = static_cast<_sRliFile *>(memCalloc(sizeof(_sRliFile), "file"));
    if (!f) {
        if (path) memFree(path);
        if (display) memFree(display);
        return nullptr;
    }
    f->path = path;
    f->fileName = display;
    f->mode = mode;
    if (!path || !display) {
        freeRecord(f);
        return nullptr;
    }
    _sRliFile *r = isWriteMode(mode) ? openWrite(f) : openRead(f, maxSize);
    if (!r) freeRecord(f);
    return r;
}

// Keeps the old file's permissions across a replacement; a new file gets the
// usual 0666 less umask. A FAT card refuses fchmod: that is not an error.
void setNewFileMode(int fd, const char *finalPath) {
    struct stat st;
    mode_t mode = stat(finalPath, &st) == 0 ? (st.st_mode & 07777) : static_cast<mode_t>(rliFileNewMode());
    (void)fchmod(fd, mode);
}

int commit(_sRliFile *f) {
    int fd = fileno(f->stream);
    bool ok = f->failed == 0;
    if (ok && (faulted() || fflush(f->stream) != 0)) ok = false;
    if (ok && tSyncDepth == 0 && (faulted() || fsync(fd) != 0)) ok = false;
    if (ok) setNewFileMode(fd, f->path);
    bool closed = !faulted() && fclose(f->stream) == 0;
    f->stream = nullptr;
    if (!closed) ok = false;
    if (ok && (faulted() || rename(f->tempPath, f->path) != 0)) ok = false;
    if (!ok) unlink(f->tempPath);
    return ok ? 0 : -1;
}

}  // namespace

// --- Opening and closing ------------------------------------------------------

_sRliFile *rliFileOpen(const wchar_t *name, const char *mode, long maxSize, const wchar_t *dir) {
    if (!name || !*name || !mode) return nullptr;
    std::wstring whole = wideJoin(dir, name);
    char path[kRliPathMax * 4];
    if (wcs2utf8s(path, sizeof path, whole.c_str()) < 0) return nullptr;
    return openRecord(rliStrDup(path), dupWide(whole.c_str()), mode, maxSize);
}

_sRliFile *rliFileOpenA(const char *path, const char *mode, long maxSize) {
    if (!path || !*path || !mode) return nullptr;
    return openRecord(rliStrDup(path), wideFromBytes(path), mode, maxSize);
}

int rliFileClose(_sRliFile *file) {
    if (!file) return -1;
    int result = 0;
    if (file->stream) {
        if (file->tempPath)
            result = commit(file);
        else if (fclose(file->stream) != 0)
            result = -1;
        file->stream = nullptr;
    }
    freeRecord(file);
    return result;
}

void rliFileAbort(_sRliFile *file) {
    if (!file) return;
    if (file->stream) fclose(file->stream);
    if (file->tempPath) unlink(file->tempPath);
    file->stream = nullptr;
    freeRecord(file);
}

// --- Reading and writing ------------------------------------------------------

int rliFileSeek(_sRliFile *file, long offset) {
    if (!file) return -1;
    if (!file->stream) return -2;
    return fseek(file->stream, offset, SEEK_SET) == 0 ? 0 : -3;
}

int rliFileWriteBinary(_sRliFile *file, const void *buffer, size_t size) {
    if (!file) return -1;
    if (!file->stream) return -2;
    if (size == 0) return 0;
    if (file->failed == 0) {
        if (faulted() || fwrite(buffer, 1, size, file->stream) != size) file->failed = errno ? errno : EIO;
    }
    return file->failed ? -3 : 0;
}

uint8_t *rliFileGetDataAddr(const _sRliFile *file) { return file ? file->data : nullptr; }
uint32_t rliFileGetDataSize(const _sRliFile *file) { return file ? file->dataSize : 0; }
const wchar_t *rliFileGetFilenamePtr(const _sRliFile *file) { return file ? file->fileName : nullptr; }

int rliFileWriteAll(const char *path, const void *data, size_t size) {
    _sRliFile *f = rliFileOpenA(path, cRLIFILE_MODE_WRITE_BINARY, -1);
    if (!f) return -1;
    if (rliFileWriteBinary(f, data, size) != 0) {
        rliFileAbort(f);
        return -1;
    }
    return rliFileClose(f);
}

// --- Durability -----------------------------------------------------------------

void rliFileSyncBegin(void) { ++tSyncDepth; }

int rliFileSyncEnd(const char *path) {
    if (tSyncDepth > 0) --tSyncDepth;
    if (tSyncDepth > 0) return 0;
    if (faulted()) return -1;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    int r = syncfs(fd);
    close(fd);
    return r == 0 ? 0 : -1;
}

bool rliFileSyncInBatch(void) { return tSyncDepth > 0; }

// --- Tests on the file system -----------------------------------------------------

int rliFileDelete(const char *path) {
    if (!path || faulted()) return -1;
    return unlink(path) == 0 ? 0 : -1;
}

int rliFileGetReadOnly(const wchar_t *name, const wchar_t *dir) {
    if (!name || !*name) return -1;
    char path[kRliPathMax * 4];
    if (!joinWide(dir, name, path, sizeof path)) return -1;
    struct stat st;
    return stat(path, &st) == 0 ? 0 : -1;
}

int rliFileGetDirExist(const wchar_t *name, const wchar_t *dir) {
    if (!name || !*name) return -1;
    char path[kRliPathMax * 4];
    if (!joinWide(dir, name, path, sizeof path)) return -1;
    if (std::strcmp(path, "/") == 0) return 0;
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -1;
}

uint32_t rliFileGetSize(const wchar_t *path) {
    if (!path) return 0xFFFFFFFFu;
    char bytes[kRliPathMax * 4];
    if (wcs2utf8s(bytes, sizeof bytes, path) < 0) return 0xFFFFFFFFu;
    return rliFileGetSizeA(bytes);
}

uint32_t rliFileGetSizeA(const char *path) {
    struct stat st;
    if (!path || stat(path, &st) != 0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(st.st_size);
}

int rliDirCreate(const char *path) {
    if (!path || faulted()) return -1;
    if (mkdir(path, 0777) == 0) return 0;
    struct stat st;
    return errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -1;
}

int rliDirCreateChain(const char *base, const char *relative, unsigned flags) {
    struct stat st;
    if (!base || !*base || !relative) {
        errno = EINVAL;
        return -1;
    }
    if (stat(base, &st) != 0) return -1;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return -1;
    }
    auto look = [flags](const std::string &path, struct stat *out) {
        return (flags & RLI_DIR_NO_LINKS) ? lstat(path.c_str(), out) : stat(path.c_str(), out);
    };
    std::string path = base;
    for (const char *p = relative; *p;) {
        if (*p == '/') {
            ++p;
            continue;
        }
        size_t len = std::strcspn(p, "/");
        std::string part(p, len);
        p += len;
        if (part == "." || part == "..") {
            errno = EINVAL;
            return -1;
        }
        if (path.back() != '/') path += '/';
        path += part;
        if (look(path, &st) == 0) {
            if (S_ISDIR(st.st_mode)) continue;
            errno = S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR;
            return -1;
        }
        if (errno != ENOENT || faulted()) return -1;
        // Made meanwhile by someone else is as good as made here.
        if (mkdir(path.c_str(), 0755) != 0 && !(errno == EEXIST && look(path, &st) == 0 && S_ISDIR(st.st_mode)))
            return -1;
    }
    return 0;
}

// --- Temporary files ---------------------------------------------------------------

int rliFileMakeTemp(const char *finalPath, char *tmpOut, size_t cap) {
    if (!finalPath || !tmpOut || faulted()) return -1;
    const char *slash = std::strrchr(finalPath, '/');
    size_t dirLen = slash ? static_cast<size_t>(slash - finalPath + 1) : 0;
    const char *base = finalPath + dirLen;
    // Keep the temporary name well inside the 255-byte limit of every file
    // system, cutting only at a UTF-8 character boundary.
    size_t baseLen = std::strlen(base);
    if (baseLen > 100) {
        baseLen = 100;
        while (baseLen > 0 && (static_cast<unsigned char>(base[baseLen]) & 0xC0) == 0x80) --baseLen;
    }
    constexpr char kSuffix[] = ".XXXXXX.tmp";
    size_t need = dirLen + 1 + baseLen + sizeof kSuffix;
    if (need > cap) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(tmpOut, finalPath, dirLen);
    tmpOut[dirLen] = '.';
    std::memcpy(tmpOut + dirLen + 1, base, baseLen);
    std::memcpy(tmpOut + dirLen + 1 + baseLen, kSuffix, sizeof kSuffix);
    return mkostemps(tmpOut, 4, O_CLOEXEC);
}

bool rliFileIsTempName(const char *name) {
    if (!name) return false;
    const char *slash = std::strrchr(name, '/');
    if (slash) name = slash + 1;
    size_t n = std::strlen(name);
    return n > 5 && name[0] == '.' && std::strcmp(name + n - 4, ".tmp") == 0;
}

unsigned rliFileNewMode(void) {
    static unsigned mode = [] {
        mode_t m = umask(0);
        umask(m);
        return 0666u & ~static_cast<unsigned>(m);
    }();
    return mode;
}
