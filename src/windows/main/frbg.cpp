// The window's background. See frames.h.
#include "resource/pictures.h"
#include "windows/main/frames.h"

int CgifFrBG::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_INPUT | FRAME_DIRTY;
    return setBackground(eFILE_MAIN_BG, 0, 0);
}
