// `kvbrt renumber`. See cmd_renumber.h.
#include "cli/cmd_renumber.h"

#include <CLI/CLI.hpp>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "cli/cmd_edit.h"
#include "foundation/list.h"
#include "foundation/str.h"
#include "wavelib/order.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

struct RenumberArgs {
    std::string root;
    bool dryRun = false;
};

std::string stepText(const sRenumberStep *s) {
    std::string name = "\"" + cliField(s->name, kWaveNameLen) + "\"";
    switch (s->kind) {
    case RENUMBER_STEP_ORPHAN:
        return "remove wave " + std::to_string(s->oldNumber) + " " + name + ": its audio file " + s->oldAudioPath +
               " is absent; parameter file " + s->oldPrmPath + " removed";
    case RENUMBER_STEP_PAD_CLEAR:
        return "clear kit " + std::to_string(s->kit) + " pad " + std::to_string(s->pad + 1) +
               (s->sub ? " sub-wave" : " wave") + ": wave " + std::to_string(s->oldNumber) + " does not exist";
    default:
        return "renumber " + std::to_string(s->oldNumber) + " -> " + std::to_string(s->newNumber) + " " + name + ": " +
               s->oldAudioPath + " -> " + s->newAudioPath + ", " + s->oldPrmPath + " -> " + s->newPrmPath;
    }
}

using Json = nlohmann::ordered_json;

Json stepJson(const sRenumberStep *s) {
    switch (s->kind) {
    case RENUMBER_STEP_ORPHAN:
        return {{"kind", "remove"},
                {"number", s->oldNumber},
                {"name", cliField(s->name, kWaveNameLen)},
                {"audio", s->oldAudioPath},
                {"parameter_file", s->oldPrmPath}};
    case RENUMBER_STEP_PAD_CLEAR:
        return {{"kind", "clear_pad"},
                {"kit", s->kit},
                {"pad", s->pad + 1},
                {"sub", s->sub != 0},
                {"wave", s->oldNumber}};
    default:
        return {{"kind", "renumber"},
                {"old", s->oldNumber},
                {"new", s->newNumber},
                {"name", cliField(s->name, kWaveNameLen)},
                {"old_audio", s->oldAudioPath},
                {"new_audio", s->newAudioPath},
                {"old_parameter_file", s->oldPrmPath},
                {"new_parameter_file", s->newPrmPath}};
    }
}

int renumber(sCliContext *ctx, const RenumberArgs &a) {
    sListBase steps{};
    std::string plan;  // the steps as text lines
    Json planJson = Json::array();
    auto edit = [&](sWaveList *list) {
        int r = listRenumberingPlan(list, &steps);
        if (r != 0) {
            cliError(ctx, a.root, r == RENUMBER_FAIL_VOLUME ? "the device folder is gone" : "out of memory");
            return CLI_EXIT_FAILURE;
        }
        for (auto *s = static_cast<const sRenumberStep *>(steps.first); s; s = s->next) {
            if (ctx->json) planJson.push_back(stepJson(s));
            else plan += stepText(s) + "\n";
        }
        rliListFreeList(&steps);
        if (a.dryRun) return CLI_EXIT_OK;
        waveListRenumberingRequest();
        return CLI_EXIT_OK;
    };
    int status = CLI_EXIT_OK;
    std::string result;
    Json resultJson;
    auto after = [&](sWaveList *) {
        if (a.dryRun) return;
        const sRenumberResult *r = listRenumberingResult();
        resultJson = {{"status", r->status},
                      {"renumbered", r->renumbered},
                      {"removed", r->removed},
                      {"pads_cleared", r->padsCleared},
                      {"failed_wave", r->failedNumber}};
        result = "renumbered " + std::to_string(r->renumbered) + " waves, removed " + std::to_string(r->removed) +
                 " orphan waves, cleared " + std::to_string(r->padsCleared) + " pad slots\n";
        if (r->status != 0) status = CLI_EXIT_FAILURE;
    };
    // The dry run reads the card without the scan's clean-up: the orphan
    // parameter files the real run's scan would remove are reported as notes.
    int edited = cliEditRun(ctx, a.root, edit, after, a.dryRun ? WSTORAGE_SCAN_READ_ONLY : WSTORAGE_SCAN_CLEAN);
    if (edited == CLI_EXIT_FAILURE && plan.empty() && planJson.empty() && result.empty()) return CLI_EXIT_FAILURE;
    if (ctx->json) {
        Json doc = {{"dry_run", a.dryRun}, {"steps", planJson}};
        if (!result.empty()) doc["result"] = resultJson;
        cliJsonWrite(ctx, doc);
    } else {
        *ctx->out << plan << result;
    }
    return edited != CLI_EXIT_OK ? edited : status;
}

}  // namespace

void cliAddRenumber(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<RenumberArgs>();
    CLI::App *cmd = app.add_subcommand(
        "renumber", "Close the gaps in the wave numbers: waves get 0, 1, 2, ... in number order, their files move "
                    "and the pads follow. Prints every step; --dry-run prints them and changes nothing.");
    cmd->add_option("VOLUME", a->root, "the folder the card is mounted at")->required();
    cmd->add_flag("--dry-run", a->dryRun, "print the plan and change nothing");
    cmd->add_flag("--json", ctx->json,
                  "one JSON object {dry_run, steps[{kind: renumber|remove|clear_pad, ...}], result}");
    cmd->callback([ctx, a] { ctx->exitCode = renumber(ctx, *a); });
}
