// The library's records. See wave.h.
#include "wavelib/wave.h"

#include <cstring>

#include "foundation/mem.h"

sTag *tagCreate(const char *name, int order) {
    auto *tag = static_cast<sTag *>(memCalloc(sizeof(sTag), "FTag"));
    if (!tag) return nullptr;
    if (name) std::strncpy(tag->name, name, kTagNameLen);
    tag->order = order < 0 ? 0 : order;
    return tag;
}

void tagDispose(sTag *tag) {
    if (!tag) return;
    rliListFreeList(&tag->members);
    rliListFreeList(&tag->membersAlphabet);
    rliListFreeList(&tag->membersNumber);
    memFree(tag);
}

sPad *waveKitPadPtr(const sKit *kit, int index) {
    if (!kit) return nullptr;
    auto *node = static_cast<sListItem *>(rliListFindLink(&kit->pads, index));
    return node ? static_cast<sPad *>(node->item) : nullptr;
}
