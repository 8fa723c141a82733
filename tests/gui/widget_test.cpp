// Widgets and the object manager driven by real window events on the
// scripted host: what they post, what they hold, the state they end in.
#include <gtest/gtest.h>

#include "gui/button.h"
#include "gui/edit.h"
#include "gui/label.h"
#include "gui/objmng.h"
#include "gui/slider.h"
#include "gui/spin.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "gui/volume.h"
#include "gui_fixture.h"

namespace {

using Msgs = std::vector<std::array<intptr_t, 3>>;

class WidgetTest : public GuiTest {};

// A button of the pack's OK pair at (100, 100), 80 x 28: centre (140, 114).
CgifUIButton *okButton(GtScreen *s, int type, int32_t *valueData) {
    const int pair[6] = {eFILE_OK, eFILE_OK + 1, eFILE_CANCEL, eFILE_CANCEL + 1, eFILE_DELETE, eFILE_DELETE + 1};
    auto *b = s->add<CgifUIButton>(pair, type == BUTTON_THREE_STATE ? 6 : 2);
    b->setType(type);
    b->setWorldLeftTopPos(100, 100);
    b->setMessage(9, 77);
    b->setValueData(valueData);
    return b;
}

TEST_F(WidgetTest, AButtonStepsOnAReleaseOverItselfAndPostsOnceAndALabelClicksWithItsButtonOnly) {
    int32_t data = 0;
    CgifUIButton *b = okButton(screen, BUTTON_TOGGLE, &data);
    CgifTexMng *t = screen->textures;
    // Its picture stands upright (the top row is white) and fills 80 x 28.
    EXPECT_EQ(pixel(140, 100), (std::array<uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(pixel(140, 127), gtColor(eFILE_OK));
    EXPECT_EQ(pixel(140, 128), (std::array<uint8_t, 3>{0, 0, 0}));
    click(140, 114);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(b->getValue(), 1);
    EXPECT_EQ(data, 1);
    // The object manager copied the value data (0) into the param at the press.
    EXPECT_EQ(messages(), (Msgs{{9, 1, 0}}));
    EXPECT_EQ(screen->reports, (std::vector<std::string>{"hold", "change", "release"}));
    click(140, 114);
    run();
    EXPECT_EQ(b->getValue(), 0);
    EXPECT_EQ(messages().size(), 1u);
    // Pressed, moved off (released picture), back on (pressed), off, released outside.
    press(140, 114);
    run();
    EXPECT_EQ(pixel(140, 114), gtColor(eFILE_OK + 1));
    move(300, 114);
    run();
    EXPECT_EQ(b->getSprite()->texture, t->getTexObject(eFILE_OK));
    move(141, 115);
    run();
    EXPECT_EQ(b->getSprite()->texture, t->getTexObject(eFILE_OK + 1));
    move(300, 114);
    release(300, 114);
    run();
    EXPECT_EQ(b->getValue(), 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(screen->objects->getCount(), 0);
    // A label clicks with its own button only.
    auto *l = screen->add<CgifUILabel>();
    l->setWorldLeftTopPos(0, 0);
    l->setMessage(12, 3);
    l->setFlags(OBJ_SECOND_BUTTON);
    click(10, 10);
    run();
    EXPECT_TRUE(messages().empty());
    press(10, 10, OS_BUTTON_RIGHT);
    release(10, 10, OS_BUTTON_RIGHT);
    run();
    EXPECT_EQ(messages(), (Msgs{{12, 0, 3}}));
}

TEST_F(WidgetTest, AThreeStateButtonCyclesShowingEachStatesPicturesAndPostsValuesConverted) {
    CgifUIButton *b = okButton(screen, BUTTON_THREE_STATE, nullptr);
    const int shown[4] = {eFILE_CANCEL, eFILE_DELETE, eFILE_OK, eFILE_CANCEL};
    for (int i = 0; i < 4; i++) {
        click(140, 114);
        run();
        EXPECT_EQ(b->getValue(), (i + 1) % 3);
        EXPECT_EQ(b->getSprite()->texture, screen->textures->getTexObject(shown[i]));
    }
    EXPECT_EQ(messages().size(), 4u);  // one per click
    // Volume and position messages post their values converted.
    struct { int32_t message; int value; intptr_t posted; } cases[] = {{5, 3, 25}, {4, 3, 7}, {4, -3, -7}, {9, -3, -3}};
    for (auto &c : cases) {
        b->setMessage(c.message, 0);
        b->fire = 1;
        b->sendQueue(c.value);
        EXPECT_EQ(messages(), (Msgs{{c.message, c.posted, 0}}));
    }
    // No message, not posting, or inactive: nothing posted, and fire is spent.
    for (auto setup : {+[](CgifUIButton *w) { w->setMessage(-1, 0); },
                       +[](CgifUIButton *w) { w->clearFlags(OBJ_POSTS); },
                       +[](CgifUIButton *w) { w->clearFlags(OBJ_ACTIVE); }}) {
        b->setMessage(9, 0);
        b->setFlags(OBJ_ACTIVE);
        setup(b);
        b->fire = 1;
        b->sendQueue(1);
        EXPECT_TRUE(messages().empty());
    }
}

TEST_F(WidgetTest, TheObjectManagerHoldsTenAndFiltersCodes) {
    std::vector<CgifUIButton *> held;
    for (int i = 0; i < 11; i++) {
        auto *b = screen->add<CgifUIButton>();
        ASSERT_EQ(screen->objects->setObject(b), i < 10 ? 0 : -1);
        held.push_back(b);
    }
    EXPECT_EQ(screen->objects->setObject(held[0]), -1);  // held already
    EXPECT_EQ(screen->objects->getCount(), 10);
    // Held widgets see pointer moves and keys, not other codes below 48 ...
    struct Probe : CgifUIObjBase {
        std::vector<int> codes;
        int calc(int code, int, int, sgifUISystem) override { return codes.push_back(code), 0; }
    };
    screen->objects->deleteAll();
    auto *probe = new Probe;
    screen->frame->addObject(probe);
    screen->objects->setObject(probe);
    for (int code : {int(WEV_MOUSE_X), int(WEV_MOUSE_LEFT), int(WEV_MOVED), int(WEV_ACTIVATION), 97})
        screen->objects->calc(code, 1, 0, screen->system);
    EXPECT_EQ(probe->codes, (std::vector<int>{WEV_MOUSE_X, WEV_MOUSE_LEFT, 97}));
    // ... unless a text editor is open.
    screen->system.textEditing = 1;
    screen->objects->calc(WEV_MOVED, 1, 0, screen->system);
    EXPECT_EQ(probe->codes.back(), WEV_MOVED);
}

TEST_F(WidgetTest, TheScreenFollowsInputEventByEventWithinABatch) {
    // Everything below reaches the screen after one poll, as a busy window's
    // events do: each event must be seen with the state of its own moment.
    struct Seen : CgifUIObjBase {
        std::vector<std::array<float, 5>> at;  // x, y, left held, shift, control
        int calc(int code, int value, int, sgifUISystem s) override {
            if (code == WEV_MOUSE_LEFT || (code == 'a' && value))
                at.push_back({s.mouseX, s.mouseY, float(s.leftHeld), float(s.shiftHeld), float(s.controlHeld)});
            return 0;
        }
    };
    auto *seen = new Seen;
    screen->frame->addObject(seen);
    screen->frame->flags |= FRAME_INPUT_OUTSIDE;
    hlPostKey(win, KS_SHIFT_L, "", true);
    press(10, 20);
    move(30, 40);
    type('a', "A");
    release(50, 60);
    hlPostKey(win, KS_SHIFT_L, "", false);
    hlPostKey(win, KS_CONTROL_L, "", true);
    type('a', "a");
    run();
    EXPECT_EQ(seen->at, (std::vector<std::array<float, 5>>{
                            {10, 20, 1, 1, 0}, {30, 40, 1, 1, 0}, {50, 60, 0, 1, 0}, {50, 60, 0, 0, 1}}));
    EXPECT_EQ(screen->system.pressX, 10);
    // A file drag holds the button until it leaves; losing the window releases everything.
    hlPostPaths(win, OSEV_DRAG_ENTER, {"/a.wav"});
    run();
    EXPECT_EQ(screen->system.dragEntered, 1);
    EXPECT_EQ(screen->system.leftHeld, 1);
    hlPostSimple(win, OSEV_DEACTIVATED);
    run();
    EXPECT_EQ(screen->system.leftHeld, 0);
    EXPECT_EQ(screen->system.keyQual, 0u);
    // World units: the scroll offset comes off an axis once, and back.
    screen->system.scrollY = -100;
    screen->changeMousePos(UIF_WORLD_Y, 1);
    screen->changeMousePos(UIF_WORLD_Y, 1);
    EXPECT_EQ(screen->system.mouseY, 160);
    screen->changeMousePos(UIF_WORLD_X | UIF_WORLD_Y, 0);
    EXPECT_EQ(screen->system.mouseY, 60);
    EXPECT_EQ(screen->system.mouseX, 50);
}

TEST_F(WidgetTest, FrameViewportsClipToTheWindowAndTheHeader) {
    struct { float l, t, w, h; uint32_t flags; std::array<float, 4> want; int scrollY = 0; } cases[] = {
        {10, 40, 100, 300, 0, {10, 112, 100, 228 - 40}},   // header limit, then the window's bottom
        {10, 40, 100, 200, 0, {10, 112, 100, 128}},
        {10, 40, 100, 60, 0, {10, 112, 100, 0}},            // wholly under the header
        {-20, 0, 100, 50, FRAME_FIXED_Y, {0, 0, 80, 50}},
        {350, 280, 100, 50, FRAME_FIXED_Y, {350, 280, 50, 20}},
        {0, 200, 50, 50, 0, {0, 170, 50, 50}, -30},          // scrolling moves a scrolling frame
    };
    for (auto &c : cases) {
        CgifFrame f;
        f.system = &screen->system;
        screen->setManeger();
        screen->system.scrollY = c.scrollY;
        ASSERT_EQ(f.setBackground(-1, c.l, c.t, c.w, c.h), 0);
        f.flags = c.flags;
        f.calcViewPort(screen->system);
        EXPECT_EQ((std::array<float, 4>{f.viewport[0], f.viewport[1], f.viewport[2], f.viewport[3]}), c.want);
    }
}

TEST_F(WidgetTest, ANumericFieldClampsWhatIsTypedWhenEditingEnds) {
    auto *e = screen->add<CgifUIEdit>();
    e->setWorldLeftTopPos(50, 50);  // 34 x 20
    e->setMinMax(-10, 10);
    struct { const char *typed; const char *text; } cases[] = {{"25", "10"}, {"-30", "-10"}, {"7", "7"}, {"0", "0"}};
    for (auto &c : cases) {
        e->setMessageData("");
        click(60, 60);
        typeText(c.typed);
        type(KS_RETURN, "\r");
        run();
        EXPECT_STREQ(e->getMessageData(), c.text) << c.typed;
        EXPECT_EQ(screen->objects->getCount(), 0);
    }
    // A minus into a non-empty text and a fourth digit are not taken.
    e->setMessageData("");
    click(60, 60);
    typeText("12-34");
    run();
    EXPECT_STREQ(e->getMessageData(), "123");
    // A press outside ends the editing: calc reports it with ended set.
    screen->setManeger();
    sgifUISystem s = screen->system;
    s.mouseX = 300;
    EXPECT_EQ(e->calc(WEV_MOUSE_LEFT, 1, 0, s), 1);
    EXPECT_EQ(e->isEnded(), 1);
    EXPECT_STREQ(e->getMessageData(), "10");
    // Shown from outside, a positive number of a signed field carries its sign.
    e->setMessageData("5");
    EXPECT_STREQ(e->getMessageData(), "+5");
    e->setMinMax(0, 127);
    e->setMessageData("5");
    EXPECT_STREQ(e->getMessageData(), "5");
}

TEST_F(WidgetTest, ASpinStepsAndTakesTypedNumbersWithinItsLimits) {
    int32_t kit = 0;
    auto *sp = screen->add<CgifUISpin>();
    sp->setMinMax(1, 100);
    sp->setValueData(&kit);
    sp->setMessage(31, 0);
    sp->setWorldLeftTopPos(100, 100);  // 52 x 28: field 34 wide, steps at x 134..152
    sp->update();
    EXPECT_EQ(sp->getValue(), 1);
    click(143, 107);  // up
    click(143, 107);
    click(143, 121);  // down
    run();
    EXPECT_EQ(kit, 2);
    // The param is the value data as it was at the press.
    EXPECT_EQ(messages(), (Msgs{{31, 2, 0}, {31, 3, 2}, {31, 2, 3}}));
    click(115, 114);  // into the field
    type(KS_BACKSPACE);
    typeText("250");
    type(KS_RETURN, "\r");
    run();
    EXPECT_EQ(kit, 100);
    EXPECT_STREQ(sp->edit->getMessageData(), "100");
    EXPECT_EQ(messages(), (Msgs{{31, 100, 2}}));
    click(143, 121);  // down from 100, then a press released off the step
    press(143, 107);
    release(10, 10);
    run();
    EXPECT_EQ(kit, 99);
    EXPECT_EQ(screen->objects->getCount(), 0);
}

TEST_F(WidgetTest, SlidersFollowTheDragAndReportAsTheirKindDoes) {
    // A horizontal time bar: track 220 x 8 at (50, 200), knob 12 x 20; 0..400.
    const int ids[2] = {eFILE_TIMEBAR_TRACK, eFILE_TIMEBAR_KNOB};
    auto *plain = screen->add<CgifUISlider>(ids, 2);
    auto *bar = screen->add<CgifUISlider2>(ids, 2);
    for (CgifUISlider *s : {static_cast<CgifUISlider *>(plain), static_cast<CgifUISlider *>(bar)}) {
        s->setType(SLIDER_HORIZONTAL);
        s->setMinMax(0, 400);
        s->setWorldLeftTopPos(50, s == plain ? 100 : 200);
        s->setMessage(4, 0);
    }
    EXPECT_EQ(bar->change2Value(bar->change2Trans(200)), 200);
    // A press on the track centres the knob on the pointer; the knob follows.
    for (CgifUISlider *s : {static_cast<CgifUISlider *>(plain), static_cast<CgifUISlider *>(bar)}) {
        int y = s == plain ? 104 : 204;
        press(56 + 104, y);  // the middle of the 208-pixel travel
        move(56 + 208, y);
        move(500, y);        // past the end: the maximum
        release(500, y);
        run();
        EXPECT_EQ(s->getValue(), 400);
    }
    Msgs m = messages();
    // The plain slider posts at the release only; the time bar also while dragged.
    ASSERT_EQ(m.size(), 1u + 3u);
    EXPECT_EQ(m[0], (std::array<intptr_t, 3>{4, 1000, 0}));
    EXPECT_EQ(m.back(), (std::array<intptr_t, 3>{4, 1000, 0}));
    // A press on the knob grabs it where it was hit: no jump.
    bar->setValue(100);
    float kx, ky;
    bar->knob->getPos(&kx, &ky);
    press(int(kx) + 3, 204);
    release(int(kx) + 3, 204);
    run();
    EXPECT_EQ(bar->getValue(), 100);
    EXPECT_TRUE(messages().empty());
    bar->setLimit(0, 300);
    EXPECT_EQ(bar->getValue(), 100);
    bar->setValue(390);
    EXPECT_EQ(bar->getValue(), 300);
}

TEST_F(WidgetTest, AKnobTurnsWithThePointerAndIgnoresTinyTurns) {
    auto *k = screen->add<CgifUIVolume>();
    k->setWorldLeftTopPos(180, 130);  // 40 x 40, centre (200, 150)
    k->setMinMax(0, 270);
    k->setRoundRange(225, 270);       // straight up is 135
    EXPECT_EQ(k->change2Value(0), 135);
    EXPECT_EQ(k->change2Value(200), 0);  // below the range's start: the nearer end
    EXPECT_EQ(k->change2Value(160), 270);
    int32_t data = 0;
    k->setValueData(&data);
    k->setMessage(5, 0);
    press(200, 140);  // up: 135
    move(260, 150);   // right: 90 degrees clockwise
    run();
    EXPECT_EQ(data, 225);
    move(260, 149);   // about 1 degree
    run();
    EXPECT_EQ(data, 225);
    release(260, 149);
    run();
    EXPECT_EQ(messages(), (Msgs{{5, 225 * 1000 / 120, 0}}));
}

TEST_F(WidgetTest, FullTextureManagersRefuseAndKeepWhatTheyHold) {
    screen->setManeger();
    CgifTexMng m;
    ASSERT_EQ(m.init(2), 0);
    const std::string &pack = gtPackBytes();
    CLinkManager link(reinterpret_cast<const uint8_t *>(pack.data()), pack.size());
    const uint8_t *pic = link.GetBlockAddress(eFILE_OK);
    uint32_t size = link.GetBlockSize(eFILE_OK);
    EXPECT_EQ(m.setTexObject(pic, size, -1), 0);
    EXPECT_EQ(m.setTexObject(pic, size, -1), 1);
    EXPECT_EQ(m.setTexObject(pic, size, -1), -1);
    EXPECT_EQ(m.setTexObject(pic, size - 1, 0), -1);  // a short picture leaves the slot loaded
    EXPECT_TRUE(m.getTexObject(0)->isLoaded());
    EXPECT_EQ(m.setTexObject(nullptr, 0, 1), -1);
    float u, v;
    m.getTexObject(0)->getRate(&u, &v);
    EXPECT_FLOAT_EQ(u, 80.0f / 128);
    EXPECT_FLOAT_EQ(v, 28.0f / 32);
}

}  // namespace
