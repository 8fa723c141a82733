// The card record. See card.h.
#include "wavelib/card.h"

#include <cerrno>
#include <cstring>

#include "foundation/mem.h"
#include "wavelib/storage.h"

sCard *cardCreate(const char *root) {
    size_t n = root ? std::strlen(root) : 0;
    bool slash = n > 0 && (root[n - 1] == '/' || root[n - 1] == '\\');
    if (n == 0 || n + (slash ? 0 : 1) >= kGlobalRootMax) return nullptr;
    auto *card = static_cast<sCard *>(memCalloc(sizeof(sCard), "Card"));
    if (!card) return nullptr;
    std::memcpy(card->root, root, n);
    if (!slash) card->root[n] = '/';
    return card;
}

void cardClose(sCard *card) {
    if (card) memFree(card);
}

const char *cardRoot(const sCard *card) { return card ? card->root : ""; }

int cardPath(const sCard *card, char *out, size_t cap, const char *relative) {
    if (!card) {
        if (out && cap) out[0] = '\0';
        return -1;
    }
    return wstorageDevicePath(out, cap, card->root, relative);
}

int cardMakeDir(const sCard *card, const char *relative) {
    if (!card) {
        errno = ENOENT;
        return -1;
    }
    return wstorageMakeDir(card->root, relative);
}
