// `kvbrt list VOLUME [--sort number|name|category]`. See cmd_list.h.
#include "cli/cmd_list.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

std::string text(const char *bytes, size_t length) { return strSjisToUtf8(std::string(bytes, strnlen(bytes, length))); }

// The waves in the asked order.
std::vector<const sWave *> ordered(sWaveList *list, const std::string &sort) {
    std::vector<const sWave *> waves;
    auto take = [&](const sListBase *view) {
        for (auto *n = static_cast<const sListItem *>(view->first); n; n = n->next)
            waves.push_back(static_cast<const sWave *>(n->item));
    };
    if (sort == "name") {
        take(&list->waveAlphabet);
    } else if (sort == "category") {
        for (auto *n = static_cast<const sListItem *>(list->tagOrder.first); n; n = n->next)
            take(&static_cast<const sTag *>(n->item)->membersNumber);
    } else {
        take(&list->waveNumber);
    }
    return waves;
}

// Seconds of sound: sample bytes over bytes per second, since an AIFF header
// gives no frame count.
std::string seconds(sCliContext *ctx, const sStorageWavePrm *node) {
    if (!node) return "-";
    _sAudioContext *audio = audioDecode(node->audioPath);
    if (!audio) {
        cliError(ctx, node->audioPath, "cannot read the audio header: not a WAV or AIFF file the device takes");
        return "-";
    }
    double perSecond = static_cast<double>(audioGetBlockAlign(audio)) * audioGetSampleRate(audio);
    char buf[32] = "-";
    if (perSecond > 0) std::snprintf(buf, sizeof buf, "%.3f", audioGetWaveSize(audio) / perSecond);
    audioDispose(audio);
    return buf;
}

int list(sCliContext *ctx, const std::string &root, const std::string &sort) {
    CliCardLock lock;
    if (!lock.take(ctx, root, false)) return CLI_EXIT_FAILURE;
    sWaveList *lib = cliScanVolume(ctx, root);
    if (!lib) return CLI_EXIT_FAILURE;
    std::ostream &out = *ctx->out;
    for (const sWave *w : ordered(lib, sort)) {
        char number[8];
        std::snprintf(number, sizeof number, "%04d", w->waveNumber % 10000);
        out << number << '\t' << text(w->name, kWaveNameLen) << '\t' << text(w->category->name, kTagNameLen) << '\t'
            << text(w->dataFolder, kWaveDataFolderLen) << '/' << text(w->fileName, kWaveFileNameLen) << '\t'
            << seconds(ctx, wstorageFindWavePrm(lib->storage, w->waveNumber)) << '\n';
    }
    waveListDispose(lib);
    return CLI_EXIT_OK;
}

}  // namespace

void cliAddList(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    auto sort = std::make_shared<std::string>("number");
    CLI::App *cmd = app.add_subcommand(
        "list", "List the waves of a card, one per line: number, name, category, file, seconds (tab-separated). "
                "Reads only.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_option("--sort", *sort, "order of the lines")
        ->check(CLI::IsMember({"number", "name", "category"}))
        ->capture_default_str();
    cmd->callback([ctx, root, sort] { ctx->exitCode = list(ctx, *root, *sort); });
}
