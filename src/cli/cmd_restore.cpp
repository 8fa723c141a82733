// `kvbrt restore VOLUME DIR|FILE`. See cmd_restore.h.
#include "cli/cmd_restore.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <memory>
#include <ostream>
#include <string>

#include "transfer/backup.h"

namespace {

int restore(sCliContext *ctx, const std::string &root, const std::string &from, bool noStaging) {
    if (!cliCheckFolder(ctx, root)) return CLI_EXIT_FAILURE;
    CliCardLock lock;
    if (!lock.take(ctx, root, true)) return CLI_EXIT_FAILURE;
    std::string archive = from;
    struct stat st;
    if (stat(from.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        archive = from + (from.empty() || from.back() == '/' ? "" : "/") + cBACKUP_FILE_NAME;
    cliCommandWrites(ctx);
    unsigned flags = noStaging ? RESTORE_IN_PLACE_CONFIRMED : RESTORE_IN_PLACE_REFUSED;
    sBackupResult result;
    int status = waveBackupRestore(root.c_str(), archive.c_str(), flags, &result);
    switch (status) {
    case BACKUP_DONE:
        // Restored, with a leftover to mention (a staging folder not removed).
        if (result.error[0]) cliError(ctx, archive, result.error);
        if (ctx->json)
            cliJsonWrite(ctx, {{"backup", archive},
                               {"files", result.files},
                               {"bytes", result.bytes},
                               {"inPlace", result.inPlace != 0}});
        else
            *ctx->out << "restored " << result.files << " files (" << result.bytes << " bytes) from " << archive
                      << (result.inPlace ? " in place\n" : "\n");
        return CLI_EXIT_OK;
    case BACKUP_DECLINED:
        cliError(ctx, archive, result.error[0] ? result.error : "the restore was declined; the card was not changed");
        return CLI_EXIT_FAILURE;
    case BACKUP_CANCELLED:
        cliError(ctx, archive,
                 result.inPlace ? result.error : "the restore was cancelled; the card keeps its old files");
        return CLI_EXIT_INTERRUPTED;
    case BACKUP_PENDING:
        cliError(ctx, archive, std::string(result.error) + " (kvbrt check --fix)");
        return CLI_EXIT_FAILURE;
    default:
        cliError(ctx, archive,
                 std::string(result.error) +
                     (result.noRoom == 1 && !noStaging ? "; --no-staging restores in place, removing the old files first"
                                                  : ""));
        return CLI_EXIT_FAILURE;
    }
}

}  // namespace

void cliAddRestore(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    auto from = std::make_shared<std::string>();
    auto noStaging = std::make_shared<bool>(false);
    CLI::App *cmd = app.add_subcommand(
        "restore", "Replace the card's files by a backup (asks first). The backup is verified and unpacked beside "
                   "the card's files before any of them is replaced. Sets up a card without a device folder.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_option("BACKUP", *from, "the backup file, or the folder holding KVB-RT-BKUP-ALL.kvb")->required();
    cmd->add_flag("--no-staging", *noStaging,
                  "when the card has no room to unpack the backup beside its files, restore in place "
                  "(the old files are removed first and cannot be recovered if the restore fails)");
    cmd->add_flag("--json", ctx->json, "one JSON object {backup, files, bytes, inPlace}");
    cmd->callback([ctx, root, from, noStaging] { ctx->exitCode = restore(ctx, *root, *from, *noStaging); });
}
