// Intrusive lists. See list.h.
#include "list.h"

#include "mem.h"

namespace {

sListNode *node(void *e) { return static_cast<sListNode *>(e); }

void linkBetween(sListBase *list, sListNode *before, sListNode *after, sListNode *e) {
    e->prev = before;
    e->next = after;
    if (before)
        before->next = e;
    else
        list->first = e;
    if (after)
        after->prev = e;
    else
        list->last = e;
}

}  // namespace

void rliListAddHead(sListBase *list, void *e) {
    if (!list || !e) return;
    linkBetween(list, nullptr, node(list->first), node(e));
}

void rliListAddTail(sListBase *list, void *e) {
    if (!list || !e) return;
    linkBetween(list, node(list->last), nullptr, node(e));
}

void rliListInsertLink(sListBase *list, void *prevElem, void *e) {
    if (!list || !e) return;
    if (!prevElem) {
        rliListAddHead(list, e);
        return;
    }
    linkBetween(list, node(prevElem), node(prevElem)->next, node(e));
}

void rliListInsertLinkAfter(sListBase *list, void *prevElem, void *e) { rliListInsertLink(list, prevElem, e); }

void rliListInsertLinkBefore(sListBase *list, void *nextElem, void *e) {
    if (!list || !e) return;
    if (!nextElem) {
        rliListAddTail(list, e);
        return;
    }
    linkBetween(list, node(nextElem)->prev, node(nextElem), node(e));
}

void rliListRemLink(sListBase *list, void *e) {
    if (!list || !e) return;
    sListNode *n = node(e);
    if (n->prev)
        n->prev->next = n->next;
    else if (list->first == n)
        list->first = n->next;
    if (n->next)
        n->next->prev = n->prev;
    else if (list->last == n)
        list->last = n->prev;
    n->next = n->prev = nullptr;
}

void rliListFreeLink(sListBase *list, void *e) {
    if (!list || !e) return;
    rliListRemLink(list, e);
    memFree(e);
}

void rliListFreeList(sListBase *list) {
    if (!list) return;
    sListNode *n = node(list->first);
    while (n) {
        sListNode *next = n->next;
        memFree(n);
        n = next;
    }
    list->first = list->last = nullptr;
}

void rliListFreeListN(sListBase *list) { rliListFreeList(list); }

int rliListCount(const sListBase *list) {
    if (!list) return 0;
    int n = 0;
    for (auto *e = static_cast<const sListNode *>(list->first); e; e = e->next) ++n;
    return n;
}

void *rliListFindLink(const sListBase *list, int index) {
    if (!list || index < 0) return nullptr;
    for (auto *e = static_cast<sListNode *>(list->first); e; e = e->next)
        if (index-- == 0) return e;
    return nullptr;
}

int rliListFindIndex(const sListBase *list, const void *e) {
    if (!list || !e) return -1;
    int i = 0;
    for (auto *n = static_cast<const sListNode *>(list->first); n; n = n->next, ++i)
        if (n == e) return i;
    return -1;
}

void rliListSortList(sListBase *list, rliListCompareFn compare) {
    if (!list || !compare || !list->first || list->first == list->last) return;
    // Insertion sort: stable, and already-sorted lists (the usual case after a
    // single edit) cost one comparison per element.
    sListNode *e = node(list->first)->next;
    while (e) {
        sListNode *following = e->next;
        sListNode *spot = e->prev;
        while (spot && compare(spot, e) == 1) spot = spot->prev;
        if (spot != e->prev) {
            rliListRemLink(list, e);
            rliListInsertLink(list, spot, e);
        }
        e = following;
    }
}
