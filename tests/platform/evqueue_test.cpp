// Event queues against a plain reference model.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>

#include "foundation/mem.h"
#include "platform/evqueue.h"

namespace {

struct sModelRec {
    uint16_t code;
    intptr_t value;  // full width: notifications carry pointers
    char key;
    std::string text;
};

struct QueueGuard {
    _sEvQueue *q = evQInit();
    ~QueueGuard() { evQTerm(q); }
};

// Blocks the queue owns beyond itself: one per record with a text.
long textsHeld(const std::deque<sModelRec> &model) {
    long n = 0;
    for (const sModelRec &r : model) n += r.text.empty() ? 0 : 1;
    return n;
}

// Keys outside printable ASCII read as zero.
char expectedKey(char key) { return (key >= 0x20 && key <= 0x7E) ? key : 0; }

TEST(EvQueue, RandomSequencesMatchReferenceModel) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 6; round++) {
        long base = memGetBlockCount();
        QueueGuard g;
        ASSERT_NE(g.q, nullptr);
        std::deque<sModelRec> model;
        bool reachedFull = false;
        // Some rounds fill the queue to the brim: a newcomer is dropped, its
        // text never copied, and the rest kept in order.
        bool fill = round % 2 == 1;
        int steps = fill ? 30000 : 4000;
        for (int step = 0; step < steps; step++) {
            int op = static_cast<int>(rng() % 100);
            int enterShare = fill ? 80 : 55;
            if (op < enterShare) {
                sModelRec r{static_cast<uint16_t>(rng() % 40), static_cast<intptr_t>((uint64_t(rng()) << 32) | rng()),
                            static_cast<char>(rng() % 256), ""};
                if (rng() % 3 == 0) r.text = "path/" + std::to_string(rng() % 1000);
                int got = evQenterExt(r.code, r.value, r.key, r.text.empty() && rng() % 2 ? "" : r.text.c_str(), g.q);
                bool accepted = r.code != 0 && model.size() < kEvQueueCapacity;
                ASSERT_EQ(got, accepted ? 0 : -1) << "step " << step;
                if (accepted) model.push_back(r);
                if (r.code != 0 && !accepted) reachedFull = true;
            } else if (op < 95) {
                intptr_t value = -1;
                char key = 'x';
                char text[64] = "junk";
                bool withText = rng() % 2;
                uint16_t code = evQread(&value, &key, withText ? text : nullptr, sizeof text, g.q);
                if (model.empty()) {
                    ASSERT_EQ(code, 0);
                    ASSERT_EQ(value, -1);
                    ASSERT_EQ(key, 'x');
                    continue;
                }
                sModelRec want = model.front();
                model.pop_front();
                ASSERT_EQ(code, want.code);
                ASSERT_EQ(value, want.value);
                ASSERT_EQ(key, expectedKey(want.key));
                if (withText) {
                    ASSERT_EQ(std::string(text), want.text);
                }
            } else if (op < 99) {
                ASSERT_EQ(evQtest(g.q), model.empty() ? 0 : model.front().code);
            } else if (!fill && rng() % 8 == 0) {
                evQDelete(g.q);
                model.clear();
            }
            ASSERT_EQ(evQcount(g.q), model.size());
            // Owned texts are released as records go: nothing more, nothing less is held.
            ASSERT_EQ(memGetBlockCount(), base + 1 + textsHeld(model)) << "step " << step;
        }
        if (fill) {
            EXPECT_TRUE(reachedFull) << "round " << round;
        }
    }
}

TEST(EvQueue, TextIsCopiedCutOnACharacterBoundaryAndNotEnteredWithoutMemory) {
    QueueGuard g;
    char source[] = "/media/u/caf\xC3\xA9.wav";
    ASSERT_EQ(evQenterExt(30, 1, 0, source, g.q), 0);
    source[0] = 'X';  // the queue holds its own copy
    char small[14];
    ASSERT_EQ(evQread(nullptr, nullptr, small, sizeof small, g.q), 30);
    EXPECT_STREQ(small, "/media/u/caf");  // the two-byte "é" did not fit whole

    // A text copy that cannot be made enters nothing.
    memTestFailNth(1, false);
    EXPECT_EQ(evQenterExt(30, 1, 0, "/a.wav", g.q), -1);
    memTestFailNth(0, false);
    EXPECT_EQ(evQcount(g.q), 0u);
}

}  // namespace
