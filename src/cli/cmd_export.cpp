// `kvbrt export VOLUME WAVE... --to DIR`. See cmd_export.h.
#include "cli/cmd_export.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/cmd_import.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "transfer/export.h"
#include "wavelib/wavelist.h"

namespace {

// What became of one wave.
struct sOutcome {
    int number;
    std::string name;  // UTF-8
    int result;
    std::string path;  // the file written
};

// Answers the export's folder choice with the --to folder, `user`.
int chooseTarget(void *user, char *buf, size_t cap) {
    const std::string &to = *static_cast<const std::string *>(user);
    if (to.empty() || to.size() + 2 > cap) return 0;
    std::snprintf(buf, cap, "%s%s", to.c_str(), to.back() == '/' ? "" : "/");
    return 1;
}

std::string nameOf(const sWave *wave) { return cliField(wave->name, kWaveNameLen); }

void collect(const sWave *wave, const char *target, int result, void *ctx) {
    static_cast<std::vector<sOutcome> *>(ctx)->push_back(
        {wave->waveNumber, nameOf(wave), result, target ? target : ""});
}

std::string reason(int result) {
    switch (result) {
    case EXPORT_BAD_NAME: return cliText(DNASTR_ERR_EXPORT_NAME);
    case EXPORT_COPY_FAILED: return cliText(DNASTR_ERR_EXPORT_COPY);
    default: return "not exported: the export stopped before this wave";
    }
}

bool allDigits(const std::string &s) {
    return !s.empty() && s.size() <= 4 && s.find_first_not_of("0123456789") == std::string::npos;
}

void writeJson(sCliContext *ctx, const std::vector<sOutcome> &outcomes) {
    using Json = nlohmann::ordered_json;
    Json exported = Json::array(), failed = Json::array();
    for (const sOutcome &o : outcomes) {
        if (o.result == EXPORT_OK) exported.push_back({{"number", o.number}, {"name", o.name}, {"path", o.path}});
        else failed.push_back({{"number", o.number}, {"name", o.name}, {"reason", reason(o.result)}});
    }
    cliJsonWrite(ctx, {{"exported", exported}, {"failed", failed}});
}

int runExport(sCliContext *ctx, sWaveList *list, const std::vector<std::string> &args, const std::string &to) {
    std::vector<sWave *> waves;
    if (!cliFindWaves(ctx, list, args, &waves)) return CLI_EXIT_FAILURE;
    // Nothing on the card changes, but files appear in DIR: Ctrl-C cancels the
    // job and the command reports it.
    cliCommandWrites(ctx);
    // The job's messages read the string table from the worker.
    cliTextInit();
    for (sWave *w : waves) waveExportSetRequest(w);
    std::vector<sOutcome> outcomes;
    std::string target = to;
    waveExportSetDirChooser(chooseTarget, &target);
    waveExportSetReport(collect, &outcomes);
    int calc = cliTransferRequestStep(list);
    waveExportSetReport(nullptr, nullptr);
    waveExportSetDirChooser(nullptr, nullptr);

    int status = outcomes.size() == waves.size() ? CLI_EXIT_OK : CLI_EXIT_FAILURE;
    for (const sOutcome &o : outcomes) {
        if (o.result == EXPORT_OK) continue;
        char n[8];
        std::snprintf(n, sizeof n, "%04d", o.number);
        cliError(ctx, std::string(n) + " " + o.name, reason(o.result));
        status = CLI_EXIT_FAILURE;
    }
    if (cliTransferJobFailed(ctx, calc, to, "exported")) status = CLI_EXIT_FAILURE;
    if (ctx->json) {
        writeJson(ctx, outcomes);
    } else {
        for (const sOutcome &o : outcomes)
            if (o.result == EXPORT_OK) *ctx->out << o.path << '\n';
    }
    return status;
}

int exportWaves(sCliContext *ctx, const std::string &root, const std::vector<std::string> &args,
                const std::string &to) {
    if (!cliCheckFolder(ctx, to)) return CLI_EXIT_FAILURE;
    CliCardLock lock;
    if (!lock.take(ctx, root, false)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliScanVolume(ctx, root);
    if (!list) return CLI_EXIT_FAILURE;
    int status = runExport(ctx, list, args, to);
    waveListDispose(list);
    return status;
}

}  // namespace

bool cliFindWaves(sCliContext *ctx, sWaveList *list, const std::vector<std::string> &args, std::vector<sWave *> *out) {
    bool ok = true;
    for (const std::string &a : args) {
        size_t before = out->size();
        if (allDigits(a)) {
            if (sWave *w = waveListFindWaveNumber(list, std::stoi(a))) out->push_back(w);
        } else {
            std::string sjis = strUtf8ToSjis(a);
            for (auto *n = static_cast<sListItem *>(list->waveNumber.first); n; n = n->next) {
                auto *w = static_cast<sWave *>(n->item);
                if (rliStrIcmp(std::string(w->name, strnlen(w->name, kWaveNameLen)).c_str(), sjis.c_str()) == 0)
                    out->push_back(w);
            }
        }
        if (out->size() == before) {
            cliError(ctx, a, "no such wave on the card");
            ok = false;
        }
    }
    return ok;
}

void cliAddExport(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    auto waves = std::make_shared<std::vector<std::string>>();
    auto to = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "export", "Copy the audio files of waves into a folder, named after each wave's name; an existing file is "
                  "never replaced (a running number is added). Prints each file written. Exit status 1 when any "
                  "wave was not exported.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_option("WAVE", *waves, "wave numbers, or wave names (every wave of that name)")->required();
    cmd->add_option("--to", *to, "the folder to write the files into")->required();
    cmd->add_flag("--json", ctx->json, "print one JSON object {exported[], failed[]}");
    cmd->callback([ctx, root, waves, to] { ctx->exitCode = exportWaves(ctx, *root, *waves, *to); });
}
