// The pop-up list's screen. See cmbui.h.
#include "windows/popup/cmbui.h"

#include "resource/pictures.h"
#include "windows/popup/cmbctl.h"

int CgifUICmb::init() {
    if (initManagers(512, 128) < 0) return 0;
    // A missing picture leaves the rows plain; the list still works.
    loadPictures(kPictureCount);
    list = new CgifFrCmbList(this);
    if (!list || addFrame(list) < 0) {
        delete list;
        list = nullptr;
        return 0;
    }
    if (list->init(type, width, height) < 0) return 0;
    screenFlags |= UIF_REDRAW | UIF_CLEAR | UIF_REDRAW2;
    return 1;
}

void CgifUICmb::choose(int index) {
    editCmbSetSelectIndex(index);
    editCmbSetWindowCloseRequest();
}
