// file: whole-file reads, safe whole-file writes, and the small file tests.
//
// A file opened for reading is read whole (or up to a limit) into a tracked
// buffer and closed at once. A file opened for writing ("w", "wb") is written
// under a temporary name in the same folder (".<name>.<random>.tmp"); closing it
// checks every write and the close, syncs, and renames it over the old file.
// Any failure removes the temporary file and leaves the old file whole, so a
// full or pulled card never holds half a file under a real name.
//
// Durability: a single write syncs its file before the rename. A job that writes
// many small files brackets them with rliFileSyncBegin / rliFileSyncEnd, which
// skips the per-file syncs and syncs the whole file system once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Open modes.
extern const char *const cRLIFILE_MODE_READ;          // "r"
extern const char *const cRLIFILE_MODE_READ_BINARY;   // "rb"
extern const char *const cRLIFILE_MODE_WRITE;         // "w"
extern const char *const cRLIFILE_MODE_WRITE_BINARY;  // "wb"
extern const char *const cRLIFILE_MODE_UPDATE;        // "r+": in place, not atomic

// One open file, allocated with owner tag "file".
struct _sRliFile {
    wchar_t *fileName;  // the full path as opened ("fName"); for display
    const char *mode;   // the open mode given by the caller
    uint8_t *data;      // contents read at open time, zero-terminated ("fAddr"); read modes only
    uint32_t dataSize;  // the file's whole length, even when fewer bytes were read
    FILE *stream;       // open stream for the write modes and "r+", else null
    char *path;         // the real path in file-system bytes ("fPath")
    char *tempPath;     // write modes: the temporary file being written ("fPath")
    int failed;         // write modes: errno of the first failed write, 0 while sound
};

// --- Opening and closing ----------------------------------------------------

// Opens "dir/name" (or `name` alone when `dir` is null or empty) with `mode`,
// reading at most `maxSize` bytes (-1: all) in the read modes. Returns a new
// record, or null when the name is empty, the file cannot be opened, or memory
// runs out; nothing is left allocated or created then.
_sRliFile *rliFileOpen(const wchar_t *name, const char *mode, long maxSize, const wchar_t *dir);
// As rliFileOpen for a path in file-system bytes. Null on failure, nothing left behind.
_sRliFile *rliFileOpenA(const char *path, const char *mode, long maxSize);
// Frees the record. For a write mode, commits: returns 0 when the new file is in
// place, -1 when any write, the sync, the close or the rename failed (the old
// file, if any, is then untouched and the temporary file removed).
int rliFileClose(_sRliFile *file);
// Frees the record; for a write mode the new content is discarded and the old
// file is untouched. Never fails.
void rliFileAbort(_sRliFile *file);

// --- Reading and writing ----------------------------------------------------

// Positions the stream at `offset` from the start. Returns -1 for a null
// record, -2 without a stream, -3 when the seek fails; else 0.
int rliFileSeek(_sRliFile *file, long offset);
// Writes `size` bytes. Returns -1 for a null record, -2 without a stream, -3
// when the write failed (the file is then marked failed and will not commit);
// else 0.
int rliFileWriteBinary(_sRliFile *file, const void *buffer, size_t size);
// Accessors; null / 0 for a null record.
uint8_t *rliFileGetDataAddr(const _sRliFile *file);
uint32_t rliFileGetDataSize(const _sRliFile *file);
const wchar_t *rliFileGetFilenamePtr(const _sRliFile *file);

// Replaces the file at `path` with `size` bytes of `data` through a temporary
// file. Returns 0, or -1 with the old file (if any) untouched.
int rliFileWriteAll(const char *path, const void *data, size_t size);

// --- Durability of many-file jobs --------------------------------------------

// Starts a batch on this thread: commits skip their per-file sync. Nests.
void rliFileSyncBegin(void);
// Ends a batch; the outermost end syncs the file system holding `path`.
// Returns 0, or -1 when that sync failed (the caller must report failure).
int rliFileSyncEnd(const char *path);
// Returns whether a batch is open on this thread.
bool rliFileSyncInBatch(void);

// --- Tests on the file system -------------------------------------------------

// Removes the file at byte path `path`. Returns 0, or -1 with errno set.
int rliFileDelete(const char *path);
// Returns 0 when "dir/name" exists, -1 when it does not or `name` is empty.
int rliFileGetReadOnly(const wchar_t *name, const wchar_t *dir);
// Returns 0 when "dir/name" is a folder, -1 otherwise; "/" always is; an empty name is not.
int rliFileGetDirExist(const wchar_t *name, const wchar_t *dir);
// Returns the length of the file at wide `path`, 0xFFFFFFFF when it cannot be examined.
uint32_t rliFileGetSize(const wchar_t *path);
// As rliFileGetSize for a byte path.
uint32_t rliFileGetSizeA(const char *path);
// Makes the folder `path` (mode 0777 less umask). Returns 0 when made or
// already a folder, -1 otherwise.
int rliDirCreate(const char *path);

// Flags of rliDirCreateChain.
enum : unsigned {
    RLI_DIR_NO_LINKS = 1u,  // a link below the base is refused (ELOOP) instead of followed
};
// Makes the missing folders of `relative` ("a/b/c", extra slashes ignored)
// one below the other inside `base`, mode 0755 less umask. `base` must be a
// folder already: neither it nor anything above it is ever made, so a card
// that went away never gets a tree planted in its empty mount folder, and
// "." or ".." in `relative` is refused (EINVAL) rather than leaving `base`.
// Returns 0 when the whole chain is there; -1 with errno set (ENOENT: `base`
// is missing, ENOTDIR: a part is no folder); the folders made stay.
int rliDirCreateChain(const char *base, const char *relative, unsigned flags);

// --- Temporary files ----------------------------------------------------------

// Creates and opens a new temporary file beside `finalPath` (same folder, name
// ".<name>.XXXXXX.tmp"), writing its path into `tmpOut` (capacity `cap`).
// Returns the open descriptor, or -1 with errno set and nothing created.
int rliFileMakeTemp(const char *finalPath, char *tmpOut, size_t cap);
// Returns whether the last path component looks like one of our temporary files.
bool rliFileIsTempName(const char *name);
// Returns the permission bits a new file gets (0666 less the umask).
unsigned rliFileNewMode(void);
