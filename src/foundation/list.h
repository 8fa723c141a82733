// list: the intrusive doubly linked list that holds every collection.
//
// An element is any record whose first two members are `next` and `prev`
// pointers (sListNode's layout); the list sees only those. Elements belong to
// whoever allocated them from the tracked allocator; the Free functions give
// them back with memFree. Every function does nothing for a null list or
// element.
#pragma once

// The two links every element begins with.
struct sListNode {
    sListNode *next;  // following element, null at the tail
    sListNode *prev;  // preceding element, null at the head
};

// A list head.
struct sListBase {
    void *first;  // first element, null when empty
    void *last;   // last element, null when empty
};

// Returns 1 when `a` must come after `b`; anything else lets `a` stay before `b`.
typedef int (*rliListCompareFn)(const void *a, const void *b);

// --- Adding and removing ----------------------------------------------------

// Appends / prepends `e`. Never fails.
void rliListAddHead(sListBase *list, void *e);
void rliListAddTail(sListBase *list, void *e);
// Inserts `e` after `prevElem` (at the head when `prevElem` is null). Never fails.
void rliListInsertLink(sListBase *list, void *prevElem, void *e);
void rliListInsertLinkAfter(sListBase *list, void *prevElem, void *e);
// Inserts `e` before `nextElem` (at the tail when `nextElem` is null). Never fails.
void rliListInsertLinkBefore(sListBase *list, void *nextElem, void *e);
// Unlinks `e` without freeing it; its links are cleared. Never fails.
void rliListRemLink(sListBase *list, void *e);
// Unlinks `e` and memFrees it. Never fails.
void rliListFreeLink(sListBase *list, void *e);
// memFrees every element and empties the head. Never fails.
void rliListFreeList(sListBase *list);
void rliListFreeListN(sListBase *list);

// --- Looking up -------------------------------------------------------------

// Returns the number of elements, 0 for a null list.
int rliListCount(const sListBase *list);
// Returns the element at zero-based `index`, null when out of range. Changes nothing.
void *rliListFindLink(const sListBase *list, int index);
// Returns the index of `e`, -1 when it is not in the list. Changes nothing.
int rliListFindIndex(const sListBase *list, const void *e);

// --- Sorting ----------------------------------------------------------------

// Sorts stably in place (equal elements keep their order). Never fails.
void rliListSortList(sListBase *list, rliListCompareFn compare);
