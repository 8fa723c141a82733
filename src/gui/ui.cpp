// Screens. See ui.h.
#include "gui/ui.h"

#include "foundation/global.h"
#include "gui/current.h"
#include "gui/frame.h"
#include "gui/gifqueue.h"
#include "gui/glinc.h"
#include "gui/glstate.h"
#include "gui/objmng.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "platform/ghost.h"

CgifUI::CgifUI() {
    system.frameWidth = windowWidth;
    system.frameHeight = windowHeight;
}

CgifUI::~CgifUI() { CgifUI::term(); }

void CgifUI::term() {
    bool managed = textures || sprites || objects;
    if (managed) setManeger();
    // Widgets give their sprites back and leave the object manager, so the
    // frames go first.
    for (int i = 0; i < frameCount; i++) delete frames[i];
    frameCount = 0;
    delete objects;
    delete sprites;
    delete textures;
    objects = nullptr;
    sprites = nullptr;
    textures = nullptr;
    if (managed) gifSetCurrent(nullptr, nullptr, nullptr);
}

int CgifUI::initManagers(int textureSlots, int spriteSlots) {
    if (!textures && (!(textures = new CgifTexMng) || textures->init(textureSlots) < 0)) return -1;
    if (!sprites && (!(sprites = new CgifSpriteMng) || sprites->init(spriteSlots) < 0)) return -1;
    if (!objects && !(objects = new CgifObjectMng(this))) return -1;
    setManeger();
    return 0;
}

void CgifUI::setManeger() { gifSetCurrent(textures, sprites, objects); }

int CgifUI::loadPictures(int count) { return textures ? textures->loadPack(count) : -1; }

int CgifUI::addFrame(CgifFrame *f) {
    if (!f || frameCount >= kGifMaxFrames) return -1;
    f->index = frameCount;
    f->system = &system;
    frames[frameCount] = f;
    drawOrder[frameCount] = frameCount;
    return frameCount++;
}

void CgifUI::setDrawOrder(const int *order, int n) {
    for (int i = 0; i < n && i < kGifMaxFrames; i++) drawOrder[i] = order[i];
}

void CgifUI::setDrawAll() {
    for (int i = 0; i < frameCount; i++) frames[i]->flags |= FRAME_DIRTY;
    screenFlags |= UIF_CLEAR;
}

void CgifUI::update() {
    for (int i = 0; i < frameCount; i++) {
        frames[i]->update();
        frames[i]->flags |= FRAME_DIRTY;
    }
    screenFlags |= UIF_REDRAW | UIF_REDRAW2;
}

void CgifUI::getDrawFrameSize(int *x, int *y, int *w, int *h) {
    *x = *y = 0;
    *w = system.frameWidth;
    *h = system.frameHeight;
}

void CgifUI::setWindowSize(int w, int h) {
    windowWidth = system.frameWidth = w;
    windowHeight = system.frameHeight = h;
    setDrawAll();
}

void CgifUI::setMousePos(float x, float y) {
    system.prevMouseX = system.mouseX;
    system.prevMouseY = system.mouseY;
    system.mouseX = x;
    system.mouseY = y;
    // A new position is in window units.
    screenFlags &= ~(UIF_WORLD_X | UIF_WORLD_Y);
}

void CgifUI::setInput(const _sWindow *w) {
    if (!w) return;
    setMousePos(float(w->mouseX), float(w->mouseY));
    system.leftHeld = (w->mouseBut & BUT_LEFT) ? 1 : 0;
    system.middleHeld = (w->mouseBut & BUT_MIDDLE) ? 1 : 0;
    system.mouseBut = w->mouseBut;
    system.keyQual = w->keyQual;
    system.controlHeld = (w->keyQual & (QUAL_COMMAND | QUAL_CONTROL)) ? 1 : 0;
    system.shiftHeld = (w->keyQual & QUAL_SHIFT) ? 1 : 0;
}

void CgifUI::clearScreen() {
    const float all[4] = {0, 0, float(windowWidth), float(windowHeight)};
    gifSetProjection(all, windowWidth, windowHeight, 1);
}

void CgifUI::changeMousePos(uint32_t axes, int mode) {
    auto axis = [&](uint32_t bit, float sgifUISystem::*a, float sgifUISystem::*b, float sgifUISystem::*c,
                    int32_t scroll) {
        if (!(axes & bit) || (mode == 1) == ((screenFlags & bit) != 0)) return;
        float d = mode == 1 ? -float(scroll) : float(scroll);
        system.*a += d;
        system.*b += d;
        system.*c += d;
        screenFlags ^= bit;
    };
    axis(UIF_WORLD_X, &sgifUISystem::mouseX, &sgifUISystem::prevMouseX, &sgifUISystem::pressX, system.scrollX);
    axis(UIF_WORLD_Y, &sgifUISystem::mouseY, &sgifUISystem::prevMouseY, &sgifUISystem::pressY, system.scrollY);
}

void CgifUI::sendEventID(int32_t message, intptr_t value, intptr_t param, const char *text) {
    gifQenterExt(message, value, param, text, G.gifQueue);
}

namespace {

// Qualifier bits of a modifier key's code; 0 for other codes.
uint32_t qualOf(int code) {
    switch (code) {
    case KEY_SHIFT_LEFT:
    case KEY_SHIFT_RIGHT: return QUAL_SHIFT;
    case KEY_CONTROL_LEFT:
    case KEY_CONTROL_RIGHT: return QUAL_CONTROL;
    case KEY_OPTION_LEFT:
    case KEY_OPTION_RIGHT: return QUAL_OPTION;
    case KEY_COMMAND: return QUAL_COMMAND;
    default: return 0;
    }
}

}  // namespace

void CgifUI::trackInput(int code, int value, const char *text) {
    system.inputText = text;
    system.frameWidth = windowWidth;
    system.frameHeight = windowHeight;
    switch (code) {
    case WEV_MOUSE_X:  // positions travel as 16-bit values
        setMousePos(float(int16_t(value)), system.mouseY);
        break;
    case WEV_MOUSE_Y:
        setMousePos(system.mouseX, float(int16_t(value)));
        break;
    case WEV_MOUSE_LEFT:
    case WEV_MOUSE_MIDDLE:
    case WEV_MOUSE_RIGHT: {
        const uint32_t bit = code == WEV_MOUSE_LEFT ? BUT_LEFT : code == WEV_MOUSE_MIDDLE ? BUT_MIDDLE : BUT_RIGHT;
        system.mouseBut = value != 0 ? system.mouseBut | bit : system.mouseBut & ~bit;
        if (code == WEV_MOUSE_RIGHT) break;
        int32_t &held = code == WEV_MOUSE_LEFT ? system.leftHeld : system.middleHeld;
        if (value != 0 && !held) {
            system.pressX = system.mouseX;
            system.pressY = system.mouseY;
        }
        held = value != 0 ? 1 : 0;
        break;
    }
    case WEV_DRAG_ENTER:
    case WEV_DRAG_OVER:
        system.dragEntered = 1;
        system.leftHeld = 1;
        screenFlags |= UIF_FILE_DRAG;
        break;
    case WEV_DRAG_LEAVE:
    case WEV_DROP:
        system.dragEntered = 0;
        system.leftHeld = 0;
        screenFlags &= ~UIF_FILE_DRAG;
        break;
    case WEV_ACTIVATION:
        // A window losing the keyboard never sees the releases.
        if (value == 0) {
            system.leftHeld = system.middleHeld = 0;
            system.mouseBut = 0;
        }
        break;
    default:
        if (uint32_t q = qualOf(code)) {
            system.keyQual = value != 0 ? system.keyQual | q : system.keyQual & ~q;
            system.controlHeld = (system.keyQual & (QUAL_COMMAND | QUAL_CONTROL)) ? 1 : 0;
            system.shiftHeld = (system.keyQual & QUAL_SHIFT) ? 1 : 0;
        }
        break;
    }
}

int CgifUI::calc(int code, int value, int key, const char *text) { return calcStandard(code, value, key, text); }

int CgifUI::calcStandard(int code, int value, int key, const char *text) {
    frameFinished = 0;
    trackInput(code, value, text);
    setManeger();
    if (code == WEV_REDRAW) {
        setDrawAll();
        return 1;
    }
    int changed = objects ? objects->calc(code, value, key, system) : 0;
    for (int i = 0; i < frameCount; i++)
        if (frames[i]->calc(code, value, key, system) == 1) {
            changed = 1;
            break;
        }
    system.inputText = nullptr;
    return changed;
}

void CgifUI::drawFrames() {
    setManeger();
    gifGLSettingInit();
    bool drew = false;
    if (screenFlags & UIF_CLEAR) {
        clearScreen();
        screenFlags &= ~UIF_CLEAR;
        drew = true;
    }
    for (int i = 0; i < frameCount; i++) {
        CgifFrame *f = getFrame(drawOrder[i]);
        if (f && f->draw()) drew = true;
    }
    if (drew) frameFinished = 1;
}
