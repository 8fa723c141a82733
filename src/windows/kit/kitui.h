// kitui: the kit window's screen, CgifUIKit: the kit's name and sub-name
// fields, Cancel and OK (messages of kitctl.h). Main thread, with the
// window's GL context current.
#pragma once

#include "windows/dialog/dlgui.h"

class CgifUIKit : public CgifUIDialog {
public:
    CgifUIKit(const char *name, const char *subName) : startName(name), startSubName(subName) {}
    int init() override;

    const char *startName;
    const char *startSubName;
    CgifUIText *name = nullptr;
    CgifUIText *subName = nullptr;
};
