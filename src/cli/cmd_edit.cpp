// The editing commands of kvbrt. See cmd_edit.h.
#include "cli/cmd_edit.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/docalc.h"
#include "cli/cli_text.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "resource/dnastr_ids.h"
#include "wavelib/card.h"
#include "wavelib/names.h"
#include "wavelib/order.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"

namespace {

// Why a noted failure happened, as one line.
std::string failureReason(const sWaveRequestFailure *f) {
    std::string name = f->name[0] ? std::string(" \"") + f->name + "\"" : "";
    std::string reason;
    switch (f->text) {
    case DNASTR_ERR_WAVE_UNREADABLE:
        reason = "the audio file of wave" + name + " cannot be opened; its parameter file was not written";
        break;
    case DNASTR_ERR_WAVE_FORMAT:
        reason = "the audio file of wave" + name + " is not 44.1 kHz 16-bit; its parameter file was not written";
        break;
    case DNASTR_ERR_WAVE_WRITE: reason = "cannot write the parameter file of wave" + name; break;
    case DNASTR_ERR_WAVE_DELETE: reason = "cannot delete this file; wave" + name + " was kept"; break;
    case DNASTR_ERR_LIST_WRITE: reason = "cannot write the wave list file"; break;
    case DNASTR_ERR_TAG_WRITE: reason = "cannot write the category list"; break;
    case DNASTR_ERR_CARD_GONE: reason = "the device folder is gone (was the card removed?); nothing was written"; break;
    case DNASTR_ERR_RENUMBER: reason = "renumbering stopped at wave" + name; break;
    default: reason = "failed"; break;
    }
    if (f->err) reason += std::string(": ") + std::strerror(f->err);
    return reason;
}

sWave *findWave(sCliContext *ctx, sWaveList *list, int number) {
    sWave *wave = waveListFindWaveNumber(list, number);
    if (!wave) cliError(ctx, "wave " + std::to_string(number), "no such wave on the card");
    return wave;
}

// Whether UTF-8 `name` can be the name of `tag` (null: a new category) by the
// library's rule; why not is reported. `*sjis` gets the bytes the card keeps.
bool usableTagName(sCliContext *ctx, sWaveList *list, const std::string &name, const sTag *tag, std::string *sjis) {
    if (!cliEditName(ctx, name, kTagListNameMax, "category name", sjis)) return false;
    const sTag *clash = nullptr;
    int code = waveTagNameCheck(list, sjis->c_str(), tag, &clash);
    if (code == NAME_OK) return true;
    cliError(ctx, "category \"" + name + "\"",
             clash ? "the name is already in use by category \"" + cliField(clash->name, kTagNameLen) + "\""
                   : std::string(waveNameReason(code)));
    return false;
}

// --- rename ----------------------------------------------------------------------

struct RenameArgs {
    std::string root, name;
    int wave = -1;
};

int rename(sCliContext *ctx, const RenameArgs &a) {
    std::string done;
    int status = cliEditRun(ctx, a.root, [&](sWaveList *list) {
        std::string sjis;
        sWave *wave = findWave(ctx, list, a.wave);
        if (!wave || !cliEditName(ctx, a.name, kWaveNameLen, "wave name", &sjis)) return CLI_EXIT_FAILURE;
        done = "wave " + std::to_string(a.wave) + ": " + cliField(wave->name, kWaveNameLen) + " -> " + a.name;
        waveWaveName(wave, sjis.c_str());
        waveWaveSaveRequest(wave, 1);
        waveListSortItAllRequest();
        return CLI_EXIT_OK;
    });
    return cliEditDone(ctx, status, done);
}

// --- category ------------------------------------------------------------------------

struct CategoryArgs {
    std::string root;
    CLI::App *add, *rename, *remove, *move, *assign;
    std::string name, newName, before, after;
    int to = 0;  // move --to: the position asked for, 1 shown first; 0 when not given
    std::vector<std::string> assignArgs;
};

// Where `tag` now stands, for the result line of an edit that placed it.
std::string standing(const sWaveList *list, const sTag *tag) {
    return "position " + std::to_string(cliTagPosition(list, tag)) + " of " + std::to_string(waveListTagCount(list));
}

int categoryAdd(sCliContext *ctx, sWaveList *list, const CategoryArgs &a, std::string &done) {
    std::string sjis;
    if (!usableTagName(ctx, list, a.name, nullptr, &sjis)) return CLI_EXIT_FAILURE;
    // New categories go on top of the display order, as the main window's command puts them.
    sTag *tag = waveTagCreate(list, sjis.c_str(), nullptr, 1);
    if (!tag) {
        cliError(ctx, "category \"" + a.name + "\"",
                 waveListTagCount(list) >= kTagCountMax ? "a card holds at most 20 categories" : "out of memory");
        return CLI_EXIT_FAILURE;
    }
    waveTagSaveRequest();
    done = "category added: " + a.name + ", shown at " + standing(list, tag);
    return CLI_EXIT_OK;
}

bool refuseDefault(sCliContext *ctx, sWaveList *list, const sTag *tag, const char *what) {
    if (tag != list->defaultTag) return false;
    cliError(ctx, "category \"" + cliField(tag->name, kTagNameLen) + "\"",
             std::string("the default category cannot be ") + what);
    return true;
}

int categoryRename(sCliContext *ctx, sWaveList *list, const CategoryArgs &a, std::string &done) {
    sTag *tag = cliFindTag(ctx, list, a.name);
    std::string sjis;
    if (!tag || refuseDefault(ctx, list, tag, "renamed") || !usableTagName(ctx, list, a.newName, tag, &sjis))
        return CLI_EXIT_FAILURE;
    waveTagName(tag, sjis.c_str());
    waveTagSaveRequest();
    done = "category renamed: " + a.name + " -> " + a.newName;
    return CLI_EXIT_OK;
}

int categoryDelete(sCliContext *ctx, sWaveList *list, const CategoryArgs &a, std::string &done) {
    sTag *tag = cliFindTag(ctx, list, a.name);
    if (!tag || refuseDefault(ctx, list, tag, "deleted")) return CLI_EXIT_FAILURE;
    int moved = waveTagHadWaveCount(tag);
    if (waveTagDispose(list, tag) != 0) {
        cliError(ctx, "category \"" + a.name + "\"", "cannot be deleted");
        return CLI_EXIT_FAILURE;
    }
    waveTagSaveRequest();
    waveListSortItAllRequest();
    done = "category deleted: " + a.name + " (" + std::to_string(moved) + " waves moved to " +
           cliField(list->defaultTag->name, kTagNameLen) + ")";
    return CLI_EXIT_OK;
}

// The category shown at `position` (1 first), or null.
sTag *shownAt(sWaveList *list, int position) {
    auto *n = static_cast<sListItem *>(list->tagOrder.first);
    for (int i = 1; n && i < position; ++i) n = n->next;
    return n ? static_cast<sTag *>(n->item) : nullptr;
}

int categoryMove(sCliContext *ctx, sWaveList *list, const CategoryArgs &a, std::string &done) {
    sTag *tag = cliFindTag(ctx, list, a.name);
    if (!tag) return CLI_EXIT_FAILURE;
    sTag *anchor = nullptr;
    // Moving to a place further down puts it below the category standing
    // there now; further up, above it.
    bool below = !a.after.empty();
    if (a.to > 0) {
        int from = cliTagPosition(list, tag);
        anchor = shownAt(list, a.to);
        if (!anchor) {
            cliError(ctx, "category \"" + a.name + "\"", "there is no position " + std::to_string(a.to) + ": the card has " +
                                                             std::to_string(waveListTagCount(list)) + " categories");
            return CLI_EXIT_FAILURE;
        }
        if (anchor == tag) {
            done = "category " + a.name + " stays at " + standing(list, tag);
            return CLI_EXIT_OK;
        }
        below = a.to > from;
    } else {
        anchor = cliFindTag(ctx, list, below ? a.after : a.before);
        if (!anchor) return CLI_EXIT_FAILURE;
        if (tag == anchor) {
            cliError(ctx, "category \"" + a.name + "\"", "cannot be moved next to itself");
            return CLI_EXIT_FAILURE;
        }
    }
    int r = below ? waveTagReplacementAfter(list, anchor, tag) : waveTagReplacementBefore(list, anchor, tag);
    if (r != 0) {
        cliError(ctx, "category \"" + a.name + "\"", "cannot be moved");
        return CLI_EXIT_FAILURE;
    }
    waveTagSaveRequest();
    done = "category moved: " + a.name + ", now shown at " + standing(list, tag);
    return CLI_EXIT_OK;
}

int categoryAssign(sCliContext *ctx, sWaveList *list, const CategoryArgs &a, std::string &done) {
    std::vector<sWave *> waves;
    for (size_t i = 0; i + 1 < a.assignArgs.size(); ++i) {
        sWave *w = findWave(ctx, list, std::stoi(a.assignArgs[i]));
        if (!w) return CLI_EXIT_FAILURE;
        waves.push_back(w);
    }
    sTag *tag = cliFindTag(ctx, list, a.assignArgs.back());
    if (!tag) return CLI_EXIT_FAILURE;
    for (sWave *w : waves) waveWaveTagChange(w, tag);
    done = std::to_string(waves.size()) + (waves.size() == 1 ? " wave" : " waves") + " assigned to category " +
           cliField(tag->name, kTagNameLen);
    return CLI_EXIT_OK;
}

int category(sCliContext *ctx, const CategoryArgs &a) {
    std::string done;
    int status = cliEditRun(ctx, a.root, [&](sWaveList *list) {
        if (a.add->parsed()) return categoryAdd(ctx, list, a, done);
        if (a.rename->parsed()) return categoryRename(ctx, list, a, done);
        if (a.remove->parsed()) return categoryDelete(ctx, list, a, done);
        if (a.move->parsed()) return categoryMove(ctx, list, a, done);
        return categoryAssign(ctx, list, a, done);
    });
    return cliEditDone(ctx, status, done);
}

// Wave numbers must be numbers; anything else is a malformed command line.
std::string checkWaveNumbers(const std::vector<std::string> &args) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        const std::string &s = args[i];
        if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
            return "WAVE must be a wave number: " + s;
    }
    return "";
}

// --- kit -----------------------------------------------------------------------------

struct KitArgs {
    std::string root;
    CLI::App *name, *set, *clear, *swap, *show;
    int kit = -1, pad = 0, wave = -1, subWave = -1;
    std::string kitName, subName, slotA, slotB;
    CLI::Option *subNameOpt = nullptr, *subWaveOpt = nullptr;
};

// "7" is pad 7's wave, "7s" its sub-wave: pad index x 2 (+ 1).
int slotOf(const std::string &text) {
    bool sub = !text.empty() && (text.back() == 's' || text.back() == 'S');
    std::string digits = sub ? text.substr(0, text.size() - 1) : text;
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    int pad = std::stoi(digits);
    return pad >= 1 && pad <= kKitPadCount ? (pad - 1) * 2 + (sub ? 1 : 0) : -1;
}

std::string checkSlot(const std::string &text) {
    return slotOf(text) < 0 ? "a pad slot is a pad number 1-15, with \"s\" for its sub-wave: " + text : "";
}

int kitEdit(sCliContext *ctx, sWaveList *list, const KitArgs &a, std::string &done) {
    sKit *kit = waveListKitPtr(list, a.kit);
    if (!kit) return CLI_EXIT_FAILURE;
    if (a.name->parsed()) {
        std::string name, sub;
        if (!cliEditName(ctx, a.kitName, kKitNameLen, "kit name", &name, true)) return CLI_EXIT_FAILURE;
        if (*a.subNameOpt && !cliEditName(ctx, a.subName, kKitSubNameLen, "kit sub-name", &sub, true))
            return CLI_EXIT_FAILURE;
        waveKitName(kit, name.c_str());
        if (*a.subNameOpt) waveKitSubName(kit, sub.c_str());
        done = "kit " + std::to_string(a.kit) + " named " + a.kitName + (*a.subNameOpt ? " / " + a.subName : "");
    } else if (a.set->parsed()) {
        if (!findWave(ctx, list, a.wave) || (*a.subWaveOpt && !findWave(ctx, list, a.subWave))) return CLI_EXIT_FAILURE;
        sPad *pad = waveKitPadPtr(kit, a.pad - 1);
        wavePadWaveNumber(pad, a.wave);
        if (*a.subWaveOpt) wavePadSubWaveNumber(pad, a.subWave);
        done = "kit " + std::to_string(a.kit) + " pad " + std::to_string(a.pad) + ": wave " + std::to_string(a.wave) +
               (*a.subWaveOpt ? ", sub-wave " + std::to_string(a.subWave) : "");
    } else if (a.clear->parsed()) {
        sPad *pad = waveKitPadPtr(kit, a.pad - 1);
        wavePadWaveNumber(pad, -1);
        wavePadSubWaveNumber(pad, -1);
        done = "kit " + std::to_string(a.kit) + " pad " + std::to_string(a.pad) + " cleared";
    } else {
        int s1 = slotOf(a.slotA), s2 = slotOf(a.slotB);
        sPad *p1 = waveKitPadPtr(kit, s1 / 2), *p2 = waveKitPadPtr(kit, s2 / 2);
        sWave *w1 = s1 % 2 ? wavePadSubWavePtr(list, p1) : wavePadWavePtr(list, p1);
        sWave *w2 = s2 % 2 ? wavePadSubWavePtr(list, p2) : wavePadWavePtr(list, p2);
        waveKitSelect(kit);
        waveWavePadExchange(w1, w2, s1, s2);
        waveWavePadExchangeRequest();
        done = "kit " + std::to_string(a.kit) + ": slots " + a.slotA + " and " + a.slotB + " swapped";
    }
    // As the kit window does: an edited kit has a file from now on. The pad
    // exchange writes its kit itself.
    waveKitIsFile(kit, 1);
    waveKitEdit(kit);
    if (!a.swap->parsed()) waveKitSaveRequest();
    return CLI_EXIT_OK;
}

// Shows the kit `a.kit`, or without one every kit that has a file: each pad's
// wave and sub-wave with their names. Reads only.
int kitShow(sCliContext *ctx, const KitArgs &a) {
    CliCardLock lock;
    if (!lock.take(ctx, a.root, false)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliScanVolume(ctx, a.root);
    if (!list) return CLI_EXIT_FAILURE;
    // Looked up by number once, not by a search of the library per pad.
    std::vector<const sWave *> byNumber(kWaveNumberMax + 1, nullptr);
    for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next)
        byNumber[static_cast<size_t>(w->waveNumber)] = w;
    auto wave = [&](int number) { return number >= 0 && number <= kWaveNumberMax ? byNumber[number] : nullptr; };
    auto waveText = [&](int number) {
        if (number < 0) return std::string("-");
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d", number);
        const sWave *w = wave(number);
        return std::string(buf) + " " + (w ? cliField(w->name, kWaveNameLen) : std::string("(not on the card)"));
    };
    auto waveName = [&](int number) {
        const sWave *w = wave(number);
        return w ? nlohmann::ordered_json(cliField(w->name, kWaveNameLen)) : nlohmann::ordered_json();
    };
    nlohmann::ordered_json kits = nlohmann::ordered_json::array();
    for (auto *kit = static_cast<const sKit *>(list->kits.first); kit; kit = kit->next) {
        if (a.kit >= 0 ? kit->kitNumber != a.kit : !kit->isFile) continue;
        std::string name = cliField(kit->name, kKitNameLen), sub = cliField(kit->subName, kKitSubNameLen);
        nlohmann::ordered_json pads = nlohmann::ordered_json::array();
        if (!ctx->json)
            *ctx->out << "kit " << kit->kitNumber << ": " << name << (sub.empty() ? "" : " / " + sub)
                      << (kit->isFile ? "" : " (no kit file)") << "\n";
        int number = 1;
        for (auto *p = static_cast<const sListItem *>(kit->pads.first); p; p = p->next, ++number) {
            auto *pad = static_cast<const sPad *>(p->item);
            if (!ctx->json) {
                *ctx->out << "pad " << number << '\t' << waveText(pad->waveNumber) << '\t' << waveText(pad->subWaveNumber)
                          << '\n';
                continue;
            }
            pads.push_back({{"pad", number},
                            {"wave", pad->waveNumber},
                            {"wave_name", waveName(pad->waveNumber)},
                            {"subwave", pad->subWaveNumber},
                            {"subwave_name", waveName(pad->subWaveNumber)}});
        }
        kits.push_back({{"number", kit->kitNumber},
                        {"name", name},
                        {"subname", sub},
                        {"has_file", kit->isFile != 0},
                        {"pads", std::move(pads)}});
    }
    waveListDispose(list);
    if (ctx->json) cliJsonWrite(ctx, {{"volume", a.root}, {"kits", std::move(kits)}});
    return CLI_EXIT_OK;
}

// --- delete ----------------------------------------------------------------------------

struct DeleteArgs {
    std::string root;
    std::vector<int> waves;
};

int deleteWaves(sCliContext *ctx, const DeleteArgs &a) {
    std::vector<std::pair<int, std::string>> asked;
    auto edit = [&](sWaveList *list) {
        for (int number : a.waves) {
            sWave *w = findWave(ctx, list, number);
            if (!w) return CLI_EXIT_FAILURE;
            bool again = false;
            for (const auto &seen : asked) again = again || seen.first == number;
            if (again) continue;
            if (waveWaveDisposeFileRequest(w, 1) != 0) {
                cliError(ctx, "wave " + std::to_string(number), "out of memory");
                return CLI_EXIT_FAILURE;
            }
            asked.push_back({number, cliField(w->name, kWaveNameLen)});
        }
        return CLI_EXIT_OK;
    };
    bool anyDeleted = false;
    nlohmann::ordered_json deleted = nlohmann::ordered_json::array();
    auto after = [&](sWaveList *list) {
        for (const auto &[number, name] : asked) {
            if (waveListFindWaveNumber(list, number)) continue;
            if (ctx->json) deleted.push_back({{"number", number}, {"name", name}});
            else *ctx->out << "deleted wave " << number << " " << name << "\n";
            anyDeleted = true;
        }
    };
    int status = cliEditRun(ctx, a.root, edit, after);
    if (ctx->json) cliJsonWrite(ctx, {{"deleted", deleted}});
    // A declined question also fails the command (cliMain); say what it meant.
    if (status == CLI_EXIT_OK && !anyDeleted) cliError(ctx, a.root, "nothing was deleted");
    return status;
}

// --- wavelist ----------------------------------------------------------------------------

int wavelist(sCliContext *ctx, const std::string &root) {
    return cliEditRun(ctx, root, [&](sWaveList *list) {
        // The main window's command runs the job itself, outside the request step.
        cliCommandWrites(ctx);
        if (waveListSave(list) != 0) {
            cliEditReport(ctx, list);
            return CLI_EXIT_FAILURE;
        }
        for (const char *name : cSTORAGE_FILE_WAVE_LISTS) {
            char path[kStoragePathMax];
            std::string relative = std::string(cSTORAGE_DIR_SYSTEM) + name;
            if (wstorageDevicePath(path, sizeof path, root.c_str(), relative.c_str()) == 0) *ctx->out << path << "\n";
        }
        return CLI_EXIT_OK;
    });
}

}  // namespace

// --- Shared ---------------------------------------------------------------------------------

sWaveList *cliEditOpen(sCliContext *ctx, const std::string &root, uint32_t mode) {
    if (!cliCheckFolder(ctx, root)) return nullptr;
    // The request step's messages name string-table texts.
    cliTextInit();
    waveRequestReset();
    // cliEditReport tells each failure; the desktop's boxes would repeat it.
    waveRequestFailureShow(0);
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, mode);
    if (!list) {
        waveRequestFailureShow(1);
        if (!(wstorageLastFlags() & WSTORAGE_ROOT)) cliError(ctx, root, "the folder cannot be listed");
        else cliError(ctx, root, kCliNoDeviceFolder);
        return nullptr;
    }
    for (auto *n = static_cast<const sStorageNote *>(list->storage->notes.first); n; n = n->next)
        cliError(ctx, n->path, cliStorageNoteReason(n));
    // A dry run writes nothing; every other edit may write category numbers.
    if (mode != WSTORAGE_SCAN_READ_ONLY && !cliCategoriesWhole(ctx, list)) {
        cliEditClose(list);
        return nullptr;
    }
    return list;
}

sTag *cliFindTag(sCliContext *ctx, sWaveList *list, const std::string &name) {
    std::string sjis;
    // A lookup only converts: a card written elsewhere may hold names our rule refuses.
    if (!cliSjisName(ctx, name, "category name", &sjis)) return nullptr;
    sTag *tag = waveListTagFindName(list, sjis.c_str());
    if (!tag) cliError(ctx, "category \"" + name + "\"", "no such category on the card");
    return tag;
}

bool cliCategoriesWhole(sCliContext *ctx, sWaveList *list) {
    if (!wstorageTagListUnreadable(list->storage)) return true;
    cliError(ctx, cardRoot(list->card), "the category list cannot be read, and an edit would replace it with DEFAULT alone; "
                                        "nothing was changed ('kvbrt check' shows it)");
    return false;
}

int cliEditFinish(sCliContext *ctx, sWaveList *list, const std::string *listsBefore) {
    cliCommandWrites(ctx);
    waveDoCalc(list);
    if (listsBefore) cliListsFollow(list, *listsBefore);
    return cliEditReport(ctx, list);
}

std::string cliListsText(sWaveList *list) {
    waveListSortItAll(list);
    std::string text;
    for (int i = 0; i < kStorageWaveListFiles; ++i) text += waveListListFileText(list, i);
    return text;
}

void cliListsFollow(sWaveList *list, const std::string &before) {
    // The desktop program writes the lists when it closes; a command is its
    // own whole session. After a failed step the library holds what the card
    // does not, and lists made from it would be wrong the other way.
    if (rliListCount(&gWaveRequestFailure) == 0 && cliListsText(list) != before && !waveListListFilesCurrent(list))
        waveListSave(list);
}

int cliEditReport(sCliContext *ctx, sWaveList *list) {
    int status = CLI_EXIT_OK;
    for (auto *f = static_cast<const sWaveRequestFailure *>(gWaveRequestFailure.first); f; f = f->next) {
        status = CLI_EXIT_FAILURE;
        // Kits are reported below with their files.
        if (f->text == DNASTR_ERR_KIT_WRITE) continue;
        cliError(ctx, f->path[0] ? f->path : f->name, failureReason(f));
    }
    for (auto *k = static_cast<const sKit *>(list->kits.first); k; k = k->next) {
        if (!k->isFile || !k->edited) continue;
        char relative[64], path[kStoragePathMax];
        std::snprintf(relative, sizeof relative, "%skit%03d.kvb", cSTORAGE_DIR_KIT, k->kitNumber);
        if (cardPath(list->card, path, sizeof path, relative) != 0) std::snprintf(path, sizeof path, "%s", relative);
        cliError(ctx, path, "cannot write the kit file of kit " + std::to_string(k->kitNumber) + " \"" +
                                cliField(k->name, kKitNameLen) + "\"; its changes were not saved");
        status = CLI_EXIT_FAILURE;
    }
    waveRequestFailureClear();
    return status;
}

void cliEditClose(sWaveList *list) {
    waveRequestFailureShow(1);
    waveListDispose(list);
    waveListOperationWaveDelete();
    waveListOperationTagDelete();
    waveRequestReset();
}

bool cliSjisName(sCliContext *ctx, const std::string &name, const char *what, std::string *out) {
    int lost = 0;
    std::string sjis = strUtf8ToSjis(name, &lost);
    // Malformed UTF-8 decodes to "?"; a round trip shows it as well as a lost character.
    if (lost > 0 || strSjisToUtf8(sjis) != name) {
        cliError(ctx, std::string(what) + " \"" + name + "\"", "holds a character the card's Shift-JIS names cannot hold");
        return false;
    }
    *out = sjis;
    return true;
}

bool cliEditName(sCliContext *ctx, const std::string &name, size_t maxBytes, const char *what, std::string *out,
                 bool mayBeBlank) {
    std::string sjis;
    if (!cliSjisName(ctx, name, what, &sjis)) return false;
    int code = waveNameCheck(sjis.c_str(), maxBytes, mayBeBlank);
    if (code == NAME_OK) {
        *out = sjis;
        return true;
    }
    std::string why = waveNameReason(code);
    if (code == NAME_TOO_LONG)
        why = "is " + std::to_string(sjis.size()) + " bytes in Shift-JIS; the card keeps at most " + std::to_string(maxBytes);
    cliError(ctx, std::string(what) + " \"" + name + "\"", why);
    return false;
}

int cliEditDone(sCliContext *ctx, int status, const std::string &done) {
    if (status == CLI_EXIT_OK && !done.empty()) *ctx->out << done << "\n";
    return status;
}

// --- Registration ------------------------------------------------------------------------------

void cliAddRename(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<RenameArgs>();
    CLI::App *cmd = app.add_subcommand("rename", "Give a wave a new name (at most 12 bytes in Shift-JIS).");
    cmd->add_option("VOLUME", a->root, "the folder the card is mounted at")->required();
    cmd->add_option("WAVE", a->wave, "the wave's number")->required();
    cmd->add_option("NAME", a->name, "the new name (UTF-8)")->required();
    cmd->callback([ctx, a] { ctx->exitCode = rename(ctx, *a); });
}

void cliAddCategory(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<CategoryArgs>();
    CLI::App *cmd = app.add_subcommand(
        "category", "Edit the categories: add, rename, delete, move in the display order, or assign waves. "
                    "Names are at most 12 bytes in Shift-JIS; a card holds at most 20 categories.");
    cmd->add_option("VOLUME", a->root, "the folder the card is mounted at")->required();
    cmd->require_subcommand(1);
    a->add = cmd->add_subcommand("add", "Make a new category, shown first (move it with 'move --to').");
    a->add->add_option("NAME", a->name, "its name (UTF-8)")->required();
    a->rename = cmd->add_subcommand("rename", "Give a category a new name.");
    a->rename->add_option("NAME", a->name, "the category")->required();
    a->rename->add_option("NEWNAME", a->newName, "its new name (UTF-8)")->required();
    a->remove = cmd->add_subcommand("delete", "Delete a category; its waves move to DEFAULT.");
    a->remove->add_option("NAME", a->name, "the category")->required();
    a->move = cmd->add_subcommand(
        "move", "Show a category directly before or after another one, or at a position of the display order.");
    a->move->add_option("NAME", a->name, "the category to move")->required();
    CLI::Option *before = a->move->add_option("--before", a->before, "the category it goes above");
    CLI::Option *after = a->move->add_option("--after", a->after, "the category it goes below");
    CLI::Option *to = a->move->add_option("--to", a->to, "the position it takes, 1 being shown first")
                          ->check(CLI::Range(1, kTagCountMax));
    before->excludes(after);
    to->excludes(before)->excludes(after);
    a->move->callback([before, after, to] {
        if (before->count() + after->count() + to->count() != 1) throw CLI::RequiredError("--before, --after or --to");
    });
    a->assign = cmd->add_subcommand("assign", "Put waves into a category.");
    a->assign->add_option("ARGS", a->assignArgs, "WAVE... NAME: the wave numbers, then the category")
        ->required()
        ->expected(2, -1);
    a->assign->callback([a] {
        std::string bad = checkWaveNumbers(a->assignArgs);
        if (!bad.empty()) throw CLI::ValidationError("WAVE", bad);
    });
    cmd->callback([ctx, a] { ctx->exitCode = category(ctx, *a); });
}

void cliAddKit(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<KitArgs>();
    CLI::App *cmd = app.add_subcommand(
        "kit", "Edit a kit (0-99): its name, a pad's waves (pads 1-15), or swap two pad slots; the kit's file is "
               "written. Or show kits.");
    cmd->add_option("VOLUME", a->root, "the folder the card is mounted at")->required();
    cmd->require_subcommand(1);
    auto kitNumber = [&](CLI::App *sub) {
        sub->add_option("KIT", a->kit, "the kit's number, 0-99")->required()->check(CLI::Range(0, kKitCount - 1));
    };
    auto padNumber = [&](CLI::App *sub) {
        sub->add_option("PAD", a->pad, "the pad, 1-15")->required()->check(CLI::Range(1, kKitPadCount));
    };
    a->name = cmd->add_subcommand("name", "Name a kit (at most 8 bytes; the sub-name 16).");
    kitNumber(a->name);
    a->name->add_option("NAME", a->kitName, "the name (UTF-8)")->required();
    a->subNameOpt = a->name->add_option("--sub", a->subName, "the second name line (UTF-8)");
    a->set = cmd->add_subcommand("set", "Assign a wave (and a sub-wave) to a pad.");
    kitNumber(a->set);
    padNumber(a->set);
    a->set->add_option("WAVE", a->wave, "the wave's number")->required();
    a->subWaveOpt = a->set->add_option("--sub", a->subWave, "the sub-wave's number");
    a->clear = cmd->add_subcommand("clear", "Take the wave and sub-wave off a pad.");
    kitNumber(a->clear);
    padNumber(a->clear);
    a->swap = cmd->add_subcommand("swap", "Exchange two pad slots: \"7\" is pad 7's wave, \"7s\" its sub-wave.");
    kitNumber(a->swap);
    a->swap->add_option("A", a->slotA, "the first slot")->required()->check(checkSlot);
    a->swap->add_option("B", a->slotB, "the second slot")->required()->check(checkSlot);
    a->show = cmd->add_subcommand(
        "show", "Show a kit's pads: each pad's wave and sub-wave, number and name. Without KIT, every kit that has a "
                "kit file. Reads only.");
    a->show->add_option("KIT", a->kit, "the kit's number, 0-99")->check(CLI::Range(0, kKitCount - 1));
    a->show->add_flag("--json", ctx->json,
                      "one JSON object {volume, kits[{number, name, subname, has_file, pads[{pad, wave, wave_name, "
                      "subwave, subwave_name}]}]}");
    cmd->callback([ctx, a] {
        if (a->show->parsed()) {
            ctx->exitCode = kitShow(ctx, *a);
            return;
        }
        std::string done;
        int status = cliEditRun(ctx, a->root, [&](sWaveList *list) { return kitEdit(ctx, list, *a, done); });
        ctx->exitCode = cliEditDone(ctx, status, done);
    });
}

void cliAddDelete(CLI::App &app, sCliContext *ctx) {
    auto a = std::make_shared<DeleteArgs>();
    CLI::App *cmd = app.add_subcommand(
        "delete", "Delete waves: their audio and parameter files, and their pads in the kits. Asks first "
                  "(--yes answers it; --no or a declined answer deletes nothing and fails).");
    cmd->add_option("VOLUME", a->root, "the folder the card is mounted at")->required();
    cmd->add_option("WAVE", a->waves, "the waves' numbers")->required();
    cmd->add_flag("--json", ctx->json, "one JSON object {deleted[{number, name}]}");
    cmd->callback([ctx, a] { ctx->exitCode = deleteWaves(ctx, *a); });
}

void cliAddWavelist(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "wavelist", "Write the three wave list files of SYSTEM (by name, by category and name, by category and "
                    "number). Prints the files written.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->callback([ctx, root] { ctx->exitCode = wavelist(ctx, *root); });
}
