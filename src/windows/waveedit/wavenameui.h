// wavenameui: the wave edit window's screen, CgifUIWaveName.
//
// A name field (12 bytes; for several waves it shows their count and takes
// no input), the category field that opens the pop-up list, and Delete,
// Cancel and OK. It tells the controller with the messages of wavenamectl.h
// and follows the pop-up list's choice (notification 100). Main thread, with
// the window's GL context current.
#pragma once

#include "windows/dialog/dlgui.h"

class CgifUILabel;
struct sTag;

class CgifUIWaveName : public CgifUIDialog {
public:
    // `count`: the waves the window acts on; `name`, `tag`: what it starts with.
    CgifUIWaveName(int count, const char *name, sTag *tag) : count(count), startName(name), startTag(tag) {}
    int init() override;
    // 100: the pop-up list closed with the selection index `value`.
    void calcEvent(int code, intptr_t value, const char *text) override;
    // Shows `name` in the name field / `tag`'s name in the category field.
    void setName(const char *name);
    void setTag(sTag *tag);

    int count;
    const char *startName;
    sTag *startTag;
    CgifUIText *name = nullptr;
    CgifUILabel *chooser = nullptr;
};
