// evqueue: a window controller's queue of window events, first in, first out.
//
// Each controller owns two: the event queue its handler (addEventQueue)
// appends to, and the request queue through which the program posts
// notifications for the window's screen. A record's text is a copy owned by
// the queue until the record is read or the queue emptied. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

// Records a queue holds; what arrives beyond that is dropped.
constexpr uint32_t kEvQueueCapacity = 10240;

// One queued event.
struct sEvRecord {
    uint16_t code;  // window event code; 0 never stands in a queue
    intptr_t value; // the event's value: a number, or a pointer the poster owns
    char key;       // the typed character, or 0
    char *text;     // owned copy of the event's text ("char"), or null
};

// A queue, allocated zero-filled with owner tag "EvQue".
struct _sEvQueue {
    sEvRecord rec[kEvQueueCapacity];  // ring of records
    uint32_t head;                    // index of the oldest record
    uint32_t count;                   // records held
};

// --- Life cycle -----------------------------------------------------------------

// Returns a new empty queue, or null when memory runs out.
_sEvQueue *evQInit(void);
// Releases every record's text and the queue. Null is ignored.
void evQTerm(_sEvQueue *queue);
// Releases every record's text and empties the queue. Null is ignored.
void evQDelete(_sEvQueue *queue);

// --- Use ------------------------------------------------------------------------

// Returns the code of the record that would be read next, 0 when empty.
uint16_t evQtest(const _sEvQueue *queue);
// Removes the oldest record and returns its code; 0 when empty (outputs
// untouched). `value` and `key` (may be null) get its value and its key, the
// key 0 unless printable (0x20..0x7E). `textBuf` (may be null; capacity
// `textCap`) is emptied and gets the record's text, cut to fit. The record's
// text is released in any case.
uint16_t evQread(intptr_t *value, char *key, char *textBuf, size_t textCap, _sEvQueue *queue);
// Appends a record; `text` is copied when given and not empty. Returns 0;
// -1 when the code is 0, the queue is full or the text cannot be copied
// (nothing entered then).
int evQenterExt(uint16_t code, intptr_t value, char key, const char *text, _sEvQueue *queue);
// Returns the number of records held, 0 for null.
uint32_t evQcount(const _sEvQueue *queue);
