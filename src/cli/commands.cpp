// The command table of `kvbrt` and the frame that parses and dispatches.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "app/journal.h"
#include "cli/cli.h"
#include "cli/cli_text.h"
#include "cli/cmd_backup.h"
#include "cli/cmd_check.h"
#include "cli/cmd_copy.h"
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
#include "foundation/str.h"
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
    cliAddCopy,
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

const char *const kDescription =
    "kvbrt: look after the sample library of a KVB-RT card.\n"
    "Usage: kvbrt COMMAND VOLUME [ARGS]; VOLUME is the folder a card is mounted at (the one that holds \"Korvan/\").";

const char *const kFooter =
    "Exit status: 0 success, 1 failure (also when a question was declined), 2 usage error,\n"
    "130 interrupted (Ctrl-C stopped the command before it had done everything).\n"
    "Run 'kvbrt COMMAND --help' for the options of one command.";

// Usage lines as they must be typed: a command's VOLUME stands before its
// subcommand ("kvbrt category VOLUME add NAME").
class sUsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App *app, std::string name) const override {
        std::string usage = CLI::Formatter::make_usage(app, name);
        const CLI::App *parent = app->get_parent();
        if (!parent || !parent->get_option_no_throw("VOLUME")) return usage;
        std::string chain = " " + parent->get_name() + " " + app->get_name();
        size_t at = usage.find(chain);
        if (at != std::string::npos) usage.insert(at + parent->get_name().size() + 1, " VOLUME");
        return usage;
    }
};

// The command a malformed command line meant, for the help to point at; ""
// when none is named. `*unknown` gets a first word that names no command.
std::string commandNamed(const CLI::App &app, int argc, const char *const *argv, std::string *unknown) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word.empty() || word[0] == '-') continue;
        auto named = [&](const CLI::App *sub) { return sub->get_name() == word; };
        if (!app.get_subcommands(named).empty()) return word;
        *unknown = word;
        return "";
    }
    return "";
}

std::string commandList(const CLI::App &app) {
    std::string names;
    for (const CLI::App *sub : app.get_subcommands([](const CLI::App *) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    return names;
}

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

std::string cliSizeText(uint64_t bytes) {
    if (bytes == UINT64_MAX) return "unknown";
    if (bytes < 1024) return std::to_string(bytes);
    static const char kUnits[] = "KMGTPE";
    // Whole units of 1024 and the remainder, so that the rounding up is exact.
    size_t unit = 0;
    uint64_t whole = bytes / 1024, rest = bytes % 1024, scale = 1024;
    while (whole >= 1024 && unit + 1 < sizeof kUnits - 1) {
        rest += (whole % 1024) * scale;
        whole /= 1024;
        scale *= 1024;
        ++unit;
    }
    char text[32];
    if (whole < 10) {
        // Tenths, rounded up: 9.91 is 10.0, which is printed without its decimal.
        uint64_t tenths = whole * 10 + (rest * 10 + scale - 1) / scale;
        if (tenths < 100) {
            std::snprintf(text, sizeof text, "%u.%u%c", static_cast<unsigned>(tenths / 10),
                          static_cast<unsigned>(tenths % 10), kUnits[unit]);
            return text;
        }
        whole = 10;
    } else if (rest > 0) {
        ++whole;
    }
    if (whole >= 1024 && unit + 1 < sizeof kUnits - 1) {
        std::snprintf(text, sizeof text, "1.0%c", kUnits[unit + 1]);
        return text;
    }
    std::snprintf(text, sizeof text, "%llu%c", static_cast<unsigned long long>(whole), kUnits[unit]);
    return text;
}

std::string cliField(const char *bytes, size_t length) {
    return strSjisToUtf8(std::string(bytes, strnlen(bytes, length)));
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
    CLI::App app{kDescription, "kvbrt"};
    app.formatter(std::make_shared<sUsageFormatter>());
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
    jobCb.text = [](void *, int id) { return dnaStrGetPtr(id); };
    editProgressBarSetCallbacks(&jobCb);
    // However the command ends, Ctrl-C, the callbacks and a string table
    // loaded here are given back.
    struct sRestore {
        bool hadText = cliTextLoaded();
        ~sRestore() {
            editProgressBarSetCallbacks(nullptr);
            termInterruptCatch(0);
            if (!hadText) cliTextTerm();
        }
    } restore;
    // Every message of every command, jobs' questions included, comes from the
    // string table: without one nothing runs (help and version need none).
    app.parse_complete_callback([] {
        if (cliTextInit() != 0)
            throw std::runtime_error(cliTextFallbackPath() +
                                     ": cannot be read; kvbrt takes its messages from this string table");
    });

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
        std::string unknown, command = commandNamed(app, argc, argv, &unknown);
        if (!unknown.empty()) {
            err << "kvbrt: " << unknown << ": no such command; the commands are: " << commandList(app) << "\n";
            err << "Run 'kvbrt --help' for usage.\n";
        } else {
            err << "kvbrt: " << e.what() << '\n';
            err << "Run 'kvbrt " << (command.empty() ? "" : command + " ") << "--help' for usage.\n";
        }
        return CLI_EXIT_USAGE;
    } catch (const std::exception &e) {
        err << "kvbrt: " << e.what() << '\n';
        return CLI_EXIT_FAILURE;
    }
    // Ctrl-C that arrived after the work was done stopped nothing.
    if (termInterruptCount() > 0 && ctx.exitCode != CLI_EXIT_OK) return CLI_EXIT_INTERRUPTED;
    // A declined question means the command did not do what was asked.
    if (ctx.exitCode == CLI_EXIT_OK && termQuestionDeclined()) return CLI_EXIT_FAILURE;
    return ctx.exitCode;
}
