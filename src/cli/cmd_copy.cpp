// `kvbrt copy FROM_VOLUME TO_VOLUME WAVE...`. See cmd_copy.h.
#include "cli/cmd_copy.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/cmd_edit.h"
#include "cli/cmd_export.h"
#include "cli/cmd_import.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "transfer/import.h"
#include "transfer/wavecopy.h"
#include "wavelib/card.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

struct CopyArgs {
    std::string from, to, category;
    std::vector<std::string> waves;
    bool convert = false;
};

// A source wave and the target category it joins.
struct sCopyItem {
    const sWave *wave;
    const sTag *tag;
};

// "0012 Kick", as the messages name a source wave.
std::string label(const sWave *wave) {
    char n[8];
    std::snprintf(n, sizeof n, "%04d", wave->waveNumber);
    return std::string(n) + " " + cliField(wave->name, kWaveNameLen);
}

// The target category of each wave, made where missing and written before
// any wave is requested. Returns false (reported, nothing requested) when
// the categories cannot be settled.
bool settleCategories(sCliContext *ctx, const CopyArgs &a, sWaveList *target, const std::vector<sWave *> &waves,
                      std::vector<sCopyItem> *items) {
    sTag *fixed = nullptr;
    if (!a.category.empty()) {
        std::string sjis;
        if (!cliSjisName(ctx, a.category, "category name", &sjis)) return false;
        if (!(fixed = waveListTagFindName(target, sjis.c_str()))) {
            cliError(ctx, a.category, "no such category on the target card; nothing was copied");
            return false;
        }
    }
    bool made = false;
    std::set<std::string> told;
    for (const sWave *w : waves) {
        int how = WAVECOPY_TAG_FOUND;
        const sTag *tag = fixed ? fixed : waveCopyTargetTag(target, w->category, &how);
        if (!tag) {
            cliError(ctx, a.to, "the card has no DEFAULT category, or memory ran out; nothing was copied");
            return false;
        }
        made |= how == WAVECOPY_TAG_MADE;
        std::string name = w->category ? cliField(w->category->name, kTagNameLen) : "";
        if ((how == WAVECOPY_TAG_FULL || how == WAVECOPY_TAG_REFUSED) && told.insert(name).second)
            cliError(ctx, "category \"" + name + "\"",
                     std::string(how == WAVECOPY_TAG_FULL ? "the target card holds 20 categories already"
                                                          : "the name is not one a new category may have") +
                         "; its waves go into DEFAULT");
        items->push_back({w, tag});
    }
    if (made) {
        waveTagSaveRequest();
        if (cliEditFinish(ctx, target) != CLI_EXIT_OK) {
            cliError(ctx, a.to, "the new categories could not be written; nothing was copied");
            return false;
        }
    }
    return true;
}

void writeJson(sCliContext *ctx, const std::vector<sCopyItem> &items, const std::vector<sCliImported> &outcomes) {
    using Json = nlohmann::ordered_json;
    Json copied = Json::array(), failed = Json::array();
    for (size_t i = 0; i < items.size(); ++i) {
        const sCliImported &o = outcomes[i];
        const sWave *w = items[i].wave;
        if (o.result != IMPORT_OK) {
            failed.push_back({{"old", w->waveNumber}, {"name", cliField(w->name, kWaveNameLen)}, {"reason", o.why}});
            continue;
        }
        Json j{{"old", w->waveNumber}, {"new", o.number}, {"name", o.name},
               {"category", cliField(items[i].tag->name, kTagNameLen)}, {"file", o.file}};
        cliImportHowJson(j, o);
        copied.push_back(j);
    }
    cliJsonWrite(ctx, {{"copied", copied}, {"failed", failed}});
}

int runCopy(sCliContext *ctx, const CopyArgs &a, sWaveList *source, sWaveList *target) {
    std::vector<sWave *> waves;
    if (!cliFindWaves(ctx, source, a.waves, &waves)) return CLI_EXIT_FAILURE;
    std::vector<sCopyItem> items;
    if (!settleCategories(ctx, a, target, waves, &items)) return CLI_EXIT_FAILURE;

    // Requests stay in step with `items`: one that cannot be made is noted
    // in its place, and the job's reports fill the others in order.
    std::vector<sCliImported> outcomes(items.size()), ran;
    std::vector<size_t> requested;
    for (size_t i = 0; i < items.size(); ++i) {
        if (waveCopySetRequest(source, items[i].wave, waveTagNumber(target, items[i].tag),
                               a.convert ? uint32_t{IMPORT_CONVERT} : 0u) == 0)
            requested.push_back(i);
        else
            outcomes[i] = {"", IMPORT_BAD_PATH, -1, "", "", false, {}, "its audio file cannot be reached on the card"};
    }
    waveStorageWaveFileClear();
    int status = CLI_EXIT_OK;
    int calc = cliImportRun(ctx, target, &ran, &status);
    for (size_t k = 0; k < requested.size(); ++k)
        outcomes[requested[k]] = k < ran.size() ? ran[k] : sCliImported{"", IMPORT_NOT_RUN, -1, "", "", false, {},
                                                                          "the copy stopped before this wave"};

    for (size_t i = 0; i < items.size(); ++i) {
        const sCliImported &o = outcomes[i];
        if (o.result == IMPORT_OK) {
            cliImportGainNote(ctx, label(items[i].wave), o);
            continue;
        }
        cliError(ctx, label(items[i].wave), (o.why.empty() ? "failed" : o.why) + "; not copied");
        status = CLI_EXIT_FAILURE;
    }
    if (cliTransferJobFailed(ctx, calc, a.to, "copied")) status = CLI_EXIT_FAILURE;
    if (ctx->json) {
        writeJson(ctx, items, outcomes);
        return status;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const sCliImported &o = outcomes[i];
        if (o.result != IMPORT_OK) continue;
        char numbers[16];
        std::snprintf(numbers, sizeof numbers, "%04d\t%04d", items[i].wave->waveNumber, o.number);
        *ctx->out << numbers << '\t' << o.name << '\t' << cliField(items[i].tag->name, kTagNameLen) << '\t' << o.file
                  << '\n';
    }
    return status;
}

// Refuses, naming both paths, two records of one card.
bool twoCards(sCliContext *ctx, const CopyArgs &a, const sCard *from, const sCard *to) {
    if (cardCompare(from, to) != 0) return true;
    cliError(ctx, a.to, "is the same card as " + a.from + "; waves are copied between two cards");
    return false;
}

int copyWaves(sCliContext *ctx, const CopyArgs &a) {
    if (!cliCheckFolder(ctx, a.from) || !cliCheckFolder(ctx, a.to)) return CLI_EXIT_FAILURE;
    std::unique_ptr<sCard, void (*)(sCard *)> from(cardCreate(a.from.c_str()), cardClose),
        to(cardCreate(a.to.c_str()), cardClose);
    if (!from || !to) {
        cliError(ctx, from ? a.to : a.from, "the path is too long");
        return CLI_EXIT_FAILURE;
    }
    // Before any lock: the second lock on one card would wait for the first.
    if (!twoCards(ctx, a, from.get(), to.get())) return CLI_EXIT_FAILURE;
    // Every copy takes the two locks in the same order, so two copies the
    // other way round between the same cards never wait for each other.
    CliCardLock first, second;
    bool locked = cardCompare(from.get(), to.get()) < 0
                      ? first.take(ctx, a.from, false) && second.take(ctx, a.to, true)
                      : first.take(ctx, a.to, true) && second.take(ctx, a.from, false);
    if (!locked) return CLI_EXIT_FAILURE;

    sWaveList *source = cliScanVolume(ctx, a.from);
    if (!source) return CLI_EXIT_FAILURE;
    sWaveList *target = cliEditOpen(ctx, a.to, WSTORAGE_SCAN_READ_ONLY);
    int status = CLI_EXIT_FAILURE;
    // A card swapped while the locks were awaited is caught by the scans' own records.
    if (target && cliCategoriesWhole(ctx, target) && twoCards(ctx, a, source->card, target->card))
        status = runCopy(ctx, a, source, target);
    if (target) cliEditClose(target);
    waveListDispose(source);
    waveStorageWaveFileClear();
    return status;
}

}  // namespace

void cliAddCopy(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<CopyArgs>();
    CLI::App *cmd = app.add_subcommand(
        "copy", "Copy waves to another card with their names and categories (a category the target lacks is made "
                "there; DEFAULT when it holds 20 already). Prints each copy: old number, new number, name, category, "
                "file (tab-separated). Exit status 1 when any wave was not copied.");
    cmd->add_option("FROM_VOLUME", a->from, "the folder the source card is mounted at")->required();
    cmd->add_option("TO_VOLUME", a->to, "the folder the target card is mounted at")->required();
    cmd->add_option("WAVE", a->waves, "wave numbers on the source card, or wave names (every wave of that name)")
        ->required();
    cmd->add_option("--category", a->category, "the target's category every wave joins (default: each wave's own)");
    cmd->add_flag("--convert", a->convert,
                  "convert a wave the device cannot play to 44.1 kHz 16-bit WAV instead of refusing it");
    cmd->add_flag("--json", ctx->json, "print one JSON object {copied[], failed[]}");
    cmd->callback([ctx, a] { ctx->exitCode = copyWaves(ctx, *a); });
}
