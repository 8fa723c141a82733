// archive: the backup archive, a tar dialect whose bytes are fixed.
//
// Every archived file is one 512-byte header block followed by its data in
// 512-byte blocks (the last one zero-padded); two zero blocks end the archive.
// Headers carry fixed mode, owners and time, so the same card gives the same
// archive byte for byte whenever it is written. No folder entries are written.
//
// Writing goes to a temporary file beside the target, which replaces the
// target only when the archive is complete and synced: a failed or cancelled
// backup leaves an older archive of the same name untouched.
//
// Reading never trusts the archive: a verify walk reads every header first
// (checksum, type, sizes, end blocks, safe names) and nothing is written unless
// the whole archive passed. Every extracted file is written under a temporary
// name and renamed into place, and no entry can reach outside the base folder.
// Archives of other tar programs restore too: folder entries make folders and
// names come from extended headers or long-name entries where those are used;
// links, devices and every other entry type are refused.
//
// Data moves in 1 MiB buffers in both directions; progress is reported and the
// cancel flag read after every buffer and every file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/types.h>

struct _sRliFile;

// Size of one archive block.
constexpr size_t kTarBlock = 512;
// Longest entry name the header's name field holds, in bytes.
constexpr size_t kTarNameMax = 99;
// Largest file the 11 octal digits of the size field can describe.
constexpr uint64_t kTarSizeMax = 077777777777ull;
// Capacity of the readable error texts, terminating zero included.
constexpr size_t kTarErrorMax = 640;

// Receives the share of the whole job done so far (0 to 1), on the job's thread.
typedef void (*tarProgressFn)(void *user, float ratio);

// How a job reports progress and learns that it should stop. Any field may be null.
struct sTarHooks {
    tarProgressFn progress;     // called after every buffer and every file
    void *user;                 // handed back to `progress`
    std::atomic<int> *cancel;   // a non-zero value stops the job at the next buffer
};

// A file a backup holds with other bytes than the card's (lists the card
// could not be brought up to date with).
struct sTarReplacement {
    std::string name;   // its name within the backup ("/KVB-RT/SYSTEM/tag_list.kvb"), any case on the card
    std::string bytes;  // what the backup holds under that name
};

// Number of files added since the last archive was opened (the backup's progress).
extern int gnWriteFile;

// --- Writer -------------------------------------------------------------------

class CFileTarArchive {
public:
    CFileTarArchive();
    // Discards an archive that was not closed: the target stays as it was.
    ~CFileTarArchive();
    CFileTarArchive(const CFileTarArchive &) = delete;
    CFileTarArchive &operator=(const CFileTarArchive &) = delete;

    // Sets the progress and cancel hooks (copied). Never fails.
    void SetHooks(const sTarHooks &hooks);
    // Starts a new archive that will replace `path` on Close; discards one in
    // progress and sets gnWriteFile to 0. Returns false (error text set) when
    // the temporary file cannot be created; `path` is never touched here.
    bool Open(const char *path);
    // Appends the file `base` + `name` under the header name `name` ("/" first).
    // Returns false on failure, when the name is over 99 bytes, or when the job
    // has been cancelled (IsCancelled); the archive is then not fit to close.
    bool Add(const char *base, const char *name, int total);
    // Appends `bytes` under the header name `name`, as Add appends a file.
    bool AddBytes(const char *name, const std::string &bytes, int total);
    // Appends `size` bytes of descriptor `in` and the zero padding to the block.
    // Returns false on a short read, a failed write or a cancel.
    bool Copy(int in, uint64_t size, int total);
    // Writes the two end blocks, syncs and renames the archive over its target.
    // Returns false (target untouched, temporary file removed) on any failure,
    // or when no archive is open.
    bool Close();
    // Abandons the archive: the temporary file is removed, the target stays. Never fails.
    void Discard();

    // Whether an archive is open. Changes nothing.
    bool IsOpen() const { return m_file != nullptr; }
    // Whether the last failure was a cancel. Changes nothing.
    bool IsCancelled() const { return m_cancelled; }
    // Readable text of the last failure ("" when none). Changes nothing.
    const char *GetError() const { return m_error; }
    // Bytes appended so far. Changes nothing.
    uint64_t GetLength() const { return m_length; }

    // Records a failure text (printf style); the first one since Open stays.
    void SetError(const char *format, ...) __attribute__((format(printf, 2, 3)));
    // Whether `st` is the archive being written or the one it replaces (a walk
    // skips both). Changes nothing.
    bool IsArchiveFile(const struct stat &st) const;

private:
    bool Admits(const char *name);  // an archive is open and `name` fits a header; else the error is set
    bool Emit(const void *data, size_t size);
    bool Flush();
    bool CheckCancel();
    void Report(double ratio);

    _sRliFile *m_file;         // the temporary archive being written, null when closed
    uint8_t *m_block;          // one header block ("Tar")
    uint8_t *m_buffer;         // output buffer of 1 MiB ("Tar"): headers, data and padding
    size_t m_used;             // bytes waiting in m_buffer
    uint64_t m_length;         // bytes appended since Open
    dev_t m_dev;               // identity of the temporary file, so a walk never archives it
    ino_t m_ino;
    dev_t m_targetDev;         // identity of an older archive at the target path, skipped alike
    ino_t m_targetIno;
    bool m_hasTarget;          // an older archive existed at Open
    sTarHooks m_hooks;         // progress and cancel
    bool m_cancelled;          // the last failure was a cancel
    char m_error[kTarErrorMax];
};

// Called by tarWalkTree for every file a backup takes: its full `path`, its
// `name` within the backup (the base removed) and its status. Returns false
// to stop the walk.
typedef bool (*tarTreeFn)(void *ctx, const char *path, const char *name, const struct stat &st);
// Walks the files a backup of `base` takes below `dir` (".kvb", ".aif",
// ".aiff", ".wav", any case; regular files only; folders beginning with "."
// and our temporary files skipped), in the order the system lists them.
// Returns 1, or 0 at the first failure: a folder that cannot be read (reason
// put into `error`, capacity kTarErrorMax, when it is still empty) or a
// visitor that stopped. Changes nothing.
int tarWalkTree(const char *dir, const char *base, tarTreeFn visit, void *ctx, char *error);

// Adds every eligible file below `dir` (".kvb", ".aif", ".aiff", ".wav", any
// case; folders beginning with "." and our temporary files skipped), each
// under its path with the `base` prefix removed; a file `replace` (may be
// null) names goes in with its replacement's bytes, and a replacement no file
// matched goes in after the others. Returns 1, or 0 at the first failure
// (error text in the archive).
int TarAdd(CFileTarArchive *archive, const char *dir, const char *base, int total,
           const std::vector<sTarReplacement> *replace = nullptr);

// Writes the backup of the folder `base` (no trailing "/" needed) into
// `archivePath`, replacing an older archive only when the new one is complete.
// `total` is the expected number of files, for the progress; `replace` as
// TarAdd takes it. Returns 0; -1 on failure and -2 when cancelled, with the
// readable reason in `error` (capacity `cap`, may be null) and `archivePath`
// as it was before.
int tarBackupSave(const char *archivePath, const char *base, int total, const sTarHooks *hooks, char *error,
                  size_t cap, const std::vector<sTarReplacement> *replace = nullptr);

// --- Verifying ------------------------------------------------------------------

// What a verify walk found.
struct sTarVerifyInfo {
    long files;          // regular-file entries
    long folders;        // folder entries
    uint64_t bytes;      // sum of the regular files' sizes
    uint64_t dataEnd;    // offset of the first end block
    char error[kTarErrorMax];  // the first fault found: which entry, what is wrong; "" when sound
};

// Reads `size` bytes at `offset` into `out`. Returns the bytes read (fewer only
// at the end of the source), or -1 on a read error.
typedef long (*tarReadAtFn)(void *source, uint64_t offset, void *out, size_t size);

// Walks a whole archive of `length` bytes read through `readAt` without
// writing anything: every header's checksum (signed or unsigned sum), type
// and name, each entry's data inside the archive, the two end blocks and only
// zero bytes after them. With a non-null `base`, names that would lead through
// a symbolic link or a non-folder below `base`, or replace a folder, are
// refused too. Returns 0 for a sound archive, -1 with `info->error` set.
int tarVerifySource(tarReadAtFn readAt, void *source, uint64_t length, const char *base, sTarVerifyInfo *info);
// Checks what already stands below `base` on the way to the entry path `rel`
// ("a/b.wav"; a folder entry when `folder`): no symbolic link on the way, a
// folder wherever one is needed, no folder where the file goes. Returns null
// when the entry can be written there, else why not, with the path concerned
// in `where` (capacity `cap`, may be null). Changes nothing.
const char *tarCheckTarget(const char *base, const char *rel, bool folder, char *where, size_t cap);
// As tarVerifySource for the file at `archivePath`. Returns 0 or -1.
int tarVerifyFile(const char *archivePath, const char *base, sTarVerifyInfo *info);
// As tarVerifySource for `size` bytes in memory, without a base. Returns 0 or -1.
int tarVerifyMemory(const void *data, size_t size, sTarVerifyInfo *info);

// --- Reader -----------------------------------------------------------------------

class CFileTarExtract {
public:
    CFileTarExtract();
    ~CFileTarExtract();
    CFileTarExtract(const CFileTarExtract &) = delete;
    CFileTarExtract &operator=(const CFileTarExtract &) = delete;

    // Sets the progress and cancel hooks (copied). Never fails.
    void SetHooks(const sTarHooks &hooks);
    // Verifies the archive at `archivePath` against `base` (created when
    // missing) and, only when it is sound, recreates every entry below `base`.
    // Returns 1 when the whole archive was extracted and synced; 0 on any
    // failure or cancel (error text set). A refused archive writes nothing; a
    // later failure leaves the entries done so far, each complete.
    int Extract(const char *base, const char *archivePath);
    // Creates the folders of the entry `name` below `base` and, unless `name`
    // is a folder entry, copies `size` bytes from `fd` at the current offset.
    // Returns 1, or 0 with no file left under a partial real name.
    int ExtractSub(const char *base, const char *name, int fd, uint64_t size, bool folder);
    // Writes `size` bytes of the archive `fd`, from the current entry's data,
    // into the file `path` through a temporary name. Returns 1, or 0 with
    // `path` as it was.
    int Copy(const char *path, int fd, uint64_t size);

    // Whether the last failure was a cancel. Changes nothing.
    bool IsCancelled() const { return m_cancelled; }
    // Readable text of the last failure ("" when none). Changes nothing.
    const char *GetError() const { return m_error; }
    // What the verify walk of the last Extract found. Changes nothing.
    const sTarVerifyInfo &GetInfo() const { return m_info; }

    // Records a failure text (printf style); the first one stays.
    void SetError(const char *format, ...) __attribute__((format(printf, 2, 3)));

private:
    bool CheckCancel();
    void Report(double ratio);

    uint8_t *m_buffer;           // data buffer of 1 MiB ("Tar"), null until needed
    double m_length;             // the archive's length in bytes
    double m_offset;             // offset of the current entry's header
    uint64_t m_dataOffset;       // offset of the current entry's data
    sTarHooks m_hooks;           // progress and cancel
    bool m_cancelled;            // the last failure was a cancel
    sTarVerifyInfo m_info;       // result of the verify walk
    char m_error[kTarErrorMax];
};
