// Intrusive lists against a plain reference model.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "foundation/list.h"
#include "foundation/mem.h"

namespace {

struct Item {
    Item *next;
    Item *prev;
    int key;
    int serial;  // order of creation, to check stability
};

Item *makeItem(int key, int serial) {
    auto *it = static_cast<Item *>(memCalloc(sizeof(Item), "Item"));
    it->key = key;
    it->serial = serial;
    return it;
}

int byKey(const void *a, const void *b) {
    return static_cast<const Item *>(a)->key > static_cast<const Item *>(b)->key ? 1 : 0;
}

// Walks the list both ways and checks it against `model` element by element.
void expectSame(const sListBase &list, const std::vector<Item *> &model) {
    std::vector<Item *> forward, backward;
    for (auto *e = static_cast<Item *>(list.first); e; e = e->next) forward.push_back(e);
    for (auto *e = static_cast<Item *>(list.last); e; e = e->prev) backward.push_back(e);
    std::reverse(backward.begin(), backward.end());
    ASSERT_EQ(forward, model);
    ASSERT_EQ(backward, model);
    ASSERT_EQ(rliListCount(&list), static_cast<int>(model.size()));
}

TEST(List, RandomOperationsMatchTheModel) {
    std::mt19937 rng(20261206);
    for (int round = 0; round < 50; ++round) {
        sListBase list{};
        std::vector<Item *> model;
        int serial = 0;
        for (int step = 0; step < 200; ++step) {
            int op = static_cast<int>(rng() % 9);
            size_t n = model.size();
            size_t at = n ? rng() % n : 0;
            Item *pick = n ? model[at] : nullptr;
            Item *e = op < 4 ? makeItem(static_cast<int>(rng() % 10), serial++) : nullptr;
            Item *near = rng() % 4 == 0 ? nullptr : pick;  // none: at the head (after) or the tail (before)
            switch (op) {
            case 0:
                rliListAddHead(&list, e);
                model.insert(model.begin(), e);
                break;
            case 1:
                rliListAddTail(&list, e);
                model.push_back(e);
                break;
            case 2:
                rliListInsertLinkAfter(&list, near, e);
                model.insert(near ? model.begin() + static_cast<long>(at) + 1 : model.begin(), e);
                break;
            case 3:
                rliListInsertLinkBefore(&list, near, e);
                model.insert(near ? model.begin() + static_cast<long>(at) : model.end(), e);
                break;
            case 4:
                if (pick) {
                    rliListFreeLink(&list, pick);
                    model.erase(model.begin() + static_cast<long>(at));
                }
                break;
            case 5:
                if (pick) {
                    rliListRemLink(&list, pick);
                    model.erase(model.begin() + static_cast<long>(at));
                    rliListAddTail(&list, pick);
                    model.push_back(pick);
                }
                break;
            case 6:
                if (pick) {
                    EXPECT_EQ(rliListFindLink(&list, static_cast<int>(at)), pick);
                    EXPECT_EQ(rliListFindIndex(&list, pick), static_cast<int>(at));
                }
                EXPECT_EQ(rliListFindLink(&list, -1), nullptr);
                EXPECT_EQ(rliListFindLink(&list, static_cast<int>(n)), nullptr);
                break;
            case 7:
                rliListSortList(&list, byKey);  // stable: the model's order of equal keys
                std::stable_sort(model.begin(), model.end(), [](Item *a, Item *b) { return a->key < b->key; });
                break;
            case 8:
                if (rng() % 20 == 0) {
                    rliListFreeList(&list);
                    model.clear();
                }
                break;
            }
            expectSame(list, model);
        }
        rliListFreeList(&list);
    }
}

TEST(List, NullListsAndElementsAreHarmless) {
    sListBase list{};
    rliListAddHead(nullptr, nullptr);
    rliListAddTail(&list, nullptr);
    rliListRemLink(&list, nullptr);
    rliListFreeList(nullptr);
    rliListSortList(&list, byKey);
    EXPECT_EQ(rliListCount(nullptr), 0);
    EXPECT_EQ(rliListFindLink(nullptr, 0), nullptr);
    EXPECT_EQ(rliListFindIndex(&list, nullptr), -1);
    EXPECT_EQ(list.first, nullptr);
}

}  // namespace
