// `kvbrt duplicates VOLUME [--json]`. See cmd_duplicates.h.
#include "cli/cmd_duplicates.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "wavelib/dupes.h"
#include "wavelib/wavelist.h"

namespace {

struct PadUse {
    int kit, pad;
    bool sub;
};

std::vector<PadUse> padsOf(const sWaveList *list, const sWave *wave) {
    std::vector<PadUse> uses;
    for (auto *kit = static_cast<const sKit *>(list->kits.first); kit; kit = kit->next) {
        int index = 0;
        for (auto *n = static_cast<const sListItem *>(kit->pads.first); n; n = n->next, ++index) {
            auto *pad = static_cast<const sPad *>(n->item);
            if (pad->waveNumber == wave->waveNumber) uses.push_back({kit->kitNumber, index + 1, false});
            if (pad->subWaveNumber == wave->waveNumber) uses.push_back({kit->kitNumber, index + 1, true});
        }
    }
    return uses;
}

std::string fileOf(const sWave *w) {
    return cliField(w->dataFolder, kWaveDataFolderLen) + "/" + cliField(w->fileName, kWaveFileNameLen);
}

void writeJson(sCliContext *ctx, const sWaveList *list, const sListBase *groups) {
    using Json = nlohmann::ordered_json;
    Json all = Json::array();
    for (auto *g = static_cast<const sDupeGroup *>(groups->first); g; g = g->next) {
        Json waves = Json::array();
        for (auto *n = static_cast<const sListItem *>(g->waves.first); n; n = n->next) {
            auto *w = static_cast<const sWave *>(n->item);
            Json pads = Json::array();
            for (const PadUse &u : padsOf(list, w)) pads.push_back({{"kit", u.kit}, {"pad", u.pad}, {"sub", u.sub}});
            waves.push_back({{"number", w->waveNumber},
                             {"name", cliField(w->name, kWaveNameLen)},
                             {"file", fileOf(w)},
                             {"pads", pads}});
        }
        all.push_back({{"size", g->size}, {"waves", waves}});
    }
    cliJsonWrite(ctx, {{"groups", all}});
}

void writeText(sCliContext *ctx, const sWaveList *list, const sListBase *groups) {
    std::ostream &out = *ctx->out;
    if (!groups->first) out << "no duplicates\n";
    for (auto *g = static_cast<const sDupeGroup *>(groups->first); g; g = g->next) {
        out << rliListCount(&g->waves) << " waves, " << g->size << " bytes each:\n";
        for (auto *n = static_cast<const sListItem *>(g->waves.first); n; n = n->next) {
            auto *w = static_cast<const sWave *>(n->item);
            char number[16];
            std::snprintf(number, sizeof number, "%4d", w->waveNumber);
            out << "  " << number << "  " << cliField(w->name, kWaveNameLen) << "  " << fileOf(w);
            std::vector<PadUse> uses = padsOf(list, w);
            if (!uses.empty()) out << "  on";
            for (size_t i = 0; i < uses.size(); ++i)
                out << (i ? "," : "") << " kit " << uses[i].kit << " " << (uses[i].sub ? "sub-pad " : "pad ")
                    << uses[i].pad;
            out << "\n";
        }
    }
}

int duplicates(sCliContext *ctx, const std::string &root) {
    CliCardLock lock;
    if (!lock.take(ctx, root, false)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliScanVolume(ctx, root);
    if (!list) return CLI_EXIT_FAILURE;
    sListBase groups{};
    int unreadable = 0;
    int status = CLI_EXIT_OK;
    if (waveDupesFind(list, &groups, &unreadable) != 0) {
        cliError(ctx, root, "out of memory");
        status = CLI_EXIT_FAILURE;
    } else {
        if (unreadable > 0)
            cliError(ctx, root, std::to_string(unreadable) + " audio file(s) could not be read and were left out");
        if (ctx->json) writeJson(ctx, list, &groups);
        else writeText(ctx, list, &groups);
    }
    waveDupesDispose(&groups);
    waveListDispose(list);
    return status;
}

}  // namespace

void cliAddDuplicates(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "duplicates", "Find waves whose audio files hold the same bytes, with the pads that play them. Reads only.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_flag("--json", ctx->json,
                  "one JSON object {groups:[{size, waves:[{number, name, file, pads:[{kit, pad, sub}]}]}]}");
    cmd->footer("Examples:\n  kvbrt duplicates /media/card\n  kvbrt duplicates /media/card --json");
    cmd->callback([ctx, root] { ctx->exitCode = duplicates(ctx, *root); });
}
