// The kit window inside the main window's nested loop: names at and beyond
// the fields' capacity, typed in ASCII and committed by an input method in
// Japanese, never cut inside a character; Cancel and the close box keep the
// kit; the card then as kvbrt makes it for the same names.
#include <gtest/gtest.h>

#include <string>

#include "foundation/global.h"
#include "support/desk.h"
#include "wavelib/wavelist.h"
#include "windows/kit/kitctl.h"
#include "windows/kit/kitui.h"

namespace {

class KitTest : public DeskTest {
protected:
    _sWindow *win() { return editKitWindowPtr(); }
    // Types (ASCII) or commits (UTF-8, an input method) into the name or sub-name field.
    void enter(bool sub, const std::string &text, bool ime) {
        then([this, sub, text, ime] {
            click(win(), sub ? 170 : 140, sub ? 70 : 32);
            if (ime) hlPostPaths(win(), OSEV_TEXT_INPUT, {text});
            else type(win(), text);
            key(win(), KS_RETURN);
        });
    }
    // Runs one session of the window on kit `kit`: `script` then OK (or `finish`).
    void session(int kit, const std::function<void()> &script, int finish = 0) {
        waveKitSelect(waveListKitPtr(G.currentWaveList, kit));
        during([] { return editKitGetIsWindow() == 1; });
        script();
        then([this, finish] {
            if (finish == 0) click(win(), 228, 142);
            else if (finish == 1) click(win(), 144, 142);
            else hlPostSimple(win(), OSEV_CLOSE_BOX);
        });
        runWindow(1018, editKitGetIsWindow);
    }
};

TEST_F(KitTest, NamesAtAndBeyondCapacityAsKvbrtWritesThemAndCancelKeepsTheKit) {
    sWaveList *list = G.currentWaveList;
    // ASCII at capacity (8 and 16), and beyond it: the field takes what fits.
    session(0, [&] {
        enter(false, "ABCDEFGHIJ", false);
        enter(true, "0123456789ABCDEFGH", false);
    });
    ASSERT_EQ(kvbrt({"kit", ref, "name", "0", "ABCDEFGH", "--sub", "0123456789ABCDEF"}), 0);

    // Japanese from an input method: two bytes a character, so an odd room
    // leaves the last byte free instead of half a character.
    session(1, [&] {
        enter(false, "ドラムキット", true);
        then([this] {
            click(win(), 170, 70);
            type(win(), "A");
            hlPostPaths(win(), OSEV_TEXT_INPUT, {"ドラムセットです"});
            key(win(), KS_RETURN);
        });
    });
    ASSERT_EQ(kvbrt({"kit", ref, "name", "1", "ドラムキ", "--sub", "Aドラムセットで"}), 0);

    // OK without typing writes the kit's own names back, with a file.
    std::string name = waveKitNamePtr(waveListKitPtr(list, 5)), sub = waveKitSubNamePtr(waveListKitPtr(list, 5));
    session(5, [] {});
    if (sub.empty()) ASSERT_EQ(kvbrt({"kit", ref, "name", "5", name}), 0);
    else ASSERT_EQ(kvbrt({"kit", ref, "name", "5", name, "--sub", sub}), 0);

    // Cancel and the close box keep the kit as it was.
    sKit *kit = waveListKitPtr(list, 2);
    name = waveKitNamePtr(kit), sub = waveKitSubNamePtr(kit);
    for (int finish : {1, 2}) {
        session(2, [&] {
            enter(false, "XX", false);
            enter(true, "YY", false);
        }, finish);
        EXPECT_EQ(waveKitNamePtr(kit), name) << finish;
        EXPECT_EQ(waveKitSubNamePtr(kit), sub) << finish;
    }

    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

}  // namespace
