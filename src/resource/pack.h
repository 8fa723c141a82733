// pack: the resource pack, the resource files loaded at start-up, and the
// accessors by which the program reaches a picture by its number.
//
// Start-up reads two files whole into the open-files list (G.files): index 0
// the resource pack pack.bin, index 1 the string table. fileGetPtr(N) and
// fileGetSize(N) hand out pack entry N (pictures.h), binding the process-wide
// directory to the pack at the first call; number 103 is the string table.
//
// Pack layout (little-endian, offsets from the start of the file):
//   0   8 bytes the writer's own (ours: "KVBPACK" and a format byte)
//   8   count: number of entries
//   12  flags: bits 0-4 name-table width (the highest set bit of 16, 8, 4,
//       2, 1 gives 64, 32, 24, 16 or 8 bytes per name), bit 5 a table of one
//       32-bit user parameter per entry, bit 31 must be clear
//   16  block table: per entry its offset and size (32 bits each)
//   then the name table (width x count), then the user parameters (4 x count)
//   then the entries' bytes, anywhere after the tables.
//
// The pack comes from disk and may be damaged: the directory binds only to a
// pack whose count, tables and every block lie inside the bytes it holds, and
// a pack that fails is treated as missing (every lookup gives null and 0).
// The directory never writes into the pack: it keeps the offsets and adds the
// base address at each lookup, so the loaded bytes stay as they were read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/file.h"
#include "foundation/list.h"

// Kind of a resource-file record that holds a loaded file.
constexpr uint16_t kRkeFileKind = 0x4946;
// Pack header size, and the size of one block record.
constexpr size_t kPackHeaderSize = 16;
constexpr size_t kPackBlockSize = 8;

// Pack flag bits.
enum : uint32_t {
    PACK_NAMES_8 = 1u << 0,
    PACK_NAMES_16 = 1u << 1,
    PACK_NAMES_24 = 1u << 2,
    PACK_NAMES_32 = 1u << 3,
    PACK_NAMES_64 = 1u << 4,
    PACK_NAMES_MASK = 0x1Fu,
    PACK_USER_PARAMS = 1u << 5,
    PACK_RESOLVED = 1u << 31,  // set in memory by readers that resolve in place; refused in a file
};

// One loaded resource file, in the open-files list; owner tag "file".
struct sRkeFile {
    sRkeFile *next;  // list links (sListBase)
    sRkeFile *prev;
    uint16_t kind;    // kRkeFileKind
    _sRliFile *file;  // the file read whole; null after rkeFileFree
    uint32_t held;    // bytes of it in memory: its length, or less when read with a limit
};

// --- Resource-file records --------------------------------------------------------

// Appends a zeroed record of `kind` to `list` (`tag` is not kept). Returns it,
// or null for any kind but kRkeFileKind or when memory runs out (list unchanged).
sRkeFile *rkeIDCreate(sListBase *list, uint16_t kind, const char *tag);
// Frees the record's file, unlinks the record from `list` and frees it. Does
// nothing for a null record.
void rkeIDDispose(sListBase *list, sRkeFile *record);
// Reads the file `name` (relative to G.currentDir) whole into a new record at
// the end of G.files. Returns the record, or null when the file cannot be
// read or memory runs out (G.files unchanged).
sRkeFile *rkeFileAlloc(const wchar_t *name, const char *mode, long maxSize);
// Closes the record's file; the record stays in its list. Never fails.
void rkeFileFree(sRkeFile *record);
// Returns the file's data and whole length; null / 0 for a null record or a freed file.
const uint8_t *rkeFileGetDataAddr(const sRkeFile *record);
uint32_t rkeFileGetDataSize(const sRkeFile *record);
// Disposes of every record of G.files (shutdown). Never fails.
void rkeFileDisposeAll(void);

// --- The pack -------------------------------------------------------------------------

// Checks that the `size` bytes at `pack` are a whole pack. Returns 0, or -1
// with the reason in `reason` (capacity `cap`, may be null). Changes nothing.
int rkePackCheck(const uint8_t *pack, size_t size, char *reason, size_t cap);
// Loads the pack at `name` (as rkeFileAlloc) and checks it. Returns the
// record, or null when the file is missing or damaged: the record is then
// disposed of again, G.files is unchanged and the reason is in `reason` and
// the debug log.
sRkeFile *rkePackLoad(const wchar_t *name, char *reason, size_t cap);
// Returns the bytes of a pack of `entries` (flags as above; `names` holds
// width x count bytes when a name width is set, `params` count values when
// PACK_USER_PARAMS is set). Entries follow the tables in order. Empty when
// an argument is inconsistent or the pack would pass 4 GiB.
std::vector<uint8_t> rkePackBuild(const std::vector<std::vector<uint8_t>> &entries, uint32_t flags,
                                  const uint8_t *names, const uint32_t *params);

// Directory over one pack held in memory; owns nothing.
class CLinkManager {
public:
    CLinkManager() = default;
    // Constructs and binds (see SetLink).
    CLinkManager(const uint8_t *pack, size_t size) { SetLink(pack, size); }
    CLinkManager(const CLinkManager &) = default;
    CLinkManager &operator=(const CLinkManager &) = default;
    virtual ~CLinkManager() = default;

    // Binds to the `size` bytes at `pack`. Returns 1, or 0 for a damaged pack
    // (rkePackCheck), after which the directory is unbound.
    int SetLink(const uint8_t *pack, size_t size);
    // Returns whether the directory is bound.
    bool IsBound() const { return header_ != nullptr; }
    // Returns the number of entries; 0 when unbound.
    int GetCount() const { return static_cast<int>(count_); }

    // For 0 <= id < count: stores the entry's address and size into the
    // out-parameters given and returns 1; else returns 0 and stores nothing.
    int GetBlock(int id, const uint8_t **address, uint32_t *size) const;
    // Returns the entry's address / size; null / 0 for `id` outside 0 to count - 1.
    const uint8_t *GetBlockAddress(int id) const;
    uint32_t GetBlockSize(int id) const;
    // Returns the entry's name field (GetFileNameWidth bytes, not terminated);
    // null outside the range or without a name table.
    const uint8_t *GetFileNameAddress(int id) const;
    // Returns the width of a name field; 0 without a name table.
    uint32_t GetFileNameWidth() const { return nameWidth_; }
    // Returns the entry's user parameter; 0 outside the range or without the table.
    uint32_t GetFileUserParam(int id) const;

private:
    const uint8_t *header_ = nullptr;  // the pack's first byte; null while unbound
    const uint8_t *blocks_ = nullptr;  // the block table
    const uint8_t *names_ = nullptr;   // the name table, or null
    const uint8_t *params_ = nullptr;  // the user-parameter table, or null
    uint32_t count_ = 0;               // number of entries
    uint32_t nameWidth_ = 0;           // bytes per name field
};

// --- Accessors -------------------------------------------------------------------------

// For `id` 103 the string table (the second open file), null when not loaded.
// For other ids: binds the directory to the first open file when it is not
// bound yet, then returns entry `id`; null past the last entry, for a
// negative id, without a pack, or when the pack is damaged.
const uint8_t *fileGetPtr(int id);
// As fileGetPtr with sizes; 0 where fileGetPtr gives null.
uint32_t fileGetSize(int id);
// Unbinds the directory, so that the next lookup binds again (start-up,
// shutdown and tests). Never fails.
void fileLinkReset(void);
// Returns the process-wide directory (bound or not). Never null.
const CLinkManager *fileLinkGet(void);

// --- Whole-file holders -----------------------------------------------------------------

// Holds one file read whole, or nothing.
class CgifFile {
public:
    CgifFile() = default;
    CgifFile(const CgifFile &) = delete;
    CgifFile &operator=(const CgifFile &) = delete;
    virtual ~CgifFile() { term(); }

    // Reads the file at byte path `path` whole, when the holder is empty.
    // Returns the held buffer (the old one when it held one already), null
    // when the file cannot be read (the holder stays empty).
    uint8_t *init(const char *path);
    // Frees the buffer. Never fails.
    void term();
    // Returns the held buffer and its length; null / 0 when empty.
    uint8_t *getBuffer() const { return buffer_; }
    size_t getSize() const { return size_; }

    // Reads `size` bytes of the file at `path` into `buffer`. Returns 0; -1
    // when the file cannot be opened, -2 when it holds fewer bytes (the
    // bytes that were there are read, the rest of `buffer` is unchanged).
    static int readData(void *buffer, size_t size, const char *path);
    // Replaces the file at `path` with `size` bytes of `buffer`, through a
    // temporary file. Returns 0, or -1 with the old file untouched.
    static int writeData(const void *buffer, size_t size, const char *path);

private:
    uint8_t *buffer_ = nullptr;  // tracked buffer; null when empty
    size_t size_ = 0;
};

// Holds one file loaded through a resource-file record, or nothing.
class CgifFileKe {
public:
    CgifFileKe() = default;
    CgifFileKe(const CgifFileKe &) = delete;
    CgifFileKe &operator=(const CgifFileKe &) = delete;
    virtual ~CgifFileKe() { term(); }

    // Loads `widePath` (rkeFileAlloc, read-binary, whole) when empty. Returns
    // the data, null when it cannot be loaded.
    const uint8_t *init(const wchar_t *widePath);
    // Returns the data; null when empty.
    const uint8_t *getFilePt() const { return rkeFileGetDataAddr(file_); }
    // Releases the file and its record. Never fails.
    void term();

private:
    sRkeFile *file_ = nullptr;  // record in G.files, or null
};
