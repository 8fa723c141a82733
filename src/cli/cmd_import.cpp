// `kvbrt import VOLUME FILE... [--category NAME]`. See cmd_import.h.
#include "cli/cmd_import.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "app/docalc.h"
#include "cli/cmd_edit.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

void collect(const char *path, int result, const sWave *wave, const sConvertResult *how, const char *why, void *ctx) {
    sCliImported o{path, result, -1, "", "", how != nullptr, how ? *how : sConvertResult{}, why ? why : ""};
    if (wave) {
        o.number = wave->waveNumber;
        o.name = cliField(wave->name, kWaveNameLen);
        o.file = cliField(wave->dataFolder, kWaveDataFolderLen) + "/" + cliField(wave->fileName, kWaveFileNameLen);
    }
    static_cast<std::vector<sCliImported> *>(ctx)->push_back(o);
}

std::string reason(const sCliImported &o) { return (o.why.empty() ? "failed" : o.why) + "; not imported"; }

using Json = nlohmann::ordered_json;

void writeJson(sCliContext *ctx, const std::vector<sCliImported> &outcomes) {
    Json imported = Json::array(), failed = Json::array();
    for (const sCliImported &o : outcomes) {
        if (o.result == IMPORT_OK) {
            Json j{{"number", o.number}, {"name", o.name}, {"file", o.file}, {"source", o.source}};
            cliImportHowJson(j, o);
            imported.push_back(j);
        } else {
            failed.push_back({{"source", o.source}, {"reason", reason(o)}});
        }
    }
    cliJsonWrite(ctx, {{"imported", imported}, {"failed", failed}});
}

int runImport(sCliContext *ctx, sWaveList *list, const std::string &root, const std::vector<std::string> &files,
              const std::string &category, bool convert) {
    sTag *tag = list->defaultTag;
    if (!category.empty()) {
        tag = waveListTagFindName(list, strUtf8ToSjis(category).c_str());
        if (!tag) {
            cliError(ctx, category, "no such category on the card; nothing was imported");
            return CLI_EXIT_FAILURE;
        }
    }
    int number = waveTagNumber(list, tag);
    if (number < 0) {
        cliError(ctx, root, "the card has no DEFAULT category; nothing was imported");
        return CLI_EXIT_FAILURE;
    }
    std::vector<sCliImported> outcomes;
    for (const std::string &f : files)
        if (waveImportSetRequestEx(number, f.c_str(), convert ? uint32_t{IMPORT_CONVERT} : 0u) != 0)
            outcomes.push_back({f, IMPORT_NO_MEMORY, -1, "", "", false, {}, "out of memory"});
    int status = CLI_EXIT_OK;
    int calc = cliImportRun(ctx, list, &outcomes, &status);

    for (const sCliImported &o : outcomes) {
        if (o.result == IMPORT_OK) {
            cliImportGainNote(ctx, o.source, o);
            continue;
        }
        cliError(ctx, o.source, reason(o));
        status = CLI_EXIT_FAILURE;
    }
    if (cliTransferJobFailed(ctx, calc, root, "imported")) status = CLI_EXIT_FAILURE;
    if (ctx->json) {
        writeJson(ctx, outcomes);
    } else {
        for (const sCliImported &o : outcomes) {
            if (o.result != IMPORT_OK) continue;
            char n[8];
            std::snprintf(n, sizeof n, "%04d", o.number);
            *ctx->out << n << '\t' << o.name << '\t' << o.file << '\n';
        }
    }
    return status;
}

int import(sCliContext *ctx, const std::string &root, const std::vector<std::string> &files,
           const std::string &category, bool convert) {
    CliCardLock lock;
    if (!lock.take(ctx, root, true)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliScanVolume(ctx, root);
    if (!list) return CLI_EXIT_FAILURE;
    // The scan read only, but the import writes its waves' category numbers.
    if (!cliCategoriesWhole(ctx, list)) {
        waveListDispose(list);
        return CLI_EXIT_FAILURE;
    }
    int status = runImport(ctx, list, root, files, category, convert);
    waveListDispose(list);
    waveStorageWaveFileClear();
    return status;
}

}  // namespace

int cliTransferRequestStep(sWaveList *list) {
    waveDoCalc(list);
    int result = waveDoCalcImportResult();
    return result != 0 ? result : waveDoCalcExportResult();
}

int cliImportRun(sCliContext *ctx, sWaveList *list, std::vector<sCliImported> *outcomes, int *editStatus) {
    // From here the card changes: Ctrl-C cancels the job and is reported.
    cliCommandWrites(ctx);
    // The job's messages read the string table from the worker.
    cliTextInit();
    waveImportSetReport(collect, outcomes);
    std::string lists = cliListsText(list);
    int calc = cliTransferRequestStep(list);
    waveImportSetReport(nullptr, nullptr);
    waveRequestFailureShow(0);
    cliListsFollow(list, lists);
    *editStatus = cliEditReport(ctx, list);
    waveRequestFailureShow(1);
    return calc;
}

void cliImportHowJson(Json &j, const sCliImported &o) {
    if (!o.described) return;
    const sConvertInfo &i = o.how.info;
    j["action"] = i.kind == CONVERT_COPY ? "copied" : "converted";
    if (i.kind != CONVERT_COPY) j["conversion"] = convertKindName(i.kind);
    j["from"] = {{"format", i.container}, {"encoding", i.encoding}, {"bits", i.sourceBits}, {"rate", i.sourceRate},
                 {"channels", i.sourceChannels}};
    j["gain_db"] = std::round(o.how.gainDb * 100) / 100;
}

void cliImportGainNote(sCliContext *ctx, const std::string &what, const sCliImported &o) {
    // Imported, but not quite as it was: said, though not a failure.
    if (o.how.gainDb >= 0) return;
    char text[96];
    std::snprintf(text, sizeof text, "lowered by %.2f dB so that its peaks fit 16 bits", -o.how.gainDb);
    cliError(ctx, what, text);
}

bool cliTransferJobFailed(sCliContext *ctx, int calc, const std::string &where, const char *what) {
    if (calc == -3) cliError(ctx, where, std::string("could not be synced: the ") + what + " files may not be stored yet");
    else if (calc < 0) cliError(ctx, where, std::string("the job could not be run: no file was ") + what);
    return calc < 0;
}

void cliAddImport(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    auto files = std::make_shared<std::vector<std::string>>();
    auto category = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "import", "Import 44.1 kHz 16-bit WAV or AIFF files (with --convert any audio file) as new waves. Prints each "
                  "new wave: number, name, file (tab-separated). Exit status 1 when any file was not imported.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_option("FILE", *files, "audio files to import, in this order")->required();
    cmd->add_option("--category", *category, "the category the waves join (default: DEFAULT)");
    auto convert = std::make_shared<bool>(false);
    cmd->add_flag("--convert", *convert,
                  "convert what the device cannot play (other rates, depths, channels, FLAC, Ogg ...) to 44.1 kHz "
                  "16-bit WAV; copy the rest unchanged");
    cmd->add_flag("--json", ctx->json, "print one JSON object {imported[], failed[]}");
    cmd->callback([ctx, root, files, category, convert] {
        ctx->exitCode = import(ctx, *root, *files, *category, *convert);
    });
}
