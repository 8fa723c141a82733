// `kvbrt list VOLUME [--sort ...] [--category NAME] [--json]`. See cmd_list.h.
#include "cli/cmd_list.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cmd_edit.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

struct ListArgs {
    std::string root, sort = "number", category;
    bool oneCategory = false;  // --category was given
};

// The waves in the asked order; only those of `tag` unless it is null.
std::vector<const sWave *> ordered(sWaveList *list, const std::string &sort, const sTag *tag) {
    std::vector<const sWave *> waves;
    auto take = [&](const sListBase *view) {
        for (auto *n = static_cast<const sListItem *>(view->first); n; n = n->next)
            waves.push_back(static_cast<const sWave *>(n->item));
    };
    if (tag) {
        take(sort == "name" ? &tag->membersAlphabet : &tag->membersNumber);
    } else if (sort == "name") {
        take(&list->waveAlphabet);
    } else if (sort == "category") {
        for (auto *n = static_cast<const sListItem *>(list->tagOrder.first); n; n = n->next)
            take(&static_cast<const sTag *>(n->item)->membersNumber);
    } else {
        take(&list->waveNumber);
    }
    return waves;
}

int list(sCliContext *ctx, const ListArgs &a) {
    CliCardLock lock;
    if (!lock.take(ctx, a.root, false)) return CLI_EXIT_FAILURE;
    sWaveList *lib = cliScanVolume(ctx, a.root);
    if (!lib) return CLI_EXIT_FAILURE;
    const sTag *tag = a.oneCategory ? cliFindTag(ctx, lib, a.category) : nullptr;
    if (a.oneCategory && !tag) {
        waveListDispose(lib);
        return CLI_EXIT_FAILURE;
    }
    CliWavePrmIndex index = cliWavePrmIndex(lib);
    nlohmann::ordered_json waves = nlohmann::ordered_json::array();
    for (const sWave *w : ordered(lib, a.sort, tag)) {
        sCliAudioFacts facts = cliAudioFacts(ctx, index[static_cast<size_t>(w->waveNumber)]);
        if (ctx->json) {
            waves.push_back(cliWaveJson(lib, w, facts, true));
            continue;
        }
        char number[8], seconds[32] = "-";
        std::snprintf(number, sizeof number, "%04d", w->waveNumber % 10000);
        if (facts.seconds >= 0) std::snprintf(seconds, sizeof seconds, "%.3f", facts.seconds);
        *ctx->out << number << '\t' << cliField(w->name, kWaveNameLen) << '\t' << cliField(w->category->name, kTagNameLen)
                  << '\t' << cliField(w->dataFolder, kWaveDataFolderLen) << '/' << cliField(w->fileName, kWaveFileNameLen)
                  << '\t' << seconds << '\n';
    }
    waveListDispose(lib);
    if (ctx->json) cliJsonWrite(ctx, {{"volume", a.root}, {"waves", std::move(waves)}});
    return CLI_EXIT_OK;
}

}  // namespace

void cliAddList(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<ListArgs>();
    CLI::App *cmd = app.add_subcommand(
        "list", "List the waves of a card, one per line: number, name, category, file, seconds (tab-separated). "
                "Reads only.");
    cmd->add_option("VOLUME", a->root, "the folder the card is mounted at")->required();
    cmd->add_option("--sort", a->sort, "order of the lines")
        ->check(CLI::IsMember({"number", "name", "category"}))
        ->capture_default_str();
    CLI::Option *category = cmd->add_option("--category", a->category, "only the waves of this category");
    cmd->add_flag("--json", ctx->json, "one JSON object {volume, waves[]}: the waves of info --json with seconds");
    cmd->callback([ctx, a, category] {
        a->oneCategory = category->count() > 0;
        ctx->exitCode = list(ctx, *a);
    });
}
