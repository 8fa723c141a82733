// The exit button. See frames.h.
#include "gui/button.h"
#include "resource/pictures.h"
#include "windows/main/frames.h"
#include "windows/main/wavutil.h"

int CgifFrExit::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, 674, 555, 96, 30) < 0) return -1;
    button = new CgifUIButton;
    if (!button || addObject(button) < 0) return -1;
    const int pics[2] = {eFILE_EXIT, eFILE_EXIT + 1};
    if (button->init(pics, 2) < 0) return -1;
    button->setWorldLeftTopPos(674, 555);
    button->setMessage(MW_MSG_CLOSE, 0);
    return 0;
}

void CgifFrExit::drawPrivate() {
    mwDrawPicture(eFILE_MAIN_BG, 0, 0);
    drawObjects();
}
