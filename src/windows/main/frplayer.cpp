// The preview player. See frames.h.
#include <cstdio>

#include "gui/button.h"
#include "gui/slider.h"
#include "resource/pictures.h"
#include "wavelib/storage.h"
#include "windows/main/frames.h"
#include "windows/main/wavutil.h"

namespace {

constexpr int kVolumeMax = 120;
constexpr int kTimebarMax = 400;

void mmss(char *buf, size_t cap, const char *prefix, uint64_t ms) {
    std::snprintf(buf, cap, "%s%02d:%02d", prefix, int(ms / 60000), int(ms / 1000 % 60));
}

template <typename W>
W *adopt(CgifFrame *f, W *w) {
    if (w && f->addObject(w) >= 0) return w;
    delete w;
    return nullptr;
}

}  // namespace

int CgifFrWavePlayer::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, 410, 431, 360, 112) < 0) return -1;
    play = adopt(this, new CgifUIButton);
    stop = adopt(this, new CgifUIButton);
    loop = adopt(this, new CgifUIButton);
    timebar = adopt(this, new CgifUISlider2);
    volume = adopt(this, new CgifUISlider2);
    if (!play || !stop || !loop || !timebar || !volume) return -1;
    const int playPics[4] = {eFILE_PLAY, eFILE_PLAY + 1, eFILE_PLAY + 2, eFILE_PLAY + 3};
    const int stopPics[2] = {eFILE_STOP, eFILE_STOP + 1};
    const int loopPics[4] = {eFILE_LOOP, eFILE_LOOP + 1, eFILE_LOOP + 2, eFILE_LOOP + 3};
    const int barPics[2] = {eFILE_TIMEBAR_TRACK, eFILE_TIMEBAR_KNOB};
    const int volPics[3] = {eFILE_SLIDER_TRACK, eFILE_SLIDER_KNOB, eFILE_SLIDER_FILL};
    if (play->init(playPics, 4) < 0 || stop->init(stopPics, 2) < 0 || loop->init(loopPics, 4) < 0 ||
        timebar->init(barPics, 2) < 0 || volume->init(volPics, 3) < 0)
        return -1;
    play->setWorldLeftTopPos(422, 443);
    stop->setWorldLeftTopPos(466, 443);
    loop->setWorldLeftTopPos(510, 443);
    // Play is decided by the screen at the release (it knows whether a
    // preview plays); stop and loop post their own messages.
    play->setMessage(MW_MSG_PLAY, 0);
    play->clearFlags(OBJ_POSTS);
    stop->setMessage(MW_MSG_STOP, 0);
    loop->setMessage(MW_MSG_LOOP, 0);
    timebar->setType(SLIDER_HORIZONTAL);
    timebar->setMinMax(0, kTimebarMax);
    timebar->setWorldLeftTopPos(422, 505);
    timebar->setMessage(MW_MSG_POSITION, 0);
    volume->setType(SLIDER_VERTICAL_UP);
    volume->setMinMax(0, kVolumeMax);
    volume->setWorldLeftTopPos(735, 440);
    volume->setMessage(MW_MSG_VOLUME, 0);
    setInfo(0, 0);
    return 0;
}

void CgifFrWavePlayer::setVolume(int thousandths) {
    if (volume) volume->setValue(thousandths * kVolumeMax / 1000);
    setDirty();
}

int CgifFrWavePlayer::getVolume() const { return volume ? volume->getValue() * 1000 / kVolumeMax : 0; }

void CgifFrWavePlayer::setTimebar(int thousandths) {
    if (timebar && !timebar->pressed) timebar->setValue(int(thousandths / 1000.0 * kTimebarMax));
    setDirty();
}

int CgifFrWavePlayer::getTimebar() const { return timebar ? timebar->getValue() * 1000 / kTimebarMax : 0; }

void CgifFrWavePlayer::setTotal(uint64_t ms) {
    totalMs = ms;
    mmss(lenText, sizeof lenText, "/", ms);
    setPosition(0);
}

void CgifFrWavePlayer::setPosition(int thousandths) {
    mmss(posText, sizeof posText, "", uint64_t(thousandths / 1000.0 * double(totalMs)));
    setDirty();
}

void CgifFrWavePlayer::setInfo(int ch, uint32_t size) {
    channels = ch;
    fileSize = size;
    infoText[0] = 0;
    if (ch > 0) {
        char sizeText[32];
        rliStorageFileSizeString(sizeText, sizeof sizeText, size);
        if (ch == 1) std::snprintf(infoText, sizeof infoText, "%dbit/%dHz/Mono/%s", 16, 44100, sizeText);
        else if (ch == 2) std::snprintf(infoText, sizeof infoText, "%dbit/%dHz/Stereo/%s", 16, 44100, sizeText);
        else std::snprintf(infoText, sizeof infoText, "%dbit/%dHz/%dch/%s", 16, 44100, ch, sizeText);
    }
    setDirty();
}

void CgifFrWavePlayer::showPlaying(int playing) {
    if (play) play->setValue(playing ? 1 : 0);
    if (timebar) {
        if (playing) timebar->clearFlags(OBJ_NO_INPUT);
        else timebar->setFlags(OBJ_NO_INPUT);
    }
    setDirty();
}

void CgifFrWavePlayer::drawPrivate() {
    mwDrawPicture(eFILE_MAIN_BG, 0, 0);
    mwDrawPicture(eFILE_PLAYER_PANEL, 410, 431);
    drawObjects();
    char both[40];
    std::snprintf(both, sizeof both, "%s%s", posText, lenText);
    mwDrawText(12, 566, 464, both, kMwText);
    if (channels > 0) mwDrawText(10, 566, 480, infoText, gifRgb255(184, 192, 204));
}
