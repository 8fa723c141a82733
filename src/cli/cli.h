// cli: the frame of the `kvbrt` command-line tool.
//
// `kvbrt COMMAND VOLUME [ARGS]`: VOLUME is the root folder of the mounted card
// (the folder that holds "Korvan/"). A command's data goes to `out` (with
// `--json`, exactly one JSON document); messages go to `err`, each naming the
// file and the reason. Exit status: 0 success, 1 failure, 2 usage error, 130
// interrupted (Ctrl-C in a command that writes stopped part of its work; it
// finishes what it is writing first, and work that completed exits 0).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace CLI {
class App;
}

// The reason given for a VOLUME without a device folder, by every command.
inline constexpr const char *kCliNoDeviceFolder =
    "no device folder Korvan/KVB-RT/ (run 'kvbrt init' to set the card up, or give the folder that holds Korvan/)";

// Exit statuses every command uses.
enum : int {
    CLI_EXIT_OK = 0,       // the command did what was asked
    CLI_EXIT_FAILURE = 1,  // it could not (or a check found problems)
    CLI_EXIT_USAGE = 2,    // the command line was malformed
    CLI_EXIT_INTERRUPTED = 130,  // Ctrl-C was pressed while a command that writes ran
};

// What a command's run function gets: where to write, and the options every
// command shares.
struct sCliContext {
    std::ostream *out;  // data (stdout)
    std::ostream *err;  // messages (stderr)
    bool json;          // --json was given
    int exitCode;       // set by the command that ran
    bool lockWait;      // --wait: wait for the card's lock instead of refusing
    bool noLock;        // --no-lock: go on where the card's file system refuses locks
};

struct sCardLock;

// The card's lock for one command, released when it goes out of scope.
class CliCardLock {
public:
    CliCardLock() = default;
    CliCardLock(const CliCardLock &) = delete;
    CliCardLock &operator=(const CliCardLock &) = delete;
    ~CliCardLock() { release(); }
    // Locks the card at `root`, exclusively for a command that writes. Returns
    // false, with the card and the holder (where the system tells) named on
    // stderr, when another program holds it, or when the file system refuses
    // locks and --no-lock was not given; and for a writer (unless
    // `pendingAllowed`) when an edit cut off by a crash is pending on the card,
    // pointing at `kvbrt check --fix`. Nothing is held then.
    bool take(sCliContext *ctx, const std::string &root, bool write, bool pendingAllowed = false);
    // Lets the lock go (a reader, once it has read). Never fails.
    void release();

private:
    sCardLock *lock_ = nullptr;
};

// Registers one subcommand on `app`; its callback sets ctx->exitCode.
typedef void (*cliAddFn)(CLI::App &app, sCliContext *ctx);

// --- Running ----------------------------------------------------------------

// Parses `argv` and runs the chosen command, writing to `out` and `err`.
// Returns the exit status; usage errors return 2 with a message on `err`.
int cliMain(int argc, const char *const *argv, std::ostream &out, std::ostream &err);

// --- Helpers for commands ---------------------------------------------------

// Declares that the running command writes to the card: from here on Ctrl-C
// no longer stops the process in the middle of a write; the command runs to
// its end (a job that can be cancelled is cancelled) and, when that left work
// undone, exits 130. Commands
// that only read leave Ctrl-C alone. Never fails.
void cliCommandWrites(sCliContext *ctx);
// Writes "kvbrt: <what>: <reason>" on the error stream. Never fails.
void cliError(sCliContext *ctx, const std::string &what, const std::string &reason);
// Writes `doc` as the command's one JSON document (compact, keys in the
// order they were added) and a line feed. Bytes that are not UTF-8, as a
// folder's name may hold, become U+FFFD instead of failing. Never fails.
void cliJsonWrite(sCliContext *ctx, const nlohmann::ordered_json &doc);
// Returns whether `path` is a folder; otherwise writes why not on the error
// stream and returns false.
bool cliCheckFolder(sCliContext *ctx, const std::string &path);
// Returns `bytes` as `df -h` prints a size: powers of 1024 with K, M, G, T,
// P or E, rounded up, one decimal below 10 ("9.6G", "212G", "512"); "unknown"
// for UINT64_MAX. Never fails.
std::string cliSizeText(uint64_t bytes);
// Returns the bytes of `bytes` as lower-case hex digits. Never fails.
std::string cliHex(const std::string &bytes);
// Returns a fixed-size Shift-JIS field of the card (up to its first NUL, at
// most `length` bytes) as UTF-8. Never fails.
std::string cliField(const char *bytes, size_t length);
