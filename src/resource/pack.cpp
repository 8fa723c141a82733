// The resource pack, resource-file records and whole-file holders. See pack.h.
#include "resource/pack.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/global.h"
#include "foundation/log.h"
#include "foundation/mem.h"
#include "resource/le.h"

namespace {

constexpr char kPackMagic[8] = {'K', 'V', 'B', 'P', 'A', 'C', 'K', 1};

// The tables of a pack whose every extent has been checked against its size.
struct PackLayout {
    uint32_t count;
    uint32_t flags;
    uint32_t nameWidth;
    uint64_t names;   // offset of the name table, 0 without one
    uint64_t params;  // offset of the user parameters, 0 without them
    uint64_t end;     // first byte after the tables
};

uint32_t nameWidthOf(uint32_t flags) {
    if (flags & PACK_NAMES_64) return 64;
    if (flags & PACK_NAMES_32) return 32;
    if (flags & PACK_NAMES_24) return 24;
    if (flags & PACK_NAMES_16) return 16;
    if (flags & PACK_NAMES_8) return 8;
    return 0;
}

void say(char *reason, size_t cap, const char *format, ...) __attribute__((format(printf, 3, 4)));
void say(char *reason, size_t cap, const char *format, ...) {
    if (!reason || cap == 0) return;
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(reason, cap, format, ap);
    va_end(ap);
}

// Reads the header and places the tables; every sum is 64-bit so that no
// value of the file can wrap it. False with the reason when the tables do
// not fit. Blocks are not looked at.
bool readLayout(const uint8_t *pack, size_t size, PackLayout &l, char *reason, size_t cap) {
    if (!pack || size < kPackHeaderSize) {
        say(reason, cap, "pack of %zu bytes is shorter than its %zu-byte header", size, kPackHeaderSize);
        return false;
    }
    l.count = leGet32(pack + 8);
    l.flags = leGet32(pack + 12);
    if (l.flags & PACK_RESOLVED) {
        say(reason, cap, "pack flags 0x%08x have bit 31 set", l.flags);
        return false;
    }
    l.nameWidth = nameWidthOf(l.flags);
    uint64_t at = kPackHeaderSize + uint64_t{kPackBlockSize} * l.count;
    l.names = l.nameWidth ? at : 0;
    at += uint64_t{l.nameWidth} * l.count;
    l.params = (l.flags & PACK_USER_PARAMS) ? at : 0;
    if (l.flags & PACK_USER_PARAMS) at += 4ull * l.count;
    l.end = at;
    if (at > size) {
        say(reason, cap, "%u entries need %llu bytes of tables, the pack has %zu", l.count,
            static_cast<unsigned long long>(at), size);
        return false;
    }
    return true;
}

}  // namespace

// --- Resource-file records ------------------------------------------------------------

sRkeFile *rkeIDCreate(sListBase *list, uint16_t kind, const char *tag) {
    (void)tag;
    if (!list || kind != kRkeFileKind) return nullptr;
    auto *record = static_cast<sRkeFile *>(memCalloc(sizeof(sRkeFile), "file"));
    if (!record) return nullptr;
    record->kind = kind;
    rliListAddTail(list, record);
    return record;
}

void rkeIDDispose(sListBase *list, sRkeFile *record) {
    if (!record) return;
    if (record->kind == kRkeFileKind) rkeFileFree(record);
    rliListRemLink(list, record);
    memFree(record);
}

sRkeFile *rkeFileAlloc(const wchar_t *name, const char *mode, long maxSize) {
    sRkeFile *record = rkeIDCreate(&G.files, kRkeFileKind, "file");
    if (!record) return nullptr;
    record->file = rliFileOpen(name, mode, maxSize, G.currentDir[0] ? G.currentDir : nullptr);
    if (!record->file) {
        rkeIDDispose(&G.files, record);
        return nullptr;
    }
    uint32_t length = rliFileGetDataSize(record->file);
    record->held = maxSize < 0 || static_cast<unsigned long>(maxSize) > length ? length : static_cast<uint32_t>(maxSize);
    return record;
}

void rkeFileFree(sRkeFile *record) {
    if (!record || !record->file) return;
    rliFileClose(record->file);
    record->file = nullptr;
    record->held = 0;
}

const uint8_t *rkeFileGetDataAddr(const sRkeFile *record) {
    return record ? rliFileGetDataAddr(record->file) : nullptr;
}

uint32_t rkeFileGetDataSize(const sRkeFile *record) { return record ? rliFileGetDataSize(record->file) : 0; }

void rkeFileDisposeAll(void) {
    while (G.files.first) rkeIDDispose(&G.files, static_cast<sRkeFile *>(G.files.first));
    fileLinkReset();
}

// --- The pack ----------------------------------------------------------------------------

int rkePackCheck(const uint8_t *pack, size_t size, char *reason, size_t cap) {
    PackLayout l;
    if (!readLayout(pack, size, l, reason, cap)) return -1;
    for (uint32_t i = 0; i < l.count; ++i) {
        const uint8_t *b = pack + kPackHeaderSize + kPackBlockSize * i;
        uint64_t offset = leGet32(b), length = leGet32(b + 4);
        // A block may not reach into the header or the tables, nor past the end.
        if (offset < l.end || offset + length > size) {
            say(reason, cap, "entry %u (offset %llu, %llu bytes) lies outside the pack's %zu data bytes", i,
                static_cast<unsigned long long>(offset), static_cast<unsigned long long>(length), size);
            return -1;
        }
    }
    return 0;
}

sRkeFile *rkePackLoad(const wchar_t *name, char *reason, size_t cap) {
    sRkeFile *record = rkeFileAlloc(name, cRLIFILE_MODE_READ_BINARY, -1);
    if (!record) {
        say(reason, cap, "cannot be read");
        rliDbgLog("pack: %ls cannot be read\n", name ? name : L"(null)");
        return nullptr;
    }
    char why[160];
    // The whole file was asked for; a size that differs means it changed while being read.
    if (rkePackCheck(rkeFileGetDataAddr(record), rkeFileGetDataSize(record), why, sizeof why) < 0) {
        say(reason, cap, "%s", why);
        rliDbgLog("pack: %ls refused: %s\n", name, why);
        rkeIDDispose(&G.files, record);
        return nullptr;
    }
    return record;
}

std::vector<uint8_t> rkePackBuild(const std::vector<std::vector<uint8_t>> &entries, uint32_t flags,
                                  const uint8_t *names, const uint32_t *params) {
    uint32_t width = nameWidthOf(flags);
    if ((flags & PACK_RESOLVED) || (width && !names) || ((flags & PACK_USER_PARAMS) && !params)) return {};
    uint64_t count = entries.size();
    uint64_t tables = kPackHeaderSize + (kPackBlockSize + width + ((flags & PACK_USER_PARAMS) ? 4 : 0)) * count;
    uint64_t total = tables;
    for (const auto &e : entries) total += e.size();
    if (total > UINT32_MAX) return {};

    std::vector<uint8_t> out(static_cast<size_t>(tables));
    std::memcpy(out.data(), kPackMagic, sizeof kPackMagic);
    lePut32(out.data() + 8, static_cast<uint32_t>(count));
    lePut32(out.data() + 12, flags);
    uint8_t *at = out.data() + kPackHeaderSize + kPackBlockSize * count;
    if (width) {
        std::memcpy(at, names, width * count);
        at += width * count;
    }
    if (flags & PACK_USER_PARAMS)
        for (uint64_t i = 0; i < count; ++i, at += 4) lePut32(at, params[i]);
    uint32_t offset = static_cast<uint32_t>(tables);
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t *b = out.data() + kPackHeaderSize + kPackBlockSize * i;
        lePut32(b, offset);
        lePut32(b + 4, static_cast<uint32_t>(entries[i].size()));
        offset += static_cast<uint32_t>(entries[i].size());
    }
    out.reserve(static_cast<size_t>(total));
    for (const auto &e : entries) out.insert(out.end(), e.begin(), e.end());
    return out;
}

// --- CLinkManager --------------------------------------------------------------------------

int CLinkManager::SetLink(const uint8_t *pack, size_t size) {
    *this = CLinkManager();
    PackLayout l;
    char why[160] = "";
    if (rkePackCheck(pack, size, why, sizeof why) < 0 || !readLayout(pack, size, l, nullptr, 0)) {
        rliDbgLog("pack: not bound: %s\n", why);
        return 0;
    }
    header_ = pack;
    blocks_ = pack + kPackHeaderSize;
    names_ = l.names ? pack + l.names : nullptr;
    params_ = l.params ? pack + l.params : nullptr;
    count_ = l.count;
    nameWidth_ = l.nameWidth;
    return 1;
}

int CLinkManager::GetBlock(int id, const uint8_t **address, uint32_t *size) const {
    if (id < 0 || static_cast<uint32_t>(id) >= count_) return 0;
    const uint8_t *b = blocks_ + kPackBlockSize * static_cast<uint32_t>(id);
    if (address) *address = header_ + leGet32(b);
    if (size) *size = leGet32(b + 4);
    return 1;
}

const uint8_t *CLinkManager::GetBlockAddress(int id) const {
    const uint8_t *address = nullptr;
    GetBlock(id, &address, nullptr);
    return address;
}

uint32_t CLinkManager::GetBlockSize(int id) const {
    uint32_t size = 0;
    GetBlock(id, nullptr, &size);
    return size;
}

const uint8_t *CLinkManager::GetFileNameAddress(int id) const {
    if (!names_ || id < 0 || static_cast<uint32_t>(id) >= count_) return nullptr;
    return names_ + uint64_t{nameWidth_} * static_cast<uint32_t>(id);
}

uint32_t CLinkManager::GetFileUserParam(int id) const {
    if (!params_ || id < 0 || static_cast<uint32_t>(id) >= count_) return 0;
    return leGet32(params_ + 4ull * static_cast<uint32_t>(id));
}

// --- Accessors -------------------------------------------------------------------------------

namespace {

CLinkManager gLink;
bool gLinkBound = false;  // set once binding was tried with a loaded pack

const CLinkManager &boundLink() {
    if (!gLinkBound) {
        // Only the bytes in memory count: a pack read with a limit is checked
        // against what was read, not against the file's length.
        auto *pack = static_cast<const sRkeFile *>(G.files.first);
        if (rkeFileGetDataAddr(pack)) {
            gLink.SetLink(rkeFileGetDataAddr(pack), pack->held);
            gLinkBound = true;
        }
    }
    return gLink;
}

const sRkeFile *stringTableFile() {
    auto *pack = static_cast<const sRkeFile *>(G.files.first);
    return pack ? pack->next : nullptr;
}

}  // namespace

const uint8_t *fileGetPtr(int id) {
    if (id == 103) return rkeFileGetDataAddr(stringTableFile());
    return boundLink().GetBlockAddress(id);
}

uint32_t fileGetSize(int id) {
    if (id == 103) return rkeFileGetDataSize(stringTableFile());
    return boundLink().GetBlockSize(id);
}

void fileLinkReset(void) {
    gLink = CLinkManager();
    gLinkBound = false;
}

const CLinkManager *fileLinkGet(void) { return &gLink; }

// --- Whole-file holders ------------------------------------------------------------------------

uint8_t *CgifFile::init(const char *path) {
    if (buffer_) return buffer_;
    _sRliFile *file = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, -1);
    if (!file) return nullptr;
    size_t size = rliFileGetDataSize(file);
    auto *buffer = static_cast<uint8_t *>(memMalloc(size ? size : 1, "gifFile"));
    if (buffer) {
        std::memcpy(buffer, rliFileGetDataAddr(file), size);
        buffer_ = buffer;
        size_ = size;
    }
    rliFileClose(file);
    return buffer_;
}

void CgifFile::term() {
    if (buffer_) memFree(buffer_);
    buffer_ = nullptr;
    size_ = 0;
}

int CgifFile::readData(void *buffer, size_t size, const char *path) {
    if (!buffer || !path) return -1;
    FILE *f = std::fopen(path, "rb");
    if (!f) return -1;
    size_t got = std::fread(buffer, 1, size, f);
    std::fclose(f);
    return got == size ? 0 : -2;
}

int CgifFile::writeData(const void *buffer, size_t size, const char *path) {
    if ((!buffer && size) || !path) return -1;
    return rliFileWriteAll(path, buffer, size);
}

const uint8_t *CgifFileKe::init(const wchar_t *widePath) {
    if (!file_) file_ = rkeFileAlloc(widePath, cRLIFILE_MODE_READ_BINARY, -1);
    return getFilePt();
}

void CgifFileKe::term() {
    // The record goes too: a holder that let it stay would leave an empty
    // record in the open-files list for every load.
    if (file_) rkeIDDispose(&G.files, file_);
    file_ = nullptr;
}
