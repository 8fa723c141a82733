// Window event queues. See evqueue.h.
//
// Records sit in a ring, so entering and reading are both constant-time; the
// order seen through the functions is plain first in, first out.
#include "evqueue.h"

#include <cstring>

#include "foundation/mem.h"

_sEvQueue *evQInit(void) { return static_cast<_sEvQueue *>(memCalloc(sizeof(_sEvQueue), "EvQue")); }

void evQDelete(_sEvQueue *queue) {
    if (!queue) return;
    for (uint32_t i = 0; i < queue->count; i++) {
        sEvRecord &r = queue->rec[(queue->head + i) % kEvQueueCapacity];
        if (r.text) memFree(r.text);
        r = sEvRecord{};
    }
    queue->head = 0;
    queue->count = 0;
}

void evQTerm(_sEvQueue *queue) {
    if (!queue) return;
    evQDelete(queue);
    memFree(queue);
}

uint16_t evQtest(const _sEvQueue *queue) {
    if (!queue || queue->count == 0) return 0;
    return queue->rec[queue->head].code;
}

uint32_t evQcount(const _sEvQueue *queue) { return queue ? queue->count : 0; }

uint16_t evQread(intptr_t *value, char *key, char *textBuf, size_t textCap, _sEvQueue *queue) {
    if (!queue || queue->count == 0) return 0;
    sEvRecord r = queue->rec[queue->head];
    queue->rec[queue->head] = sEvRecord{};
    queue->head = (queue->head + 1) % kEvQueueCapacity;
    queue->count--;

    if (value) *value = r.value;
    if (key) *key = (r.key >= 0x20 && r.key <= 0x7E) ? r.key : 0;
    if (textBuf && textCap > 0) {
        textBuf[0] = 0;
        if (r.text) {
            size_t n = strnlen(r.text, textCap - 1);
            // A cut text ends on a whole UTF-8 character.
            while (n > 0 && r.text[n] && (static_cast<unsigned char>(r.text[n]) & 0xC0) == 0x80) n--;
            std::memcpy(textBuf, r.text, n);
            textBuf[n] = 0;
        }
    }
    if (r.text) memFree(r.text);
    return r.code;
}

int evQenterExt(uint16_t code, intptr_t value, char key, const char *text, _sEvQueue *queue) {
    if (!queue || code == 0 || queue->count >= kEvQueueCapacity) return -1;
    char *copy = nullptr;
    if (text && *text) {
        size_t n = std::strlen(text);
        copy = static_cast<char *>(memMalloc(n + 1, "char"));
        if (!copy) return -1;
        std::memcpy(copy, text, n + 1);
    }
    sEvRecord &r = queue->rec[(queue->head + queue->count) % kEvQueueCapacity];
    r.code = code;
    r.value = value;
    r.key = key;
    r.text = copy;
    queue->count++;
    return 0;
}
