// Finishing cut-off edits. See journal.h.
#include "app/journal.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "app/docalc.h"
#include "foundation/file.h"
#include "foundation/list.h"
#include "transfer/backup.h"
#include "wavelib/card.h"
#include "wavelib/journal.h"
#include "wavelib/kitsave.h"
#include "wavelib/order.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

const char kCategoryHead[] = "kvbrt category 1";

bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string devicePath(const char *root, const std::string &relative) {
    char out[kStoragePathMax];
    return wstorageDevicePath(out, sizeof out, root, relative.c_str()) == 0 ? out : "";
}

std::string prmRelative(int number) {
    char rel[64];
    std::snprintf(rel, sizeof rel, "%s%02d/%02d.kvb", cSTORAGE_DIR_WAVE_PRM, number / 100, number % 100);
    return rel;
}

void say(char *why, size_t cap, const std::string &text) {
    if (why && cap) std::snprintf(why, cap, "%s", text.c_str());
}

// The audio file the parameter file at `path` (wave `number`) names, "" when none.
std::string audioOf(const std::string &path, int number, const std::string &dataDir) {
    _sWaveFileWavePrm *prm = waveFileWavePrmCreateFromFile(path.c_str(), number / 100, number % 100);
    char audio[kStoragePathMax] = "";
    if (!prm || waveFileWavePrmGetDataPath(prm, dataDir.c_str(), audio, sizeof audio) != 0) audio[0] = 0;
    waveFileWavePrmDispose(prm);
    return audio;
}

// A move cut off between its two parameter files leaves both; the new one was
// written first. Within one data folder the audio keeps its name, so both
// name one audio file and the new one stands. Both numbers may belong to
// other waves by now (a later move took the old one), so only two files
// naming the same audio are such a pair. A new file whose audio is not there
// yet (cut off before the audio moved) is an orphan and goes, so the move
// can be made again.
void settleMoves(const char *root, const std::string &journal) {
    std::istringstream in(journal);
    int from = 0, to = 0;
    std::string dataDir = devicePath(root, cSTORAGE_DIR_WAVE_DATA);
    for (std::string line; std::getline(in, line);) {
        if (std::sscanf(line.c_str(), "move %d %d", &from, &to) != 2) continue;
        std::string oldPrm = devicePath(root, prmRelative(from)), newPrm = devicePath(root, prmRelative(to));
        if (!exists(oldPrm) || !exists(newPrm)) continue;
        std::string audio = audioOf(newPrm, to, dataDir);
        if (!audio.empty() && audio == audioOf(oldPrm, from, dataDir)) rliFileDelete(oldPrm.c_str());
        else if (!audio.empty() && !exists(audio)) rliFileDelete(newPrm.c_str());
    }
}

sWaveList *scan(const char *root) { return waveListCreateFromStorageWindowOpen(root, 0, WSTORAGE_SCAN_READ_ONLY); }

int finishRenumber(const char *root, const std::string &journal, char *why, size_t cap) {
    settleMoves(root, journal);
    sWaveList *list = scan(root);
    if (!list) return say(why, cap, "the card cannot be read"), -1;
    int r = listRenumberingFinish(list, journal);
    const sRenumberResult *res = listRenumberingResult();
    if (r != 0) say(why, cap, std::string("the renumbering could not be finished: ") + res->failedPath + ": " + std::strerror(res->err ? res->err : EIO));
    waveListDispose(list);
    return r == 0 ? 0 : -1;
}

int finishCategory(const char *root, const std::string &journal, char *why, size_t cap) {
    std::istringstream in(journal);
    std::string line, tagText;
    std::vector<std::pair<int, int>> waves;
    std::getline(in, line);
    if (line != kCategoryHead) return say(why, cap, "the category journal cannot be read; it was left as it is"), -1;
    while (std::getline(in, line)) {
        int number = 0, tag = 0;
        if (line.rfind("tags ", 0) == 0) {
            for (size_t i = 5; i + 1 < line.size(); i += 2) tagText += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        } else if (std::sscanf(line.c_str(), "wave %d %d", &number, &tag) == 2) {
            waves.push_back({number, tag});
        }
    }
    std::string tagList = devicePath(root, std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_TAG_LIST);
    if (tagText.empty() || rliFileWriteAll(tagList.c_str(), tagText.data(), tagText.size()) != 0)
        return say(why, cap, tagList + ": the category list cannot be written"), -1;
    sWaveList *list = scan(root);
    if (!list) return say(why, cap, "the card cannot be read"), -1;
    for (const auto &[number, tag] : waves) {
        sWave *w = waveListFindWaveNumber(list, number);
        auto *t = static_cast<sTag *>(list->tags.first);
        for (int i = 0; t && i < tag; ++i) t = t->next;
        if (!w || !t) continue;
        waveWaveTagChange(w, t);
        // Written even when the scan already put it there: its file may say otherwise.
        waveWaveSaveRequest(w, 1);
    }
    int mark = rliListCount(&gWaveRequestFailure);
    waveDoCalc(list);
    bool whole = rliListCount(&gWaveRequestFailure) == mark;
    if (whole) journalRemove(list->card, cJOURNAL_CATEGORY);
    else say(why, cap, "the category change could not be finished: a parameter file could not be written");
    waveListDispose(list);
    return whole ? 0 : -1;
}

}  // namespace

unsigned journalPendingOnCard(const char *root) {
    if (!root || !*root) return 0;
    std::string text;
    unsigned pending = 0;
    if (journalRead(root, cJOURNAL_RENUMBER, &text)) pending |= JOURNAL_PENDING_RENUMBER;
    if (journalRead(root, cJOURNAL_CATEGORY, &text)) pending |= JOURNAL_PENDING_CATEGORY;
    char detail[kStoragePathMax];
    if (restoreRecoverState(root, detail, sizeof detail) != RESTORE_STATE_NONE) pending |= JOURNAL_PENDING_RESTORE;
    return pending;
}

std::string journalPendingText(unsigned pending) {
    std::string text;
    auto add = [&](unsigned bit, const char *what) {
        if (!(pending & bit)) return;
        text += text.empty() ? "" : ", ";
        text += what;
    };
    add(JOURNAL_PENDING_RESTORE, "a restore");
    add(JOURNAL_PENDING_RENUMBER, "a renumbering");
    add(JOURNAL_PENDING_CATEGORY, "a category change");
    return text;
}

int journalRecoverCard(const char *root, char *why, size_t cap) {
    say(why, cap, "");
    unsigned pending = journalPendingOnCard(root);
    // The restore first: the other edits were made on the card it replaces or keeps.
    if (pending & JOURNAL_PENDING_RESTORE) {
        char detail[kStoragePathMax] = "";
        if (restoreRecover(root, RESTORE_RECOVER_FINISH, detail, sizeof detail) < 0)
            return say(why, cap, std::string("the restore could not be finished: ") + detail), -1;
    }
    std::string text;
    if ((pending & JOURNAL_PENDING_RENUMBER) && journalRead(root, cJOURNAL_RENUMBER, &text) &&
        finishRenumber(root, text, why, cap) != 0)
        return -1;
    if ((pending & JOURNAL_PENDING_CATEGORY) && journalRead(root, cJOURNAL_CATEGORY, &text) &&
        finishCategory(root, text, why, cap) != 0)
        return -1;
    return 0;
}

int journalCategoryBegin(sWaveList *list) {
    if (!list || !(gStatus & WAVE_STATUS_TAG_SAVE) || !(gStatus & WAVE_STATUS_WAVE_SAVE)) return 0;
    if (waveVolumeCheckCard(list->card) != 0) return 0;  // the step finds it gone and writes nothing
    std::string text = std::string(kCategoryHead) + "\n", waves;
    for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next)
        if (w->saveRequest && w->category)
            waves += "wave " + std::to_string(w->waveNumber) + " " + std::to_string(waveTagNumber(list, w->category)) + "\n";
    if (waves.empty()) return 0;
    // The list as the step writes it: the order keys made even first.
    waveListTagOrderJustified(list);
    std::string tags = waveFileTagListText(&list->tags);
    text += "tags ";
    static const char hex[] = "0123456789abcdef";
    for (unsigned char c : tags) (text += hex[c >> 4]) += hex[c & 15];
    text += "\n" + waves;
    return journalWrite(list->card, cJOURNAL_CATEGORY, text) == 0 ? 1 : -1;
}

void journalCategoryEnd(sWaveList *list, bool whole) {
    if (list && whole) journalRemove(list->card, cJOURNAL_CATEGORY);
}
