// A library held for one test: scanned from a card (read only unless a test
// says otherwise) or taken over, disposed with the value, and read through the
// questions tests ask of it. Only for test programs that link the wave library.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

struct TestLibrary {
    sWaveList *list;  // owned; null when the scan found no device folder

    explicit TestLibrary(sWaveList *taken) : list(taken) {}
    explicit TestLibrary(const std::string &root, uint32_t mode = WSTORAGE_SCAN_READ_ONLY)
        : list(waveListCreateFromStorageWindowOpen(root.c_str(), 0, mode)) {}
    ~TestLibrary() { waveListDispose(list); }
    TestLibrary(const TestLibrary &) = delete;
    TestLibrary &operator=(const TestLibrary &) = delete;

    sWave *wave(int n) const { return waveListFindWaveNumber(list, n); }
    // The wave's name as stored (Shift-JIS bytes), "" for no such wave.
    std::string name(int n) const { return wave(n) ? std::string(wave(n)->name) : ""; }
    // The wave's category name, "" for no such wave or none.
    std::string tagOf(int n) const {
        sWave *w = wave(n);
        return w && w->category ? w->category->name : "";
    }
    sPad *pad(int kit, int index) const { return waveKitPadPtr(waveListKitPtr(list, kit), index); }
    // The wave numbers in use.
    std::set<int> waves() const {
        std::set<int> out;
        for (auto *w = list ? static_cast<sWave *>(list->waves.first) : nullptr; w; w = w->next)
            out.insert(w->waveNumber);
        return out;
    }
    // The category names in creation order (their numbers in the files).
    std::vector<std::string> tags() const {
        std::vector<std::string> out;
        for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next) out.push_back(t->name);
        return out;
    }
    // The category names in display order.
    std::vector<std::string> tagOrder() const {
        std::vector<std::string> out;
        for (auto *n = static_cast<sListItem *>(list->tagOrder.first); n; n = n->next)
            out.push_back(static_cast<sTag *>(n->item)->name);
        return out;
    }
    // The numbers of the waves whose save request is set.
    std::vector<int> marked() const {
        std::vector<int> out;
        for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next)
            if (w->saveRequest) out.push_back(w->waveNumber);
        return out;
    }
};
