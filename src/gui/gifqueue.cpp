// The toolkit message queue. See gifqueue.h.
#include "gui/gifqueue.h"

#include "foundation/mem.h"
#include "foundation/str.h"
#include "gui/sjis.h"

namespace {

int put(int32_t message, intptr_t value, intptr_t param, const char *text, _sGifQueue *q, bool front) {
    if (!q || message == 0 || q->count >= kGifQueueCapacity) return -1;
    char *copy = nullptr;
    if (text && text[0] && !(copy = rliStrDup(text))) return -1;
    uint32_t at = front ? (q->head + kGifQueueCapacity - 1) % kGifQueueCapacity
                        : (q->head + q->count) % kGifQueueCapacity;
    q->rec[at] = sGifQueueRecord{message, value, param, copy};
    if (front) q->head = at;
    q->count++;
    return 0;
}

}  // namespace

_sGifQueue *gifQInit(void) { return static_cast<_sGifQueue *>(memCalloc(sizeof(_sGifQueue), "GifQue")); }

void gifQTerm(_sGifQueue *queue) {
    if (!queue) return;
    while (queue->count) gifQread(nullptr, nullptr, nullptr, 0, queue);
    memFree(queue);
}

int gifQenterExt(int32_t message, intptr_t value, intptr_t param, const char *text, _sGifQueue *queue) {
    return put(message, value, param, text, queue, false);
}

int gifQenter(int32_t message, intptr_t value, intptr_t param, _sGifQueue *queue) {
    return put(message, value, param, nullptr, queue, false);
}

int gifQpushBack(int32_t message, intptr_t value, intptr_t param, const char *text, _sGifQueue *queue) {
    return put(message, value, param, text, queue, true);
}

int32_t gifQtest(const _sGifQueue *queue) { return queue && queue->count ? queue->rec[queue->head].message : 0; }

int32_t gifQread(intptr_t *value, intptr_t *param, char *textBuf, size_t textCap, _sGifQueue *queue) {
    if (!queue || queue->count == 0) return 0;
    sGifQueueRecord r = queue->rec[queue->head];
    queue->rec[queue->head] = sGifQueueRecord{};
    queue->head = (queue->head + 1) % kGifQueueCapacity;
    queue->count--;
    if (value) *value = r.value;
    if (param) *param = r.param;
    if (textBuf && textCap) gifStrCopy(textBuf, textCap, r.text);
    if (r.text) memFree(r.text);
    return r.message;
}

uint32_t gifQcount(const _sGifQueue *queue) { return queue ? queue->count : 0; }
