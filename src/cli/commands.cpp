// The command table of `kvbrt` and the frame that parses and dispatches.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <ostream>
#include <vector>

#include "app/journal.h"
#include "cli/cli.h"
#include "cli/cli_text.h"
#include "cli/cmd_backup.h"
#include "cli/cmd_check.h"
#include "cli/cmd_demo.h"
#include "cli/cmd_duplicates.h"
#include "cli/cmd_edit.h"
#include "cli/cmd_export.h"
#include "cli/cmd_import.h"
#include "cli/cmd_info.h"
#include "cli/cmd_init.h"
#include "cli/cmd_inspect.h"
#include "cli/cmd_list.h"
#include "cli/cmd_play.h"
#include "cli/cmd_renumber.h"
#include "cli/cmd_restore.h"
#include "cli/cmd_volumes.h"
#include "platform/job.h"
#include "platform/terminal/terminal.h"
#include "resource/dnastr.h"
#include "wavelib/card.h"

namespace {

// Every command registers itself here; the order is the order of `--help`.
constexpr cliAddFn kCommands[] = {
    cliAddDemo,
    cliAddInit,
    cliAddInfo,
    cliAddList,
    cliAddInspect,
    cliAddVolumes,
    cliAddImport,
    cliAddExport,
    cliAddRename,
    cliAddCategory,
    cliAddKit,
    cliAddDelete,
    cliAddRenumber,
    cliAddWavelist,
    cliAddPlay,
    cliAddBackup,
    cliAddRestore,
    cliAddCheck,
    cliAddDuplicates,
};

const char *const kFooter =
    "VOLUME is the folder a card is mounted at (the one that holds \"Korvan/\").\n"
    "Exit status: 0 success, 1 failure (also when a question was declined), 2 usage error.\n"
    "Run 'kvbrt COMMAND --help' for the options of one command.";

}  // namespace

void cliCommandWrites(sCliContext *ctx) {
    (void)ctx;
    termInterruptCatch(1);
}

void cliError(sCliContext *ctx, const std::string &what, const std::string &reason) {
    *ctx->err << "kvbrt: " << what << ": " << reason << '\n';
}

void cliJsonWrite(sCliContext *ctx, const nlohmann::ordered_json &doc) {
    *ctx->out << doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

bool cliCheckFolder(sCliContext *ctx, const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        cliError(ctx, path, std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        cliError(ctx, path, "not a folder");
        return false;
    }
    return true;
}

namespace {

// Whether a lock failure means the file system has no locks at all.
bool refusesLocks(int err) { return err == ENOLCK || err == EOPNOTSUPP || err == EINVAL; }

}  // namespace

bool CliCardLock::take(sCliContext *ctx, const std::string &root, bool write, bool pendingAllowed) {
    release();
    if (!cliCheckFolder(ctx, root)) return false;
    sCardLockRefusal why{};
    lock_ = cardLockTake(root.c_str(), write ? CARD_LOCK_EXCLUSIVE : CARD_LOCK_SHARED,
                         ctx->lockWait ? CARD_LOCK_WAIT : 0u, &why);
    if ((lock_ || (ctx->noLock && refusesLocks(why.err))) && write && !pendingAllowed) {
        // Only a finished edit leaves the card whole enough to build on.
        if (unsigned pending = journalPendingOnCard(root.c_str())) {
            cliError(ctx, root, journalPendingText(pending) + " was cut off on this card; run 'kvbrt check --fix " +
                                    root + "' to finish it first");
            release();
            return false;
        }
    }
    if (lock_) return true;
    if (refusesLocks(why.err)) {
        if (ctx->noLock) return true;
        cliError(ctx, root, "the card's file system refuses locks, so another program could write it at the same "
                            "time; give --no-lock to go on anyway");
        return false;
    }
    if (why.err != EWOULDBLOCK) {
        cliError(ctx, root, std::string("the card cannot be locked: ") + std::strerror(why.err));
        return false;
    }
    std::string holder = why.holderPid ? " (process " + std::to_string(why.holderPid) + ")" : "";
    if (why.holderDesktop)
        cliError(ctx, root, "the card is open in the desktop program" + holder + "; close it there first, or give --wait");
    else
        cliError(ctx, root, "the card is in use by another program" + holder + "; try again when it has finished, "
                            "or give --wait");
    return false;
}

void CliCardLock::release() {
    cardLockRelease(lock_);
    lock_ = nullptr;
}

std::string cliHex(const std::string &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int cliMain(int argc, const char *const *argv, std::ostream &out, std::ostream &err) {
    CLI::App app{"kvbrt: look after the sample library of a KVB-RT card.", "kvbrt"};
    app.set_version_flag("--version", std::string("kvbrt ") + KVB_VERSION);
    app.footer(kFooter);
    app.require_subcommand(1);

    // Questions a command asks go to the terminal host; these answer them
    // ahead, and may stand before or after the command's name.
    termInstall();
    CLI::Option *yes = app.add_flag_callback(
        "--yes", [] { termSetAnswer(TERM_ANSWER_YES); }, "Answer yes to every question");
    CLI::Option *no = app.add_flag_callback(
        "--no", [] { termSetAnswer(TERM_ANSWER_NO); }, "Answer no to every question");
    yes->excludes(no);
    app.fallthrough();
    // Questions jobs ask from their worker name string-table texts.
    sProgressBarCallbacks jobCb{};
    jobCb.text = [](void *, int id) {
        cliTextInit();
        return dnaStrGetPtr(id);
    };
    editProgressBarSetCallbacks(&jobCb);
    // However the command ends, Ctrl-C and the callbacks are given back.
    struct sRestore {
        ~sRestore() {
            editProgressBarSetCallbacks(nullptr);
            termInterruptCatch(0);
        }
    } restore;

    sCliContext ctx{&out, &err, false, CLI_EXIT_OK, false, false};
    app.add_flag("--wait", ctx.lockWait, "Wait while another program has the card instead of refusing");
    app.add_flag("--no-lock", ctx.noLock,
                 "Go on without the card's lock where its file system refuses locks (nothing then keeps a second "
                 "program from writing at the same time)");
    for (cliAddFn add : kCommands)
        if (add) add(app, &ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &) {
        out << app.help();
        return CLI_EXIT_OK;
    } catch (const CLI::CallForAllHelp &) {
        out << app.help("", CLI::AppFormatMode::All);
        return CLI_EXIT_OK;
    } catch (const CLI::CallForVersion &) {
        out << app.version() << '\n';
        return CLI_EXIT_OK;
    } catch (const CLI::ParseError &e) {
        err << "kvbrt: " << e.what() << '\n';
        err << "Run 'kvbrt --help' for usage.\n";
        return CLI_EXIT_USAGE;
    } catch (const std::exception &e) {
        err << "kvbrt: " << e.what() << '\n';
        return CLI_EXIT_FAILURE;
    }
    if (termInterruptCount() > 0) return CLI_EXIT_INTERRUPTED;
    // A declined question means the command did not do what was asked.
    if (ctx.exitCode == CLI_EXIT_OK && termQuestionDeclined()) return CLI_EXIT_FAILURE;
    return ctx.exitCode;
}
