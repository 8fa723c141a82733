// copy: in-process file copy and move, the only way the program moves audio.
//
// A copy is written under a temporary name in the target folder, in chunks of
// at most 1 MiB, every write checked, synced (unless a sync batch is open, see
// file.h) and renamed into place; the target name therefore holds either its
// old content or the complete copy. The source is never changed by a copy. A
// move renames, and across file systems copies, checks the size, and only then
// removes the source. No shell is involved, so any name the file system
// allows works.
#pragma once

// Receives the share of the file done so far, after each chunk.
typedef void (*rliCopyProgressFn)(float ratio);

// Flags of rliFileMoveEx.
enum : unsigned {
    RLI_MOVE_NOREPLACE = 1u,  // fail with -3 instead of replacing an existing target
};

// --- Copy -------------------------------------------------------------------

// Copies `src` to `dst` (byte paths), calling `progress` (may be null) with
// 1 - remaining/length after each chunk, never for an empty file. Clears the
// cancel flag first and reads it between chunks. Returns 0; -1 when either
// file cannot be opened or a read, write, sync or rename fails; -2 when
// cancelled. On failure `dst` keeps its old content (or stays absent) and no
// temporary file is left.
int rliFileCopyAsync(const char *src, const char *dst, rliCopyProgressFn progress);
// Asks a running rliFileCopyAsync to stop after its current chunk. Never fails.
void rliFileCopyAsyncSetCancel(void);
// Returns whether the cancel flag is set. Changes nothing.
int rliFileCopyAsyncIsCancel(void);
// Copies without progress or cancel. Returns 0, or -1 with `dst` unchanged.
int rliFileCopy(const char *src, const char *dst);

// --- Move -------------------------------------------------------------------

// Moves `src` to `dst`, replacing `dst`. Moving a file onto its own path is a
// no-op. Returns 0, or -1 with the source still in place (and `dst` unchanged).
int rliFileMove(const char *src, const char *dst);
// As rliFileMove; with RLI_MOVE_NOREPLACE returns -3 when `dst` exists (a
// different file), leaving both alone.
int rliFileMoveEx(const char *src, const char *dst, unsigned flags);
