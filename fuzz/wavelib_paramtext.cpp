// Fuzz target for the parameter text reader and the parameter files built on it.
//
// Besides not crashing, leaking or overrunning, it checks what must hold for
// any input: element texts stay within their field; the readers' records stay
// within theirs; and an in-place update of the input as an old file always
// reads back as exactly the record written (so a card file the device left
// odd can never swallow a change we report as saved).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/mem.h"
#include "wavelib/wavefile.h"
#include "wavelib/xml.h"

namespace {

void check(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "wavelib_paramtext: %s\n", what);
        std::abort();
    }
}

const uint8_t *bytesOf(const std::string &s) { return reinterpret_cast<const uint8_t *>(s.data()); }

void checkDocument(const uint8_t *data, size_t size) {
    _sXML *xml = xmlOpenMemory(data, size, nullptr);
    check(xml != nullptr, "document without a root check failed");
    for (auto *e = xmlGetFirstElementPtr(xml); e; e = e->next) {
        check(std::strlen(e->text) <= kXmlTextMax, "element text longer than its field");
        check(!std::strpbrk(e->text, "<\t\r\n"), "element text holds a byte the tokenizer consumes");
        check(e->level >= 0, "negative level");
    }
    // Written out and read again, the text is stable from the second round on
    // only where nothing was cut; what must always hold is that writing does
    // not fail and reading it back does not lose the root element.
    std::string text = xmlToText(xml);
    _sXML *again = xmlOpenMemory(bytesOf(text), text.size(), nullptr);
    check(again != nullptr, "written document cannot be read");
    xmlDispose(again);
    xmlDispose(xml);
}

// A wave whose name and one file-name byte come from the input, so the update
// check covers every name byte and every byte a "Path" may be asked to hold.
sWave waveFrom(const uint8_t *data, size_t size) {
    sWave w{};
    for (size_t i = 0; i < kWaveNameLen && i < size; ++i) w.name[i] = static_cast<char>(data[size - 1 - i]);
    std::memcpy(w.dataFolder, "37", 2);
    std::memcpy(w.fileName, "SNARE_1 (2).wav", 15);
    if (size > 0) w.fileName[3] = static_cast<char>(data[size / 2]);
    return w;
}

void checkWaveFile(const uint8_t *data, size_t size) {
    _sWaveFileWavePrm *prm = waveFileWavePrmCreateFromMemory(data, size, 12, 34);
    if (prm) {
        check(strnlen(prm->path, sizeof prm->path) <= kWavePrmPathLen, "path longer than its field");
        check(prm->name[kWaveNameLen] == '\0', "name not terminated");
        char out[64];
        int r = waveFileWavePrmGetDataPath(prm, "/card/Korvan/KVB-RT/WAVE/DATA/", out, sizeof out);
        check(r != 0 || !prm->pathDamaged, "damaged path joined");
        // "/card/Korvan/KVB-RT/WAVE/DATA/" is 30 bytes; then "NN/" and one plain name.
        if (r == 0) check(!std::strchr(out + 33, '/') && std::strcmp(out + 33, "..") != 0, "joined path leaves its folder");
        waveFileWavePrmDispose(prm);
    }
    sWave w = waveFrom(data, size);
    std::string path = "37/" + std::string(w.fileName, strnlen(w.fileName, kWaveFileNameLen));
    std::string text;
    int r = waveFileWavePrmUpdateText(&w, nullptr, data, size, &text);
    check(r != 0 || xmlValueIsWritable(path.c_str()), "a path the text cannot carry was written");
    if (r != 0) return;
    _sWaveFileWavePrm *back = waveFileWavePrmCreateFromMemory(bytesOf(text), text.size(), 0, 0);
    check(back != nullptr, "updated wave file cannot be read");
    check(std::strncmp(back->name, w.name, kWaveNameLen) == 0, "updated wave file reads back another name");
    check(back->path == path, "updated wave file reads back another path");
    check(back->tagNumber == -1, "updated wave file reads back another category");
    waveFileWavePrmDispose(back);
}

void checkKitFile(const uint8_t *data, size_t size) {
    sKit *kit = waveFileKitPrmCreateFromMemory(data, size);
    if (!kit) return;
    check(rliListCount(&kit->pads) == kKitPadCount, "kit without fifteen pads");
    check(kit->name[kKitNameLen] == '\0' && kit->subName[kKitSubNameLen] == '\0', "kit name not terminated");
    // Change every value, then write it over the input and read it back.
    for (size_t i = 0; i < kKitNameLen; ++i) kit->name[i] = static_cast<char>(kit->name[i] ^ 0x5A);
    kit->subName[3] = static_cast<char>(0xE9);
    for (int i = 0; i < kKitPadCount; ++i) {
        sPad *pad = waveKitPadPtr(kit, i);
        pad->waveNumber = static_cast<int32_t>(static_cast<uint32_t>(pad->waveNumber) * 3u + static_cast<uint32_t>(i));
        pad->subWaveNumber = -i;
    }
    std::string text;
    if (waveFileKitPrmUpdateText(kit, data, size, &text) == 0) {
        sKit *back = waveFileKitPrmCreateFromMemory(bytesOf(text), text.size());
        check(back != nullptr, "updated kit cannot be read");
        check(back->isFile == 1, "updated kit does not close its root");
        check(std::strncmp(back->name, kit->name, kKitNameLen) == 0, "updated kit reads back another name");
        check(std::strncmp(back->subName, kit->subName, kKitSubNameLen) == 0, "updated kit reads back another sub-name");
        for (int i = 0; i < kKitPadCount; ++i) {
            check(waveKitPadPtr(back, i)->waveNumber == waveKitPadPtr(kit, i)->waveNumber, "updated kit pad differs");
            check(waveKitPadPtr(back, i)->subWaveNumber == -i, "updated kit sub-wave differs");
        }
        waveFileKitPrmDispose(back);
    }
    waveFileKitPrmDispose(kit);
}

void checkCategoryList(const uint8_t *data, size_t size) {
    _sWaveFileTagList *list = waveFileTagListCreateFromMemory(data, size);
    if (!list) return;
    // Written whole and read again, the same names and orders come back.
    std::string text = waveFileTagListText(&list->tags);
    _sWaveFileTagList *back = waveFileTagListCreateFromMemory(bytesOf(text), text.size());
    check(back != nullptr, "written category list cannot be read");
    check(back->hasDefault == list->hasDefault, "category list DEFAULT flag differs");
    auto *a = static_cast<const sTag *>(list->tags.first);
    auto *b = static_cast<const sTag *>(back->tags.first);
    for (; a && b; a = a->next, b = b->next) {
        check(a->order >= 0, "negative order kept");
        check(std::strcmp(a->name, b->name) == 0 && a->order == b->order, "category list entry differs");
    }
    check(!a && !b, "category list length differs");
    waveFileTagListDispose(back);
    waveFileTagListDispose(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (memInit(), true);
    (void)ready;
    long before = memGetBlockCount();
    checkDocument(data, size);
    checkWaveFile(data, size);
    checkKitFile(data, size);
    checkCategoryList(data, size);
    check(memGetBlockCount() == before, "tracked blocks leaked");
    return 0;
}
