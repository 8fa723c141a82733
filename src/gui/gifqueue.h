// gifqueue: the toolkit's one message queue, through which widgets tell their
// window's controller what the user did.
//
// A widget posts (message, value, param[, text]) when the user finishes an
// action; the controller reads every message after its screen's calc. Records
// are read first in, first out; gifQpushBack puts one where it is read next.
// Values and params are pointer-sized, since several messages carry a wave or
// a category. The process's queue is G.gifQueue. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

// Records a queue holds; what arrives beyond that is dropped.
constexpr uint32_t kGifQueueCapacity = 10240;

// One message.
struct sGifQueueRecord {
    int32_t message;  // message number; 0 never stands in the queue
    intptr_t value;   // first argument: a number, or a wave or category
    intptr_t param;   // second argument
    char *text;       // owned copy of a text ("char"), or null
};

// A queue, allocated zero-filled with owner tag "GifQue".
struct _sGifQueue {
    sGifQueueRecord rec[kGifQueueCapacity];  // ring of records
    uint32_t head;                           // index of the record read next
    uint32_t count;                          // records held
};

// --- Life cycle -----------------------------------------------------------------

// Returns a new empty queue, or null when memory runs out.
_sGifQueue *gifQInit(void);
// Releases every record's text and the queue. Null is ignored.
void gifQTerm(_sGifQueue *queue);

// --- Use ------------------------------------------------------------------------

// Appends a record, read after those already queued; `text` is copied when
// given and not empty. Returns 0; -1 when the message is 0, the queue is
// null or full, or the text cannot be copied (nothing entered then).
int gifQenterExt(int32_t message, intptr_t value, intptr_t param, const char *text, _sGifQueue *queue);
// As gifQenterExt without a text.
int gifQenter(int32_t message, intptr_t value, intptr_t param, _sGifQueue *queue);
// Puts a record where it is read next. Returns 0, or -1 as gifQenterExt.
int gifQpushBack(int32_t message, intptr_t value, intptr_t param, const char *text, _sGifQueue *queue);
// Returns the message that would be read next, 0 when empty or null.
int32_t gifQtest(const _sGifQueue *queue);
// Removes the next record and returns its message; 0 when empty (outputs
// untouched). `value` and `param` (may be null) get its arguments; `textBuf`
// (may be null, capacity `textCap`) is emptied and gets the record's text,
// cut to fit at a character boundary. The record's text is released in any case.
int32_t gifQread(intptr_t *value, intptr_t *param, char *textBuf, size_t textCap, _sGifQueue *queue);
// Returns the number of records held, 0 for null.
uint32_t gifQcount(const _sGifQueue *queue);
