// importui: the wave import window's screen, CgifUIWaveImport, and its list
// of candidates.
//
// The list shows each candidate's name (as the card will name it) and
// category, five rows at a time; a click selects a candidate and loads it for
// listening. Beside it: Browse, play, stop and loop, and the category field
// that opens the pop-up list for the selected candidate; at the bottom Cancel
// and OK. Main thread, with the window's GL context current.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wavelib/wave.h"
#include "windows/dialog/dlgui.h"

class CgifUIWaveImport;
class CgifUILabel;

// One file waiting to be imported.
struct sImportCandidate {
    std::string path;             // UTF-8
    char name[kWaveNameLen + 1];  // the name it gets on the card
    sTag *tag;                    // the category it goes into
    bool convert;                 // the device cannot play it: converted as it is imported
};

constexpr int kImportRowsShown = 5;
constexpr float kImportListX = 16, kImportListY = 16, kImportListW = 300, kImportRowH = 20;

class CgifFrImportList : public CgifFrame {
public:
    explicit CgifFrImportList(CgifUIWaveImport *s) : screen(s) {}
    int init() override;
    int calcPrivate(int code, int value, int key, sgifUISystem system) override;
    void drawPrivate() override;
    CgifUIWaveImport *screen;
    int first = 0;  // the row shown at the top
};

class CgifUIWaveImport : public CgifUIDialog {
public:
    explicit CgifUIWaveImport(sTag *tag) : current(tag) {}
    int init() override;
    // Open-file events (the dialog's files) and a drop.
    int calc(int code, int value, int key, const char *text) override;
    // 101 (a dropped path), 100 (the pop-up list closed), 200/204/205 (the player).
    void calcEvent(int code, intptr_t value, const char *text) override;
    // Adds the file when the device can play it; holds one that conversion
    // would take for the controller's question; otherwise reports it (43).
    void addCandidate(const char *path);
    // The answer to the question: the held files become candidates to be
    // converted, or are reported (43). Either way none is held after.
    void takeConvertible(bool convert);
    // Selects candidate `i` and asks for it to be loaded.
    void select(int i);
    // The selected candidate's category (and the one later files get).
    void setTag(sTag *tag);

    std::vector<sImportCandidate> candidates;
    std::vector<std::string> convertible;  // files held for the question whether to convert them
    int selected = -1;
    sTag *current;  // the category new candidates get
    CgifFrImportList *list = nullptr;
    CgifUIButton *play = nullptr, *loop = nullptr;
    CgifUILabel *chooser = nullptr;
};
