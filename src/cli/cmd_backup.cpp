// `kvbrt backup VOLUME DIR`. See cmd_backup.h.
#include "cli/cmd_backup.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <memory>
#include <ostream>
#include <string>

#include "transfer/backup.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

int backup(sCliContext *ctx, const std::string &root, const std::string &dir) {
    if (!cliCheckFolder(ctx, root) || !cliCheckFolder(ctx, dir)) return CLI_EXIT_FAILURE;
    CliCardLock lock;
    if (!lock.take(ctx, root, true)) return CLI_EXIT_FAILURE;
    // Stale list files are brought up to date before the archive: the card may change.
    cliCommandWrites(ctx);
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    if (!list) {
        cliError(ctx, root, "the card has no device folder (Korvan/KVB-RT/) to back up");
        return CLI_EXIT_FAILURE;
    }
    sBackupResult result;
    int status = waveBackupSave(list, dir.c_str(), 0, &result);
    waveListDispose(list);
    switch (status) {
    case BACKUP_DONE:
        if (result.note[0]) cliError(ctx, root, result.note);
        if (ctx->json)
            cliJsonWrite(ctx, {{"backup", result.path}, {"files", result.files}, {"bytes", result.bytes}});
        else
            *ctx->out << result.path << "\n";
        return CLI_EXIT_OK;
    case BACKUP_DECLINED:
        cliError(ctx, result.path, "a backup is already there and was kept (nothing was written; --yes replaces it)");
        return CLI_EXIT_FAILURE;
    case BACKUP_CANCELLED:
        cliError(ctx, result.path, "the backup was cancelled; an older backup there was kept");
        return CLI_EXIT_INTERRUPTED;
    default:
        cliError(ctx, result.path, result.error);
        return CLI_EXIT_FAILURE;
    }
}

}  // namespace

void cliAddBackup(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    auto dir = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "backup", "Save the whole card into DIR/KVB-RT-BKUP-ALL.kvb (asks before replacing one). Prints its path.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_option("DIR", *dir, "the folder to save the backup in")->required();
    cmd->add_flag("--json", ctx->json, "one JSON object {backup, files, bytes}");
    cmd->callback([ctx, root, dir] { ctx->exitCode = backup(ctx, *root, *dir); });
}
