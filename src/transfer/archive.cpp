// The backup archive: writer, verify walk and reader. See archive.h.
#include "archive.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>

#include "foundation/fault.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"

int gnWriteFile = 0;

namespace {

constexpr size_t kBuffer = 1u << 20;
constexpr uint64_t kBlock = kTarBlock;

// Header layout.
constexpr size_t kOffName = 0, kLenName = 100;
constexpr size_t kOffMode = 100, kOffUid = 108, kOffGid = 116;
constexpr size_t kOffSize = 124, kLenSize = 12;
constexpr size_t kOffMtime = 136;
constexpr size_t kOffChksum = 148, kLenChksum = 8;
constexpr size_t kOffType = 156;
constexpr size_t kOffMagic = 257;
constexpr size_t kOffPrefix = 345, kLenPrefix = 155;
// Longest entry name read back (from the name and prefix fields or from an
// extended header), terminating zero included.
constexpr size_t kPathNameMax = 1024;
// Largest extended header read; real ones hold a few short records.
constexpr uint64_t kExtendedMax = 64 * 1024;

// Fixed for every entry, so the same files always give the same headers.
constexpr char kMode[8] = "0000666";
constexpr char kOwner[8] = "0000000";
constexpr char kMtime[12] = "11524413767";
constexpr char kMagic[8] = {'u', 's', 't', 'a', 'r', ' ', ' ', '\0'};
constexpr char kPosixMagic[6] = {'u', 's', 't', 'a', 'r', '\0'};

bool faulted() { return rliFaultFileHit() != 0; }

uint64_t roundUp(uint64_t size) { return (size + kBlock - 1) / kBlock * kBlock; }

// Keeps the first failure text of a job: later ones are its consequences.
void keepFirstError(char *error, const char *format, va_list ap) {
    if (!error[0]) std::vsnprintf(error, kTarErrorMax, format, ap);
}

// Whether the job's cancel flag is set; records the cancel as the failure.
bool cancelRequested(const sTarHooks &hooks, bool *cancelled, char *error, const char *text) {
    if (!hooks.cancel || !hooks.cancel->load()) return false;
    *cancelled = true;
    if (!error[0]) std::snprintf(error, kTarErrorMax, "%s", text);
    return true;
}

void reportProgress(const sTarHooks &hooks, double ratio) {
    if (hooks.progress) hooks.progress(hooks.user, static_cast<float>(ratio < 1 ? ratio : 1));
}

// Allocates the 1 MiB data buffer on first use. Returns false when memory runs out.
bool haveBuffer(uint8_t **buffer) {
    if (!*buffer) *buffer = static_cast<uint8_t *>(memMalloc(kBuffer, "Tar"));
    return *buffer != nullptr;
}

// Copies `name` (at most `n` bytes) for a message: control bytes become "?",
// so a hostile name cannot rewrite the terminal.
std::string shown(const char *name, size_t n = SIZE_MAX) {
    std::string s;
    for (size_t i = 0; i < n && name[i]; ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        s += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    return s;
}

bool allZero(const uint8_t *p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

// The header's sums with the checksum field counted as spaces: bytes taken as
// unsigned (the usual rule) and as signed (what some writers use).
void headerSums(const uint8_t *b, long *unsignedSum, long *signedSum) {
    long u = 0, s = 0;
    for (size_t i = 0; i < kTarBlock; ++i) {
        bool inField = i >= kOffChksum && i < kOffChksum + kLenChksum;
        uint8_t c = inField ? ' ' : b[i];
        u += c;
        s += static_cast<int8_t>(c);
    }
    *unsignedSum = u;
    *signedSum = s;
}

// Reads an octal field: leading spaces, digits, then a zero byte, a space or
// the field's end. Returns false for anything else (binary sizes included).
bool parseOctal(const uint8_t *p, size_t n, uint64_t *out) {
    size_t i = 0;
    while (i < n && p[i] == ' ') ++i;
    size_t start = i;
    uint64_t v = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i) v = v * 8 + (p[i] - '0');
    if (i == start) return false;
    if (i < n && p[i] != '\0' && p[i] != ' ') return false;
    *out = v;
    return true;
}

void buildHeader(uint8_t *b, const char *name, uint64_t size) {
    std::memset(b, 0, kTarBlock);
    std::memcpy(b + kOffName, name, std::strlen(name));
    std::memcpy(b + kOffMode, kMode, sizeof kMode);
    std::memcpy(b + kOffUid, kOwner, sizeof kOwner);
    std::memcpy(b + kOffGid, kOwner, sizeof kOwner);
    std::snprintf(reinterpret_cast<char *>(b + kOffSize), kLenSize, "%011llo", static_cast<unsigned long long>(size));
    std::memcpy(b + kOffMtime, kMtime, sizeof kMtime);
    std::memset(b + kOffChksum, ' ', kLenChksum);
    b[kOffType] = '0';
    std::memcpy(b + kOffMagic, kMagic, sizeof kMagic);
    long u, s;
    headerSums(b, &u, &s);
    // The signed sum is the format's; only a name of many non-ASCII bytes can
    // make it negative, and no reader accepts a negative sum's low bits, so
    // such a header carries the unsigned sum, which every reader accepts.
    long sum = s >= 0 ? s : u;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06o", static_cast<unsigned>(sum & 0xFFFF));
    std::memcpy(b + kOffChksum, digits, 7);  // six digits and a zero; the space after stays
}

// Whether the walk archives a file of this name (the four card extensions, any case).
bool isArchivedName(const char *name) {
    if (rliFileIsTempName(name)) return false;
    char ext[kRliPathMax];
    if (rliStringSplitpathA(nullptr, nullptr, nullptr, ext, name) != 0) return false;
    return rliStrCaseCmp(ext, ".kvb") == 0 || rliStrCaseCmp(ext, ".aif") == 0 || rliStrCaseCmp(ext, ".aiff") == 0 ||
           rliStrCaseCmp(ext, ".wav") == 0;
}

// --- The walk shared by verifying and extracting ---------------------------------

// One entry as the walk hands it on.
struct sTarEntry {
    char shownName[kPathNameMax];  // the name as stored, made printable
    char rel[kPathNameMax];        // the normalised path below the base ("a/b.wav")
    bool folder;                   // a folder entry
    uint64_t size;                 // data length
    uint64_t header;               // offset of the header block
    uint64_t data;                 // offset of the data
    long index;                    // 1 for the first entry
};

typedef bool (*tarVisitFn)(void *ctx, const sTarEntry &entry);

void setInfoError(sTarVerifyInfo *info, const char *format, ...) __attribute__((format(printf, 2, 3)));
void setInfoError(sTarVerifyInfo *info, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(info->error, sizeof info->error, format, ap);
    va_end(ap);
}

const char *typeRefusal(uint8_t type) {
    switch (type) {
    case '1': return "a hard link";
    case '2': return "a symbolic link";
    case '3': case '4': return "a device";
    case '6': return "a named pipe";
    case 'K': return "a long link name";
    default: return "of an unknown type";
    }
}

// Turns the stored name into a path below the base. Returns null, or why the
// name is refused.
const char *normaliseName(const char *name, bool *folder, char *rel) {
    if (!*name) return "has no name";
    const char *p = name;
    if (*p == '/') {
        ++p;
        if (*p == '/') return "is an absolute path";
    }
    size_t n = std::strlen(p);
    if (n > 0 && p[n - 1] == '/') *folder = true;
    size_t out = 0;
    while (*p) {
        const char *end = std::strchr(p, '/');
        size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (len == 2 && p[0] == '.' && p[1] == '.') return "contains a \"..\" component";
        if (len > 0 && !(len == 1 && p[0] == '.')) {
            if (out) rel[out++] = '/';
            std::memcpy(rel + out, p, len);
            out += len;
        }
        p += len;
        if (*p == '/') ++p;
    }
    rel[out] = '\0';
    if (out == 0 && !*folder) return "names no file";
    return nullptr;
}

// Checks what already stands below `base` on the way to `rel`. Returns null,
// or why extracting there is refused.
const char *checkBelowBase(const char *base, const char *rel, bool folder, std::string *where) {
    std::string path = base;
    if (path.empty() || path.back() != '/') path += '/';
    const char *p = rel;
    while (*p) {
        const char *end = std::strchr(p, '/');
        size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
        path.append(p, len);
        bool last = !end;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) return nullptr;  // nothing further exists yet
        *where = path;
        if (S_ISLNK(st.st_mode)) {
            if (!last || folder) return "leads through a symbolic link";
        } else if (!last || folder) {
            if (!S_ISDIR(st.st_mode)) return "needs a folder where a file stands";
        } else if (S_ISDIR(st.st_mode)) {
            return "would replace a folder";
        }
        if (last) break;
        path += '/';
        p = end + 1;
    }
    return nullptr;
}

// Records what the entry `rel` makes in `made` (path -> is a folder). Returns
// null, or why it clashes with an earlier entry (the earlier path in `where`).
const char *clashWithEarlier(std::map<std::string, bool> *made, const char *rel, bool folder, std::string *where) {
    std::string path;
    const char *p = rel;
    while (*p) {
        const char *end = std::strchr(p, '/');
        size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (!path.empty()) path += '/';
        path.append(p, len);
        bool last = !end;
        bool needFolder = !last || folder;
        auto it = made->find(path);
        if (it != made->end() && it->second != needFolder) {
            *where = path;
            return needFolder ? "needs a folder where an earlier entry put a file"
                              : "would put a file where an earlier entry made a folder";
        }
        (*made)[path] = needFolder;
        if (last) break;
        p = end + 1;
    }
    return nullptr;
}

// Reads the records ("LEN key=value\n") of an extended header, keeping the
// path and size that replace the next header's. Returns false when damaged.
bool parseExtended(const std::string &d, std::string *path, bool *havePath, uint64_t *size, bool *haveSize) {
    size_t at = 0;
    while (at < d.size()) {
        size_t len = 0, i = at;
        for (; i < d.size() && d[i] >= '0' && d[i] <= '9'; ++i) {
            len = len * 10 + static_cast<size_t>(d[i] - '0');
            if (len > d.size()) return false;
        }
        if (i == at || i >= d.size() || d[i] != ' ' || at + len > d.size() || len < i - at + 3 ||
            d[at + len - 1] != '\n')
            return false;
        std::string record = d.substr(i + 1, at + len - 1 - (i + 1));
        size_t eq = record.find('=');
        if (eq == std::string::npos) return false;
        std::string key = record.substr(0, eq), value = record.substr(eq + 1);
        if (key == "path") {
            if (value.find('\0') != std::string::npos) return false;
            *path = value;
            *havePath = true;
        } else if (key == "size") {
            uint64_t v = 0;
            if (value.empty() || value.size() > 18) return false;
            for (char c : value) {
                if (c < '0' || c > '9') return false;
                v = v * 10 + static_cast<uint64_t>(c - '0');
            }
            *size = v;
            *haveSize = true;
        }
        at += len;
    }
    return true;
}

// Reads and checks one entry's header, with the extended headers before it
// that other tar programs write for long or non-ASCII names. Returns 0 with
// `e` filled, 1 at the first end block, -1 with the reason in `info`.
int readHeader(tarReadAtFn readAt, void *src, uint64_t off, uint64_t length, uint8_t *b, sTarEntry *e,
               sTarVerifyInfo *info) {
    std::string extPath;
    uint64_t extSize = 0;
    bool haveExtPath = false, haveExtSize = false;
    for (;;) {
        if (off == length) {
            setInfoError(info, "the archive ends at byte %llu without its end blocks (it was cut short)",
                         static_cast<unsigned long long>(off));
            return -1;
        }
        long got = readAt(src, off, b, kTarBlock);
        if (got < 0) {
            setInfoError(info, "cannot read the archive at byte %llu: %s", static_cast<unsigned long long>(off),
                         std::strerror(errno));
            return -1;
        }
        if (static_cast<size_t>(got) < kTarBlock) {
            setInfoError(info, "the archive ends inside a header at byte %llu (it was cut short)",
                         static_cast<unsigned long long>(off));
            return -1;
        }
        if (allZero(b, kTarBlock)) {
            if (!haveExtPath && !haveExtSize) return 1;
            setInfoError(info, "the archive has an extended header without its entry before byte %llu",
                         static_cast<unsigned long long>(off));
            return -1;
        }

        e->header = off;
        e->data = off + kBlock;
        e->folder = false;
        char name[kPathNameMax];
        size_t at = 0;
        if (std::memcmp(b + kOffMagic, kPosixMagic, sizeof kPosixMagic) == 0 && b[kOffPrefix]) {
            size_t pn = strnlen(reinterpret_cast<const char *>(b + kOffPrefix), kLenPrefix);
            std::memcpy(name, b + kOffPrefix, pn);
            name[pn] = '/';
            at = pn + 1;
        }
        size_t nn = strnlen(reinterpret_cast<const char *>(b + kOffName), kLenName);
        std::memcpy(name + at, b + kOffName, nn);
        name[at + nn] = '\0';
        bool nameTooLong = haveExtPath && extPath.size() >= sizeof name;
        if (haveExtPath && !nameTooLong) std::memcpy(name, extPath.c_str(), extPath.size() + 1);
        std::string s = shown(name);
        std::snprintf(e->shownName, sizeof e->shownName, "%s", s.c_str());
        auto fail = [&](const char *why) {
            setInfoError(info, "entry %ld \"%s\" (header at byte %llu) %s", e->index, e->shownName,
                         static_cast<unsigned long long>(off), why);
            return -1;
        };

        uint64_t recorded;
        if (!parseOctal(b + kOffChksum, kLenChksum, &recorded))
            return fail("has no readable checksum: the archive is damaged");
        long u, sg;
        headerSums(b, &u, &sg);
        if (recorded != static_cast<uint64_t>(u) && static_cast<long>(recorded) != sg &&
            recorded != static_cast<uint64_t>(sg & 0xFFFF))
            return fail("has a wrong header checksum: the archive is damaged");
        if (nameTooLong) return fail("has a name too long to restore");
        if (!parseOctal(b + kOffSize, kLenSize, &e->size)) return fail("has an unreadable size");

        uint8_t type = b[kOffType];
        if (type == 'x' || type == 'g' || type == 'L') {
            uint64_t end = e->data + roundUp(e->size);
            if (e->size > kExtendedMax) return fail("has an extended header too large to be sound");
            if (end > length) return fail("has data running past the end of the archive (it was cut short)");
            std::string data(static_cast<size_t>(e->size), '\0');
            if (readAt(src, e->data, data.data(), data.size()) != static_cast<long>(data.size()))
                return fail("has an extended header that cannot be read");
            if (type == 'x' && !parseExtended(data, &extPath, &haveExtPath, &extSize, &haveExtSize))
                return fail("has a damaged extended header");
            if (type == 'L') {
                extPath = data.substr(0, strnlen(data.c_str(), data.size()));
                haveExtPath = true;
            }
            off = end;  // global headers ('g') carry nothing a restore uses
            continue;
        }
        if (type == '5')
            e->folder = true;
        else if (type != '0' && type != '\0' && type != '7') {
            setInfoError(info, "entry %ld \"%s\" (header at byte %llu) is %s and cannot be restored", e->index,
                         e->shownName, static_cast<unsigned long long>(off), typeRefusal(type));
            return -1;
        }
        if (haveExtSize) e->size = extSize;
        if (const char *why = normaliseName(name, &e->folder, e->rel)) return fail(why);
        uint64_t end = e->data + roundUp(e->size);
        if (end > length || end < e->data)
            return fail("has data running past the end of the archive (it was cut short)");
        return 0;
    }
}

// Checks the end of the archive at `off`: a second zero block and nothing but
// zero bytes after it. Returns 0 or -1 with the reason in `info`.
int checkEnd(tarReadAtFn readAt, void *src, uint64_t off, uint64_t length, uint8_t *b, sTarVerifyInfo *info) {
    uint64_t second = off + kBlock;
    long got = second + kBlock <= length ? readAt(src, second, b, kTarBlock) : 0;
    if (got < 0 || static_cast<size_t>(got) < kTarBlock) {
        setInfoError(info, "the archive has only one end block at byte %llu (it was cut short)",
                     static_cast<unsigned long long>(off));
        return -1;
    }
    if (!allZero(b, kTarBlock)) {
        setInfoError(info, "the archive has data in place of its second end block at byte %llu",
                     static_cast<unsigned long long>(second));
        return -1;
    }
    for (uint64_t at = second + kBlock; at < length;) {
        size_t want = length - at < kTarBlock ? static_cast<size_t>(length - at) : kTarBlock;
        got = readAt(src, at, b, want);
        if (got <= 0) {
            setInfoError(info, "cannot read the archive at byte %llu", static_cast<unsigned long long>(at));
            return -1;
        }
        for (long i = 0; i < got; ++i)
            if (b[i]) {
                setInfoError(info, "the archive has unexpected data after its end, at byte %llu",
                             static_cast<unsigned long long>(at + static_cast<uint64_t>(i)));
                return -1;
            }
        at += static_cast<uint64_t>(got);
    }
    return 0;
}

// Walks every entry; `visit` (may be null) runs for each one after it passed
// its checks. Returns 0, or -1 with `info->error` set (or the visitor's own).
int walkArchive(tarReadAtFn readAt, void *src, uint64_t length, const char *base, sTarVerifyInfo *info,
                tarVisitFn visit, void *ctx) {
    std::memset(info, 0, sizeof *info);
    uint8_t b[kTarBlock];
    sTarEntry e;
    uint64_t off = 0;
    // What the entries so far make: true for a folder. A later entry must not
    // need a folder where an earlier one put a file, nor the other way round,
    // or the unpacking would fail halfway.
    std::map<std::string, bool> made;
    for (long index = 1;; ++index) {
        e.index = index;
        int r = readHeader(readAt, src, off, length, b, &e, info);
        if (r < 0) return -1;
        if (r == 1) break;
        std::string where;
        const char *why = clashWithEarlier(&made, e.rel, e.folder, &where);
        if (!why && base) why = checkBelowBase(base, e.rel, e.folder, &where);
        if (why) {
            setInfoError(info, "entry %ld \"%s\" %s (%s)", index, e.shownName, why, shown(where.c_str()).c_str());
            return -1;
        }
        if (visit && !visit(ctx, e)) return -1;
        if (e.folder) {
            ++info->folders;
        } else {
            ++info->files;
            info->bytes += e.size;
        }
        off = e.data + roundUp(e.size);
    }
    info->dataEnd = off;
    return checkEnd(readAt, src, off, length, b, info);
}

long readAtFd(void *source, uint64_t offset, void *out, size_t size) {
    int fd = *static_cast<int *>(source);
    size_t done = 0;
    while (done < size) {
        if (faulted()) return -1;
        ssize_t r = pread(fd, static_cast<char *>(out) + done, size - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    return static_cast<long>(done);
}

struct sMemorySource {
    const uint8_t *data;
    size_t size;
};

long readAtMemory(void *source, uint64_t offset, void *out, size_t size) {
    auto *m = static_cast<sMemorySource *>(source);
    if (offset >= m->size) return 0;
    size_t n = m->size - offset < size ? static_cast<size_t>(m->size - offset) : size;
    std::memcpy(out, m->data + offset, n);
    return static_cast<long>(n);
}

// Opens an archive for reading; returns the descriptor and its length, or -1.
int openArchive(const char *path, uint64_t *length) {
    if (faulted()) return -1;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (errno == 0 || S_ISDIR(st.st_mode)) errno = EISDIR;
        close(fd);
        return -1;
    }
    *length = static_cast<uint64_t>(st.st_size);
    return fd;
}

// Makes the folder an archive is extracted into when it is missing; only the
// folder itself, inside a parent that must exist. Returns false (errno set) on failure.
bool makeBase(const char *base) {
    std::string path = base ? base : "";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        errno = EINVAL;
        return false;
    }
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    return rliDirCreateChain(parent.c_str(), path.substr(slash + 1).c_str(), 0) == 0;
}

}  // namespace

// --- Writer ---------------------------------------------------------------------

CFileTarArchive::CFileTarArchive()
    : m_file(nullptr),
      m_block(static_cast<uint8_t *>(memMalloc(kTarBlock, "Tar"))),
      m_buffer(nullptr),
      m_used(0),
      m_length(0),
      m_dev(0),
      m_ino(0),
      m_targetDev(0),
      m_targetIno(0),
      m_hasTarget(false),
      m_hooks{},
      m_cancelled(false),
      m_error{} {}

CFileTarArchive::~CFileTarArchive() {
    Discard();
    if (m_block) memFree(m_block);
    if (m_buffer) memFree(m_buffer);
}

void CFileTarArchive::SetHooks(const sTarHooks &hooks) { m_hooks = hooks; }

void CFileTarArchive::SetError(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    keepFirstError(m_error, format, ap);
    va_end(ap);
}

bool CFileTarArchive::IsArchiveFile(const struct stat &st) const {
    return m_file && ((st.st_dev == m_dev && st.st_ino == m_ino) ||
                      (m_hasTarget && st.st_dev == m_targetDev && st.st_ino == m_targetIno));
}

bool CFileTarArchive::Open(const char *path) {
    Discard();
    gnWriteFile = 0;
    m_length = 0;
    m_used = 0;
    m_cancelled = false;
    m_error[0] = '\0';
    if (!m_block || !haveBuffer(&m_buffer)) {
        SetError("out of memory");
        return false;
    }
    m_file = path ? rliFileOpenA(path, cRLIFILE_MODE_WRITE_BINARY, -1) : nullptr;
    if (!m_file) {
        SetError("cannot create the archive beside %s: %s", path ? shown(path).c_str() : "(none)",
                 std::strerror(errno ? errno : EINVAL));
        return false;
    }
    struct stat st;
    // An older archive of the same name inside the archived folder must not
    // be taken into the new one.
    m_hasTarget = stat(path, &st) == 0;
    m_targetDev = m_hasTarget ? st.st_dev : 0;
    m_targetIno = m_hasTarget ? st.st_ino : 0;
    if (fstat(fileno(m_file->stream), &st) == 0) {
        m_dev = st.st_dev;
        m_ino = st.st_ino;
    }
    return true;
}

void CFileTarArchive::Discard() {
    if (m_file) rliFileAbort(m_file);
    m_file = nullptr;
    m_used = 0;
}

bool CFileTarArchive::Flush() {
    if (m_used == 0) return true;
    if (rliFileWriteBinary(m_file, m_buffer, m_used) != 0) {
        SetError("cannot write the archive: %s", std::strerror(m_file->failed ? m_file->failed : EIO));
        return false;
    }
    m_used = 0;
    return true;
}

bool CFileTarArchive::Emit(const void *data, size_t size) {
    auto *p = static_cast<const uint8_t *>(data);
    while (size > 0) {
        if (m_used == kBuffer && !Flush()) return false;
        size_t n = kBuffer - m_used < size ? kBuffer - m_used : size;
        if (p)
            std::memcpy(m_buffer + m_used, p, n);
        else
            std::memset(m_buffer + m_used, 0, n);
        m_used += n;
        m_length += n;
        if (p) p += n;
        size -= n;
    }
    return true;
}

bool CFileTarArchive::CheckCancel() { return cancelRequested(m_hooks, &m_cancelled, m_error, "the backup was cancelled"); }

void CFileTarArchive::Report(double ratio) { reportProgress(m_hooks, ratio); }

bool CFileTarArchive::Admits(const char *name) {
    if (!m_file) {
        SetError("no archive is open");
        return false;
    }
    if (std::strlen(name) > kTarNameMax) {
        SetError("cannot back up %s: its name within the backup is longer than %zu bytes", shown(name).c_str(),
                 kTarNameMax);
        return false;
    }
    return true;
}

bool CFileTarArchive::Add(const char *base, const char *name, int total) {
    if (!Admits(name)) return false;
    std::string path = std::string(base) + name;
    int in = faulted() ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (in < 0 || fstat(in, &st) != 0) {
        SetError("cannot read %s: %s", shown(path.c_str()).c_str(), std::strerror(errno));
        if (in >= 0) close(in);
        return false;
    }
    auto size = static_cast<uint64_t>(st.st_size);
    if (size > kTarSizeMax) {
        SetError("cannot back up %s: it is larger than a backup entry can hold", shown(path.c_str()).c_str());
        close(in);
        return false;
    }
    buildHeader(m_block, name, size);
    bool ok = Emit(m_block, kTarBlock) && Copy(in, size, total);
    close(in);
    if (!ok) {
        if (!m_error[0]) SetError("cannot read %s", shown(path.c_str()).c_str());
        return false;
    }
    ++gnWriteFile;
    Report(total > 0 ? static_cast<double>(gnWriteFile) / total : 0);
    return !CheckCancel();
}

bool CFileTarArchive::AddBytes(const char *name, const std::string &bytes, int total) {
    if (!Admits(name)) return false;
    buildHeader(m_block, name, bytes.size());
    if (!Emit(m_block, kTarBlock) || !Emit(bytes.data(), bytes.size()) ||
        !Emit(nullptr, static_cast<size_t>(roundUp(bytes.size()) - bytes.size())))
        return false;
    ++gnWriteFile;
    Report(total > 0 ? static_cast<double>(gnWriteFile) / total : 0);
    return !CheckCancel();
}

bool CFileTarArchive::Copy(int in, uint64_t size, int total) {
    uint64_t remaining = size;
    while (remaining > 0) {
        if (m_used == kBuffer && !Flush()) return false;
        size_t room = kBuffer - m_used;
        size_t want = remaining < room ? static_cast<size_t>(remaining) : room;
        ssize_t got = faulted() ? -1 : read(in, m_buffer + m_used, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            // A file that shrank while it was read would give a corrupt entry.
            if (got == 0)
                SetError("a file became shorter while it was being backed up");
            else
                SetError("cannot read a file: %s", std::strerror(errno));
            return false;
        }
        m_used += static_cast<size_t>(got);
        m_length += static_cast<uint64_t>(got);
        remaining -= static_cast<uint64_t>(got);
        if (total > 0) Report((gnWriteFile + 1.0 - static_cast<double>(remaining) / static_cast<double>(size)) / total);
        if (CheckCancel()) return false;
    }
    uint64_t pad = roundUp(size) - size;
    return Emit(nullptr, static_cast<size_t>(pad));
}

bool CFileTarArchive::Close() {
    if (!m_file) {
        SetError("no archive is open");
        return false;
    }
    bool ok = Emit(nullptr, 2 * kTarBlock) && Flush();
    if (!ok) {
        Discard();
        return false;
    }
    _sRliFile *file = m_file;
    m_file = nullptr;
    errno = 0;
    if (rliFileClose(file) != 0) {
        SetError("cannot finish the archive: %s", std::strerror(errno ? errno : EIO));
        return false;
    }
    return true;
}

int tarWalkTree(const char *dir, const char *base, tarTreeFn visit, void *ctx, char *error) {
    DIR *d = faulted() ? nullptr : opendir(dir);
    auto fail = [&](const char *format, const char *path, const char *reason) {
        if (error && !error[0]) std::snprintf(error, kTarErrorMax, format, shown(path).c_str(), reason);
    };
    if (!d) {
        fail("cannot read the folder %s: %s", dir, std::strerror(errno));
        return 0;
    }
    size_t dirLen = std::strlen(dir);
    bool slash = dirLen > 0 && dir[dirLen - 1] == '/';
    size_t baseLen = std::strlen(base);
    int result = 1;
    for (;;) {
        errno = 0;
        struct dirent *ent = readdir(d);
        if (!ent) {
            if (errno != 0) {
                fail("cannot read the folder %s: %s", dir, std::strerror(errno));
                result = 0;
            }
            break;
        }
        const char *name = ent->d_name;
        std::string path = std::string(dir) + (slash ? "" : "/") + name;
        if (path.size() >= kRliPathMax) {
            fail("cannot back up %s: %s", path.c_str(), "the path is too long");
            result = 0;
            break;
        }
        struct stat st;
        bool known = stat(path.c_str(), &st) == 0;
        if (known && S_ISDIR(st.st_mode)) {
            if (name[0] == '.') continue;
            if (!tarWalkTree(path.c_str(), base, visit, ctx, error)) {
                result = 0;
                break;
            }
            continue;
        }
        if (!isArchivedName(name)) continue;
        if (!known) {
            fail("cannot read %s: %s", path.c_str(), std::strerror(errno));
            result = 0;
            break;
        }
        // Pipes and devices are never card data.
        if (!S_ISREG(st.st_mode)) continue;
        if (!visit(ctx, path.c_str(), path.c_str() + baseLen, st)) {
            result = 0;
            break;
        }
    }
    closedir(d);
    return result;
}

int TarAdd(CFileTarArchive *archive, const char *dir, const char *base, int total,
           const std::vector<sTarReplacement> *replace) {
    struct sAddPass {
        CFileTarArchive *archive;
        const char *base;
        int total;
        const std::vector<sTarReplacement> *replace;
        std::vector<bool> used;
    } pass{archive, base, total, replace, std::vector<bool>(replace ? replace->size() : 0)};
    auto visit = [](void *ctx, const char *, const char *name, const struct stat &st) {
        auto *p = static_cast<sAddPass *>(ctx);
        // The archive itself never goes in.
        if (p->archive->IsArchiveFile(st)) return true;
        for (size_t i = 0; i < p->used.size(); ++i)
            if (strcasecmp(name, (*p->replace)[i].name.c_str()) == 0) {
                p->used[i] = true;
                return p->archive->AddBytes(name, (*p->replace)[i].bytes, p->total);
            }
        return p->archive->Add(p->base, name, p->total);
    };
    char error[kTarErrorMax] = "";
    int r = tarWalkTree(dir, base, visit, &pass, error);
    if (!r && error[0]) archive->SetError("%s", error);
    for (size_t i = 0; r && i < pass.used.size(); ++i)
        if (!pass.used[i]) r = archive->AddBytes((*replace)[i].name.c_str(), (*replace)[i].bytes, total) ? 1 : 0;
    return r;
}

int tarBackupSave(const char *archivePath, const char *base, int total, const sTarHooks *hooks, char *error,
                  size_t cap, const std::vector<sTarReplacement> *replace) {
    std::string root = base ? base : "";
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    CFileTarArchive archive;
    if (hooks) archive.SetHooks(*hooks);
    int result = 0;
    if (!archive.Open(archivePath))
        result = -1;
    else if (!TarAdd(&archive, root.c_str(), root == "/" ? "" : root.c_str(), total, replace))
        result = archive.IsCancelled() ? -2 : -1;
    else if (!archive.Close())
        result = -1;
    if (result != 0) archive.Discard();
    if (error && cap) std::snprintf(error, cap, "%s", result == 0 ? "" : archive.GetError());
    return result;
}

// --- Verifying -------------------------------------------------------------------

const char *tarCheckTarget(const char *base, const char *rel, bool folder, char *where, size_t cap) {
    std::string at;
    const char *why = checkBelowBase(base, rel, folder, &at);
    if (where && cap) std::snprintf(where, cap, "%s", why ? shown(at.c_str()).c_str() : "");
    return why;
}

int tarVerifySource(tarReadAtFn readAt, void *source, uint64_t length, const char *base, sTarVerifyInfo *info) {
    return walkArchive(readAt, source, length, base, info, nullptr, nullptr);
}

int tarVerifyFile(const char *archivePath, const char *base, sTarVerifyInfo *info) {
    uint64_t length = 0;
    int fd = archivePath ? openArchive(archivePath, &length) : -1;
    if (fd < 0) {
        std::memset(info, 0, sizeof *info);
        setInfoError(info, "cannot open the archive %s: %s", archivePath ? shown(archivePath).c_str() : "(none)",
                     std::strerror(errno));
        return -1;
    }
    int r = walkArchive(readAtFd, &fd, length, base, info, nullptr, nullptr);
    close(fd);
    return r;
}

int tarVerifyMemory(const void *data, size_t size, sTarVerifyInfo *info) {
    sMemorySource m{static_cast<const uint8_t *>(data), size};
    return walkArchive(readAtMemory, &m, size, nullptr, info, nullptr, nullptr);
}

// --- Reader -------------------------------------------------------------------------

namespace {

struct sExtractPass {
    CFileTarExtract *self;
    const char *base;
    int fd;
};

}  // namespace

CFileTarExtract::CFileTarExtract()
    : m_buffer(nullptr),
      m_length(0),
      m_offset(0),
      m_dataOffset(0),
      m_hooks{},
      m_cancelled(false),
      m_info{},
      m_error{} {}

CFileTarExtract::~CFileTarExtract() {
    if (m_buffer) memFree(m_buffer);
}

void CFileTarExtract::SetHooks(const sTarHooks &hooks) { m_hooks = hooks; }

void CFileTarExtract::SetError(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    keepFirstError(m_error, format, ap);
    va_end(ap);
}

bool CFileTarExtract::CheckCancel() { return cancelRequested(m_hooks, &m_cancelled, m_error, "the restore was cancelled"); }

void CFileTarExtract::Report(double ratio) { reportProgress(m_hooks, ratio); }

int CFileTarExtract::Extract(const char *base, const char *archivePath) {
    m_cancelled = false;
    m_error[0] = '\0';
    std::memset(&m_info, 0, sizeof m_info);
    if (!haveBuffer(&m_buffer)) {
        SetError("out of memory");
        return 0;
    }
    if (!base || !*base) {
        SetError("no folder to restore into");
        return 0;
    }
    uint64_t length = 0;
    int fd = archivePath ? openArchive(archivePath, &length) : -1;
    if (fd < 0) {
        SetError("cannot open the archive %s: %s", archivePath ? shown(archivePath).c_str() : "(none)",
                 std::strerror(errno));
        return 0;
    }
    m_length = static_cast<double>(length);
    m_offset = 0;
    // The whole archive is checked before the first byte is written, so a
    // damaged or hostile archive changes nothing.
    if (walkArchive(readAtFd, &fd, length, base, &m_info, nullptr, nullptr) != 0) {
        SetError("%s", m_info.error);
        close(fd);
        return 0;
    }
    if (!makeBase(base)) {
        SetError("cannot create the folder %s: %s", shown(base).c_str(), std::strerror(errno));
        close(fd);
        return 0;
    }
    sTarVerifyInfo counted = m_info;
    sExtractPass pass{this, base, fd};
    auto visit = [](void *ctx, const sTarEntry &e) {
        auto *p = static_cast<sExtractPass *>(ctx);
        CFileTarExtract *self = p->self;
        self->m_offset = static_cast<double>(e.header);
        self->m_dataOffset = e.data;
        if (!self->ExtractSub(p->base, e.rel, p->fd, e.size, e.folder)) return false;
        self->Report((static_cast<double>(e.data + roundUp(e.size))) / (self->m_length > 0 ? self->m_length : 1));
        return !self->CheckCancel();
    };
    rliFileSyncBegin();
    int walked = walkArchive(readAtFd, &fd, length, base, &m_info, visit, &pass);
    int synced = rliFileSyncEnd(base);
    close(fd);
    if (walked != 0) {
        SetError("%s", m_info.error);
        return 0;
    }
    m_info = counted;
    if (synced != 0) {
        SetError("cannot write the restored files to the volume: %s", std::strerror(errno ? errno : EIO));
        return 0;
    }
    return 1;
}

int CFileTarExtract::ExtractSub(const char *base, const char *name, int fd, uint64_t size, bool folder) {
    std::string path = base;
    if (path.empty() || path.back() != '/') path += '/';
    const char *slash = std::strrchr(name, '/');
    std::string folders = folder ? name : std::string(name, slash ? static_cast<size_t>(slash - name) : 0);
    // Every folder is looked at without following links just before it is
    // used, so no entry is ever written through a link.
    if (rliDirCreateChain(base, folders.c_str(), RLI_DIR_NO_LINKS) != 0) {
        if (errno == ENOTDIR || errno == ELOOP)
            SetError("cannot restore into %s: it is not a folder", shown((path + folders).c_str()).c_str());
        else
            SetError("cannot create the folder %s: %s", shown((path + folders).c_str()).c_str(), std::strerror(errno));
        return 0;
    }
    return folder ? 1 : Copy((path + name).c_str(), fd, size);
}

int CFileTarExtract::Copy(const char *path, int fd, uint64_t size) {
    _sRliFile *out = rliFileOpenA(path, cRLIFILE_MODE_WRITE_BINARY, -1);
    if (!out) {
        SetError("cannot create %s: %s", shown(path).c_str(), std::strerror(errno ? errno : EIO));
        return 0;
    }
    uint64_t done = 0;
    while (done < size) {
        size_t want = size - done < kBuffer ? static_cast<size_t>(size - done) : kBuffer;
        long got = readAtFd(&fd, m_dataOffset + done, m_buffer, want);
        if (got < 0 || static_cast<size_t>(got) != want) {
            SetError("cannot read the archive for %s: %s", shown(path).c_str(),
                     got < 0 ? std::strerror(errno) : "it ended early");
            rliFileAbort(out);
            return 0;
        }
        if (rliFileWriteBinary(out, m_buffer, want) != 0) {
            SetError("cannot write %s: %s", shown(path).c_str(), std::strerror(out->failed ? out->failed : EIO));
            rliFileAbort(out);
            return 0;
        }
        done += want;
        double share = m_length > 0 ? static_cast<double>(size) / m_length : 0;
        Report(m_offset / (m_length > 0 ? m_length : 1) + static_cast<double>(done) / static_cast<double>(size) * share);
        if (CheckCancel()) {
            rliFileAbort(out);
            return 0;
        }
    }
    errno = 0;
    if (rliFileClose(out) != 0) {
        SetError("cannot write %s: %s", shown(path).c_str(), std::strerror(errno ? errno : EIO));
        return 0;
    }
    return 1;
}


