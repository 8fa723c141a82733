// Category deletion, the category window's edit and free names. See tagedit.h.
#include "wavelib/tagedit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "foundation/mem.h"
#include "wavelib/order.h"

namespace {

// A category taken out during an edit, with the position it had in the
// category list before any category was taken out. Starts like sListItem, so
// the library's disposal can treat it as one.
struct sRemovedTag {
    sRemovedTag *next;
    sRemovedTag *prev;
    sTag *tag;
    int position;
};

void markForSaving(sWave *wave) { waveWaveSaveRequest(wave, 1); }

void refreshOrder(sWaveList *list) {
    tagCreateOrder(list);
    tagSortOrder(list);
}

// Puts every removed category that was not made in this edit back at the
// position it had (in ascending order, so each lands where it was); the ones
// made in this edit are left in the removed list.
void restoreRemoved(sWaveList *list) {
    for (;;) {
        sRemovedTag *best = nullptr;
        for (auto *r = static_cast<sRemovedTag *>(list->removedTags.first); r; r = r->next)
            if (!r->tag->isNewInEdit && (!best || r->position < best->position)) best = r;
        if (!best) return;
        rliListRemLink(&list->removedTags, best);
        void *after = best->position > 0 ? rliListFindLink(&list->tags, best->position - 1) : nullptr;
        if (best->position > 0 && !after) after = list->tags.last;
        rliListInsertLinkAfter(&list->tags, after, best->tag);
        memFree(best);
    }
}

// Deletes the categories still in the removed list (those made in this edit).
void disposeRemoved(sWaveList *list) {
    while (auto *r = static_cast<sRemovedTag *>(list->removedTags.first)) {
        rliListRemLink(&list->removedTags, r);
        sTag *tag = r->tag;
        memFree(r);
        waveTagDispose(list, tag);
    }
}

}  // namespace

// --- Deleting --------------------------------------------------------------------

int waveTagDispose(sWaveList *list, sTag *tag) {
    if (!list || !tag || tag == list->defaultTag) return -1;
    sTag *fallback = list->defaultTag;
    int position = waveTagNumber(list, tag);
    if (!tag->isNewInEdit) {
        // Category numbers after this one shift down by one in the files.
        for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next) {
            if (!w->category || w->category == tag) continue;
            if (position < 0 || waveTagNumber(list, w->category) > position) markForSaving(w);
        }
    }
    // A wave never stays without a category, even one made in this edit.
    while (auto *n = static_cast<sListItem *>(tag->members.first)) {
        auto *wave = static_cast<sWave *>(n->item);
        waveTagRemWave(tag, wave);
        if (fallback && waveTagAddWave(fallback, wave) == 0) markForSaving(wave);
    }
    if (position >= 0) rliListRemLink(&list->tags, tag);
    for (auto *r = static_cast<sRemovedTag *>(list->removedTags.first); r; r = r->next)
        if (r->tag == tag) {
            rliListFreeLink(&list->removedTags, r);
            break;
        }
    waveTagForget(tag);
    tagDispose(tag);
    refreshOrder(list);
    tagSortWaveAlphabet(list);
    tagSortWaveNumber(list);
    return 0;
}

// --- The category window's edit ---------------------------------------------------

void waveTagIsTmpCreate(sTag *tag, int flag) {
    if (tag) tag->isNewInEdit = flag;
}

int waveTagIsTmpCreate(const sTag *tag) { return tag ? tag->isNewInEdit : 0; }

int waveTagIsTmpDispose(sWaveList *list, sTag *tag) {
    if (!list || !tag || tag == list->defaultTag) return -1;
    int current = waveTagNumber(list, tag);
    auto *r = current >= 0 ? static_cast<sRemovedTag *>(memCalloc(sizeof(sRemovedTag), "titer")) : nullptr;
    if (r) {
        // The position among all categories, counting those already taken out.
        std::multiset<int> taken;
        for (auto *o = static_cast<sRemovedTag *>(list->removedTags.first); o; o = o->next) taken.insert(o->position);
        int position = current;
        for (int p : taken)
            if (p <= position) ++position;
        r->tag = tag;
        r->position = position;
        rliListRemLink(&list->tags, tag);
        rliListAddTail(&list->removedTags, r);
        if (gpSelectTag == tag) gpSelectTag = nullptr;
    }
    refreshOrder(list);
    return r ? 0 : -1;
}

void waveTagEditInitialize(sWaveList *list) {
    for (auto *t = list ? static_cast<sTag *>(list->tags.first) : nullptr; t; t = t->next) {
        std::memset(t->savedName, 0, sizeof t->savedName);
        std::memcpy(t->savedName, t->name, kTagNameLen);
    }
}

void waveTagEditEffective(sWaveList *list) {
    if (!list) return;
    for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next) t->isNewInEdit = 0;
    // Deleted in place: each marks exactly the waves whose category number shifts.
    sListBase restored = {};
    for (auto *r = static_cast<sRemovedTag *>(list->removedTags.first); r; r = r->next)
        if (!r->tag->isNewInEdit) {
            auto *keep = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "titer"));
            if (keep) {
                keep->item = r->tag;
                rliListAddTail(&restored, keep);
            }
        }
    restoreRemoved(list);
    disposeRemoved(list);
    for (auto *n = static_cast<sListItem *>(restored.first); n; n = n->next)
        waveTagDispose(list, static_cast<sTag *>(n->item));
    rliListFreeList(&restored);
    refreshOrder(list);
}

void waveTagEditCancel(sWaveList *list, int keepNames) {
    if (!list) return;
    for (auto *t = static_cast<sTag *>(list->tags.first); t;) {
        auto *next = t->next;
        if (t->isNewInEdit) waveTagDispose(list, t);
        t = next;
    }
    restoreRemoved(list);
    disposeRemoved(list);
    if (!keepNames)
        for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next) {
            std::memset(t->name, 0, sizeof t->name);
            std::memcpy(t->name, t->savedName, kTagNameLen);
        }
    refreshOrder(list);
}

// --- Names -------------------------------------------------------------------------

void waveTagNameAbleToUse(char *out, const sWaveList *list, const char *name) {
    if (!out) return;
    std::memset(out, 0, kTagNameLen + 1);
    std::string given(name ? name : "", name ? strnlen(name, kTagNameLen) : 0);
    std::string base(given.size() + 1, '\0');
    strSameName(base.data(), given.c_str());
    base.resize(std::strlen(base.c_str()));
    std::string work = given.substr(0, base.size() > 12 ? waveSjisCutLength(given.c_str(), 12) : given.size());
    std::set<int> used;
    for (auto *t = list ? static_cast<const sTag *>(list->tags.first) : nullptr; t; t = t->next) {
        std::string other(t->name, strnlen(t->name, kTagNameLen));
        std::string otherBase(other.size() + 1, '\0');
        int n = strSameName(otherBase.data(), other.c_str());
        if (std::strcmp(otherBase.c_str(), base.c_str()) == 0) used.insert(n < 0 ? 0 : n);
    }
    int number = 0;
    while (used.count(number)) ++number;
    // The suffix must survive the 15-byte field, and the result must really be
    // free: a name cut to make room could meet another category's name.
    for (;; ++number) {
        std::string candidate = work;
        if (number > 0) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "_%02d", number);
            size_t room = kTagNameLen - std::strlen(suffix);
            candidate = work.substr(0, waveSjisCutLength(work.c_str(), room)) + suffix;
        }
        if (!waveTagSameName(list, candidate.c_str()) || number > 9999) {
            std::memcpy(out, candidate.data(), std::min(candidate.size(), kTagNameLen));
            return;
        }
    }
}

int waveTagSameName(const sWaveList *list, const char *name) { return waveTagSameName(list, name, nullptr); }

int waveTagSameName(const sWaveList *list, const char *name, const sTag *except) {
    if (!list || !name) return 0;
    for (auto *t = static_cast<const sTag *>(list->tags.first); t; t = t->next)
        if (t != except && std::strncmp(t->name, name, kTagNameLen) == 0) return 1;
    return 0;
}
