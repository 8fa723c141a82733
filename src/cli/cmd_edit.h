// cmd_edit: the commands that edit a card's library.
//
//   kvbrt rename VOLUME WAVE NAME
//   kvbrt category VOLUME add NAME | rename NAME NEWNAME | delete NAME
//                         | move NAME --before OTHER|--after OTHER|--to N | assign WAVE... NAME
//   kvbrt kit VOLUME name KIT NAME [--sub SUBNAME] | set KIT PAD WAVE [--sub WAVE]
//                    | clear KIT PAD | swap KIT A B | show [KIT] [--json]
//   kvbrt delete VOLUME WAVE... [--yes]
//   kvbrt wavelist VOLUME
//
// Each one scans the card as the desktop program does (definite orphans are
// cleaned up), makes one edit of the library through the same functions the
// windows use, raises the same requests and runs the request step once, so
// the card is written exactly as the desktop program would write it. Names
// are given in UTF-8 and stored in Shift-JIS; a name the card cannot keep
// whole is refused, never cut. `kit show` only reads: it scans read-only and
// writes nothing. A value the library refuses is a failure (exit
// 1); a malformed command line a usage error (exit 2). Whatever the request
// step could not write is reported on stderr with the file and the reason,
// and the command fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/cli.h"
#include "wavelib/storage.h"

struct sTag;
struct sWaveList;

// Register the subcommands on `app`. Never fail.
void cliAddRename(CLI::App &app, sCliContext *ctx);
void cliAddCategory(CLI::App &app, sCliContext *ctx);
void cliAddKit(CLI::App &app, sCliContext *ctx);
void cliAddDelete(CLI::App &app, sCliContext *ctx);
void cliAddWavelist(CLI::App &app, sCliContext *ctx);

// --- Shared by the editing commands -----------------------------------------

// Scans the card at `root` (WSTORAGE_SCAN_*; the clean-up mode is the desktop
// program's), reports the scan's notes and returns the library (the caller
// closes it with cliEditClose), with the request state emptied; null, reason
// reported, when it cannot be read.
sWaveList *cliEditOpen(sCliContext *ctx, const std::string &root, uint32_t mode = 0);
// Returns true unless the scan of `list` found the card's category list
// unreadable: then says why nothing may be written and returns false.
bool cliCategoriesWhole(sCliContext *ctx, sWaveList *list);
// Disposes of the library and empties the request state. Never fails.
void cliEditClose(sWaveList *list);
// Runs the request step once for `list` (Ctrl-C then waits for it), then
// cliListsFollow when `listsBefore` (may be null) is given, and reports what
// it could not do. Returns CLI_EXIT_OK, or CLI_EXIT_FAILURE when anything
// failed. Clears the noted failures.
int cliEditFinish(sCliContext *ctx, sWaveList *list, const std::string *listsBefore = nullptr);
// The bytes of the three wave list files as `list` makes them now (its views
// sorted first). Never fails.
std::string cliListsText(sWaveList *list);
// After a request step that failed nowhere and changed what the wave list
// files hold (`before`: cliListsText before the edit), writes them where the
// card's differ, so the device reads what the command left. A failure is
// noted as the request step notes its own (cliEditReport tells it).
void cliListsFollow(sWaveList *list, const std::string &before);
// Reports on stderr every failure noted since the scan and every kit whose
// file is still unwritten, and clears the notes. Returns CLI_EXIT_OK, or
// CLI_EXIT_FAILURE when there was anything to report.
int cliEditReport(sCliContext *ctx, sWaveList *list);
// Returns the category named `name` (UTF-8; any case) in `list`, or null
// with the reason on stderr.
sTag *cliFindTag(sCliContext *ctx, sWaveList *list, const std::string &name);
// Converts UTF-8 `name` into the Shift-JIS bytes the card keeps in `*out`.
// Returns false, with the reason on stderr naming `what`, when a character
// has no Shift-JIS form (`*out` unchanged).
bool cliSjisName(sCliContext *ctx, const std::string &name, const char *what, std::string *out);
// As cliSjisName, and the result must pass the library's name rule with at
// most `maxBytes` bytes (`mayBeBlank`: an empty or all-space name passes).
// Returns false with the rule's reason on stderr (`*out` unchanged).
bool cliEditName(sCliContext *ctx, const std::string &name, size_t maxBytes, const char *what, std::string *out,
                 bool mayBeBlank = false);
// Prints `done`, the command's one result line, when `status` is CLI_EXIT_OK:
// only an edit that was written says so. Returns `status`.
int cliEditDone(sCliContext *ctx, int status, const std::string &done);

// The frame of every editing command: scan (`mode`), `edit(list)` returning
// an exit status, and when it succeeded the request step and its report, then
// `after(list)`. Returns the exit status.
template <typename Edit, typename After = void (*)(sWaveList *)>
int cliEditRun(sCliContext *ctx, const std::string &root, Edit edit, After after = [](sWaveList *) {},
               uint32_t mode = 0) {
    CliCardLock lock;
    if (!lock.take(ctx, root, mode != WSTORAGE_SCAN_READ_ONLY)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliEditOpen(ctx, root, mode);
    if (!list) return CLI_EXIT_FAILURE;
    bool writes = mode != WSTORAGE_SCAN_READ_ONLY;
    std::string lists = writes ? cliListsText(list) : "";
    int status = edit(list);
    if (status == CLI_EXIT_OK) {
        status = cliEditFinish(ctx, list, writes ? &lists : nullptr);
        after(list);
    }
    cliEditClose(list);
    return status;
}
