// The progress window. See progressbar.h.
#include "gui/progressbar.h"

#include <string>

#include "foundation/global.h"
#include "foundation/str.h"
#include "gui/bar.h"
#include "gui/button.h"
#include "gui/frame.h"
#include "gui/gifqueue.h"
#include "gui/label.h"
#include "gui/sprite.h"
#include "platform/job.h"
#include "resource/pictures.h"

namespace {

constexpr int kWidth = 300, kHeight = 100;
constexpr sGifColor kBackground = {0.0902f, 0.1020f, 0.0980f, 1.0f};

// The window's one frame: its colour, then the picture, then the widgets.
class CgifFrProgress : public CgifFrame {
public:
    void drawPrivate() override {
        gifDrawRect(0, 0, kWidth, kHeight, kBackground);
        if (background && background->getDraw()) background->draw();
        drawObjects();
    }
};

}  // namespace

int CgifUIProgressBar::init() {
    if (initManagers(512, 128) < 0) return 0;
    loadPictures(kPictureCount);
    auto *frame = new CgifFrProgress;
    if (addFrame(frame) < 0) {
        delete frame;
        return 0;
    }
    frame->flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (frame->setBackground(eFILE_PROGRESS_BG, 0, 0, kWidth, kHeight) < 0) return 0;
    // The frame owns each widget once added; one it refused is deleted here.
    auto adopt = [frame](auto *w) { return frame->addObject(w) >= 0 ? w : (delete w, nullptr); };
    message = adopt(new CgifUILabel);
    bar = adopt(new CgifUIBar);
    cancel = adopt(new CgifUIButton);
    const int pair[2] = {eFILE_CANCEL, eFILE_CANCEL + 1};
    if (!message || !bar || !cancel) return 0;
    cancel->setType(BUTTON_CAPTION);
    if (message->init() < 0 || bar->init() < 0 || cancel->init(pair, 2) < 0) return 0;
    message->setSize(280, 20);
    message->setWorldLeftTopPos(10, 12);
    message->setFontSize(12);
    message->setTextColor(gifGrey(0.9f));
    message->setFlags(OBJ_NO_INPUT);
    message->setMessageData("Now Loading ....");
    bar->setWorldLeftTopPos(10, 52);
    cancel->setWorldLeftTopPos(214, 52);
    cancel->setButtonStr("Cancel");
    cancel->setMessage(GIF_MSG_PROGRESS_CANCEL, 0);
    setRatio(0.0f);
    return 1;
}

void CgifUIProgressBar::setMessage(const char *utf8) {
    if (!message) return;
    message->setMessageData(strUtf8ToSjis(utf8 ? utf8 : "").c_str());
    frames[0]->setDirty();
}

void CgifUIProgressBar::setRatio(float ratio) {
    if (!bar) return;
    int percent = ratio < 0 ? 0 : ratio > 1 ? 100 : int(100.0f * ratio);
    bar->setBarSize(float(2 * percent), 28);
    frames[0]->setDirty();
}

void CgifUIProgressBar::setCancel(int shown) {
    if (!cancel) return;
    cancel->setDraw(shown);
    if (shown) cancel->clearFlags(OBJ_NO_INPUT);
    else cancel->setFlags(OBJ_NO_INPUT);
    frames[0]->setDirty();
}

// --- The view ---------------------------------------------------------------------

namespace {

struct sGifProgressView {
    _sWindow *window;
    CgifUIProgressBar *screen;
};
sGifProgressView gView{};

void present() {
    gView.screen->draw();
    if (gView.screen->getGraphicsFinish()) ghostGraphicsFinish(gView.window);
}

void vOpen(_sWindow *window, const char *text, int hasCancel, int) {
    // A host without windows has nothing to draw on.
    if (!window || ghostActivateWindowDrawingContext(window) != 0) return;
    gView.window = window;
    gView.screen = new CgifUIProgressBar;
    if (!gView.screen) return;
    gView.screen->setWindowSize(kWidth, kHeight);
    if (!gView.screen->init()) {
        delete gView.screen;
        gView.screen = nullptr;
        return;
    }
    gView.screen->setInput(window);
    gView.screen->setCancel(hasCancel);
    gView.screen->setMessage(text);
    gView.screen->calc(WEV_REDRAW, 1, 0, nullptr);
    present();
}

void vRatio(float ratio) {
    if (gView.screen) gView.screen->setRatio(ratio);
}

void vMessage(const char *text) {
    if (gView.screen) gView.screen->setMessage(text);
}

void vStep(uint16_t code, int32_t value, char key) {
    if (!gView.screen || ghostActivateWindowDrawingContext(gView.window) != 0) return;
    CgifUIProgressBar *s = gView.screen;
    if (code == WEV_RESIZED) {
        int w = 0, h = 0;
        ghostWindowGetSize(&w, &h, gView.window);
        s->setWindowSize(w, h);
    }
    s->calc(code, value, key, nullptr);
    for (int32_t m; (m = gifQread(nullptr, nullptr, nullptr, 0, G.gifQueue)) != 0;) {
        if (m == GIF_MSG_PROGRESS_CANCEL) editProgressBarCancelPress();
        else if (m == GIF_MSG_PROGRESS_CLOSE) editProgressBarSetWindowCloseRequest();
    }
    present();
}

void vClose(void) {
    if (gView.screen) {
        ghostActivateWindowDrawingContext(gView.window);
        delete gView.screen;
    }
    gView = sGifProgressView{};
}

const sProgressView kView = {vOpen, vRatio, vMessage, vStep, vClose};

}  // namespace

const sProgressView *gifProgressBarView(void) { return &kView; }
