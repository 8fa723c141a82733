// `kvbrt check VOLUME [--json] [--fix]`. See cmd_check.h.
#include "cli/cmd_check.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "app/journal.h"
#include "cli/cli_text.h"
#include "foundation/global.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "transfer/backup.h"
#include "wavelib/journal.h"
#include "wavelib/health.h"
#include "wavelib/storage.h"

namespace {

using Json = nlohmann::ordered_json;

Json findingsJson(const sHealthReport *r) {
    Json out = Json::array();
    for (auto *f = static_cast<const sHealthFinding *>(r->findings.first); f; f = f->next)
        out.push_back({{"kind", waveHealthKindName(f->kind)},
                       {"file", f->path},
                       {"detail", f->detail},
                       {"repair", f->fix == HEALTH_FIX_NONE ? Json() : Json(waveHealthFixName(f->fix))}});
    return out;
}

void writeFindings(sCliContext *ctx, const sHealthReport *r) {
    for (auto *f = static_cast<const sHealthFinding *>(r->findings.first); f; f = f->next)
        *ctx->out << waveHealthKindName(f->kind) << ": " << f->path << ": " << f->detail << "\n";
}

void writeSpace(sCliContext *ctx, const sHealthReport *r) {
    if (r->freeBytes == UINT64_MAX) *ctx->out << "free space: unknown\n";
    else *ctx->out << "free space: " << cliSizeText(r->freeBytes) << " of " << cliSizeText(r->totalBytes) << "\n";
}

uint64_t known(uint64_t bytes) { return bytes == UINT64_MAX ? 0 : bytes; }

// The restore's staging folder as the check lists it (below the maker folder
// as found on the card).
bool isRestoreStaging(const sHealthFinding *f) {
    std::string path = f->path, name = std::string("/") + cBACKUP_STAGING_NAME + "/";
    return f->kind == HEALTH_STAGING && path.size() >= name.size() &&
           path.compare(path.size() - name.size(), name.size(), name) == 0;
}

// The check finds hidden folders; what a restore's staging folder means, and
// whether it can be brought to an end, only the transfer layer knows.
void addRestoreState(const std::string &root, sHealthReport *r) {
    std::string staging;
    for (auto *f = static_cast<sHealthFinding *>(r->findings.first); f;) {
        auto *next = f->next;
        if (isRestoreStaging(f)) {
            staging = f->path;
            rliListFreeLink(&r->findings, f);
        }
        f = next;
    }
    char detail[kStoragePathMax] = "";
    int state = restoreRecoverState(root.c_str(), detail, sizeof detail);
    if (state == RESTORE_STATE_NONE) return;
    if (staging.empty()) staging = root + "Korvan/" + cBACKUP_STAGING_NAME + "/";
    bool cut = state == RESTORE_STATE_ASIDE || state == RESTORE_STATE_PLACE || state == RESTORE_STATE_UNDO;
    waveHealthAdd(r, cut ? HEALTH_RESTORE_CUT : HEALTH_STAGING,
                  state == RESTORE_STATE_DAMAGED ? HEALTH_FIX_NONE : HEALTH_FIX_RECOVER, staging.c_str(), detail);
}

// Finishes (or, where only that is possible, rolls back) an interrupted
// restore before anything else is repaired: the rest is then checked on the
// card as it ends up.
void recoverRestore(const std::string &root, sHealthReport *r) {
    for (auto *f = static_cast<const sHealthFinding *>(r->findings.first); f; f = f->next) {
        if (f->fix != HEALTH_FIX_RECOVER) continue;
        char detail[kStoragePathMax] = "";
        int state = restoreRecover(root.c_str(), RESTORE_RECOVER_FINISH, detail, sizeof detail);
        std::string done = state == RESTORE_STATE_UNDO || state == RESTORE_STATE_STAGING ? "rolled back" : "finished";
        waveHealthAddRepair(r, HEALTH_FIX_RECOVER, state >= 0, f->path,
                            state >= 0 ? ("the restore was " + done).c_str() : detail);
        return;
    }
}

// Asks whether to repair; the terminal host answers from --yes / --no or asks.
bool confirmed(const wchar_t *question = L"Repair the card as planned above?") {
    cliTextInit();
    return ghostMBoxOpen(dnaStrGetPtr(DNASTR_TITLE_QUESTION), question, MBOX_KIND_YES_NO, nullptr) == MBOX_YES;
}

// An edit a crash cut off is finished before anything else is looked at: the
// card is only whole again once it is. Returns the edits still pending.
unsigned finishCutOffEdits(sCliContext *ctx, const std::string &root, bool fix) {
    unsigned pending = journalPendingOnCard(root.c_str()) & (JOURNAL_PENDING_RENUMBER | JOURNAL_PENDING_CATEGORY);
    if (!pending || !fix) return pending;
    std::ostream &out = ctx->json ? *ctx->err : *ctx->out;
    out << root << ": " << journalPendingText(pending) << " was cut off\n";
    out.flush();
    if (!confirmed(dnaStrGetPtr(DNASTR_ASK_FINISH_EDIT))) return pending;
    cliCommandWrites(ctx);
    char why[kStoragePathMax];
    if (journalRecoverCard(root.c_str(), why, sizeof why) != 0) {
        cliError(ctx, root, why);
        return pending;
    }
    out << "finished: " << journalPendingText(pending) << "\n";
    return 0;
}

// A category list that cannot be read may still be the only record of the
// names: it is replaced only when the user says so.
void askBeforeRebuildingTags(sHealthReport *r) {
    for (auto *f = static_cast<sHealthFinding *>(r->findings.first); f; f = f->next)
        if (f->kind == HEALTH_TAG_LIST_DAMAGED && f->fix == HEALTH_FIX_REBUILD_TAGS &&
            !confirmed(L"The category list cannot be read. Rebuild it, keeping every wave in the category of its "
                       L"number, with placeholder names where the names cannot be read?"))
            f->fix = HEALTH_FIX_NONE;
}

int check(sCliContext *ctx, const std::string &root, bool fix) {
    if (!cliCheckFolder(ctx, root)) return CLI_EXIT_FAILURE;
    CliCardLock lock;
    if (!lock.take(ctx, root, fix, true)) return CLI_EXIT_FAILURE;
    unsigned cutOff = finishCutOffEdits(ctx, root, fix);
    sHealthReport report{}, after{};
    bool read = waveHealthCheck(root.c_str(), &report) == 0;
    if (cutOff) {
        char journal[kStoragePathMax];
        journalPath(report.root, cutOff & JOURNAL_PENDING_RENUMBER ? cJOURNAL_RENUMBER : cJOURNAL_CATEGORY, journal,
                    sizeof journal);
        waveHealthAdd(&report, HEALTH_EDIT_CUT, HEALTH_FIX_NONE, journal,
                      (journalPendingText(cutOff) + " was cut off; every other edit waits until check --fix finishes it").c_str());
    }
    // A restore cut off early may have left no device folder: that is still
    // worth reporting, and repairing.
    addRestoreState(report.root, &report);
    if (!read && !report.findings.first) {
        bool listed = wstorageLastFlags() & WSTORAGE_ROOT;
        cliError(ctx, root, listed ? kCliNoDeviceFolder
                                   : "the folder cannot be listed");
        waveHealthDispose(&report);
        return CLI_EXIT_FAILURE;
    }
    bool healthy = waveHealthFindingCount(&report) == 0;
    bool repaired = false;
    if (!ctx->json) {
        writeFindings(ctx, &report);
        writeSpace(ctx, &report);
    }
    if (fix) askBeforeRebuildingTags(&report);
    if (fix && waveHealthFixableCount(&report) > 0) {
        // The plan goes where the question is asked, so stdout keeps its one document.
        std::ostream &plan = ctx->json ? *ctx->err : *ctx->out;
        plan << "repair plan:\n";
        for (auto *f = static_cast<const sHealthFinding *>(report.findings.first); f; f = f->next)
            if (f->fix != HEALTH_FIX_NONE) plan << "  " << waveHealthFixName(f->fix) << ": " << f->path << "\n";
        plan << "  then: wave list files that exist are rewritten to match the repaired library\n";
        plan.flush();
        if (confirmed()) {
            // From here the card changes: Ctrl-C waits for the repair to finish.
            cliCommandWrites(ctx);
            recoverRestore(report.root, &report);
            int failed = waveHealthApply(&report, &after);
            if (failed < 0) cliError(ctx, root, "the card could not be read again after the repair");
            addRestoreState(report.root, &after);
            repaired = true;
            bool allDone = failed == 0;
            for (auto *p = static_cast<const sHealthRepair *>(report.repairs.first); p; p = p->next) allDone = allDone && p->ok;
            healthy = allDone && waveHealthFindingCount(&after) == 0 && !cutOff;
            if (cutOff) waveHealthAdd(&after, HEALTH_EDIT_CUT, HEALTH_FIX_NONE, report.root,
                                      (journalPendingText(cutOff) + " was cut off").c_str());
        }
    } else if (fix && !healthy && !ctx->json) {
        *ctx->out << "nothing here can be repaired without losing audio\n";
    }
    if (ctx->json) {
        // The volume as it was given, as every command's document spells it.
        Json doc = {{"volume", root},
                    {"free_bytes", known(report.freeBytes)},
                    {"total_bytes", known(report.totalBytes)},
                    {"healthy", healthy},
                    {"findings", findingsJson(&report)}};
        if (fix) {
            Json done = Json::array();
            for (auto *p = static_cast<const sHealthRepair *>(report.repairs.first); p; p = p->next)
                done.push_back({{"repair", waveHealthFixName(p->fix)},
                                {"file", p->path},
                                {"detail", p->detail},
                                {"ok", p->ok != 0}});
            doc["repaired"] = done;
            doc["remaining"] = findingsJson(repaired ? &after : &report);
        }
        cliJsonWrite(ctx, doc);
    } else if (repaired) {
        for (auto *p = static_cast<const sHealthRepair *>(report.repairs.first); p; p = p->next)
            *ctx->out << (p->ok ? "repaired: " : "not repaired: ") << p->path << ": " << p->detail << "\n";
        *ctx->out << (waveHealthFindingCount(&after) ? "still wrong after the repair:\n" : "the card is healthy now\n");
        writeFindings(ctx, &after);
    } else if (healthy) {
        *ctx->out << "the card is healthy\n";
    }
    waveHealthDispose(&report);
    waveHealthDispose(&after);
    return healthy ? CLI_EXIT_OK : CLI_EXIT_FAILURE;
}

}  // namespace

void cliAddCheck(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    auto fix = std::make_shared<bool>(false);
    CLI::App *cmd = app.add_subcommand(
        "check", "Check a card for damaged, orphan and unplayable files, dangling pads, stale lists, name clashes and "
                 "left-over temporary files. Reads only, unless --fix is given.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_flag("--json", ctx->json,
                  "one JSON object {volume, free_bytes, total_bytes, healthy, findings[], and with --fix repaired[], "
                  "remaining[]}");
    cmd->add_flag("--fix", *fix,
                  "print the repair plan, ask, then repair what can be repaired without losing audio");
    cmd->footer("Exit status: 0 healthy, 1 problems remain.\nExamples:\n  kvbrt check /media/card\n"
                "  kvbrt --yes check /media/card --fix");
    cmd->callback([ctx, root, fix] { ctx->exitCode = check(ctx, *root, *fix); });
}
