// The wave import window's screen. See importui.h.
#include "windows/waveimport/importui.h"

#include "audio/audio.h"
#include "gui/button.h"
#include "gui/label.h"
#include "platform/ghost.h"
#include "resource/dnastr_ids.h"
#include "resource/pictures.h"
#include "transfer/convert.h"
#include "wavelib/wavelist.h"
#include "windows/popup/cmbctl.h"
#include "windows/waveimport/importctl.h"

int CgifUIWaveImport::init() {
    if (!initDialog(eFILE_DIALOG_BG)) return 0;
    list = new CgifFrImportList(this);
    if (!list || addFrame(list) < 0) {
        delete list;
        list = nullptr;
        return 0;
    }
    if (list->init() < 0) return 0;
    chooser = panel->adopt(new CgifUILabel);
    play = addPictureButton(eFILE_PLAY, 2, 332, 54, WI_MSG_PLAY);
    loop = addPictureButton(eFILE_LOOP, 2, 420, 54, WI_MSG_LOOP);
    if (!chooser || chooser->init(eFILE_CHOOSER) < 0 || !play || !loop ||
        !addButton(eFILE_BROWSE, 332, 16, "Browse", WI_MSG_BROWSE) ||
        !addPictureButton(eFILE_STOP, 1, 376, 54, WI_MSG_STOP) ||
        !addButton(eFILE_CANCEL, 316, 128, "Cancel", WI_MSG_CANCEL) || !addButton(eFILE_OK, 408, 128, "OK", WI_MSG_OK))
        return 0;
    chooser->setWorldLeftTopPos(332, 92);
    chooser->setFontSize(12);
    chooser->setTextColor(kDlgDark);
    chooser->setMessage(WI_MSG_OPEN_CHOOSER, 0);
    setTag(current);
    return 1;
}

int CgifUIWaveImport::calc(int code, int value, int key, const char *text) {
    if (code == WEV_OPEN_FILE && text) addCandidate(text);
    if (code == WEV_DROP) sendEventID(WI_MSG_DROP, 0, 0, nullptr);
    return calcStandard(code, value, key, text);
}

void CgifUIWaveImport::calcEvent(int code, intptr_t value, const char *text) {
    switch (code) {
    case WI_REQ_PATH: addCandidate(text); break;
    case kCmbClosed:
        if (value >= 0 && selected >= 0) sendEventID(WI_MSG_TAG, value, 0, nullptr);
        break;
    case WI_REQ_STOPPED:
    case WI_REQ_ENDED:
        if (play) play->setValue(0);
        break;
    default: break;
    }
    panel->setDirty();
    list->setDirty();
}

void CgifUIWaveImport::addCandidate(const char *path) {
    if (!path || !*path) return;
    // Told here, by name and reason, and left out: the rest of a drop goes on.
    _sAudioContext *audio = audioDecode(path);
    bool playable = audio && audioIsPlayable(audio);
    audioDispose(audio);
    sConvertInfo info;
    if (!playable && convertProbe(path, &info) == CONVERT_OK) {
        convertible.push_back(path);
        return;
    }
    if (!playable) {
        sendEventID(WI_MSG_REFUSED, audio ? DNASTR_ERR_AUDIO_FORMAT : DNASTR_ERR_WAVE_UNREADABLE, 0, path);
        return;
    }
    sImportCandidate c{path, {}, current, false};
    waveWaveGetEffectiveName(c.name, path);
    candidates.push_back(c);
    select(int(candidates.size()) - 1);
}

void CgifUIWaveImport::takeConvertible(bool convert) {
    for (const std::string &path : convertible) {
        if (!convert) {
            sendEventID(WI_MSG_REFUSED, DNASTR_ERR_AUDIO_FORMAT, 0, path.c_str());
            continue;
        }
        sImportCandidate c{path, {}, current, true};
        waveWaveGetEffectiveName(c.name, path.c_str());
        candidates.push_back(c);
    }
    convertible.clear();
    if (convert) select(int(candidates.size()) - 1);
}

void CgifUIWaveImport::select(int i) {
    if (i < 0 || i >= int(candidates.size())) return;
    selected = i;
    if (i < list->first) list->first = i;
    if (i >= list->first + kImportRowsShown) list->first = i - kImportRowsShown + 1;
    if (play) play->setValue(0);
    // The player plays only what the device plays: a file to be converted is not heard.
    const sImportCandidate &c = candidates[size_t(i)];
    sendEventID(WI_MSG_LOAD, 0, 0, c.convert ? "" : c.path.c_str());
    setTag(candidates[size_t(i)].tag);
}

void CgifUIWaveImport::setTag(sTag *tag) {
    current = tag;
    if (selected >= 0) candidates[size_t(selected)].tag = tag;
    if (chooser) chooser->setMessageData(tag ? waveTagNamePtr(tag) : "");
    setDrawAll();
}
