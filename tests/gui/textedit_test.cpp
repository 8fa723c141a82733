// The text editor and the text widget over Shift-JIS names: no key, click
// or committed text ever leaves half a double-byte character behind.
#include <gtest/gtest.h>

#include <random>

#include "foundation/str.h"
#include "gui/sjis.h"
#include "gui/text.h"
#include "gui/textedit.h"
#include "gui_fixture.h"

namespace {

constexpr int kLeft = 137, kRight = 139, kReturn = 220, kBackspace = 223, kDelete = 224;

std::string sjis(const char *utf8) { return strUtf8ToSjis(utf8); }

struct Editor {
    _sgifTextEdit *e;
    Editor(const std::string &text, int capacity, int digitsOnly = 0)
        : e(gifTextEditCreate(0, 0, 200, 14, text.c_str(), 12, capacity, digitsOnly, gifGrey(0), gifGrey(0.3f))) {}
    ~Editor() { gifTextEditDispose(e); }
    void key(int code, int ch = 0, uint32_t qual = 0) { gifTextEditDoCalc(e, 0, 0, 0, qual, code, 1, ch); }
    void press(int x, int value = 1) { gifTextEditDoCalc(e, x, 5, BUT_LEFT, 0, WEV_MOUSE_LEFT, value, 0); }
    std::string text() const { return gifTextEditGetTextPtr(e); }
    // A new editor has its cursor at the start; most cases type at the end.
    Editor &atEnd() {
        e->cursor = e->anchor = int(text().size());
        return *this;
    }
};

TEST(TextEdit, RandomEditsOfJapaneseNamesKeepWholeCharacters) {
    const char *names[] = {"キック", "太鼓", "Kick太鼓2", "ｷｯｸ", "スネアドラム", "ソャ表ポ"};
    const std::wstring inserted = L"xド";
    std::mt19937 rng(11);
    for (const char *utf8 : names) {
        std::wstring allowed = testWide(utf8) + inserted;
        for (int capacity : {12, int(sjis(utf8).size()), 5}) {
            Editor ed(sjis(utf8), capacity);
            ASSERT_NE(ed.e, nullptr);
            for (int step = 0; step < 400; step++) {
                switch (rng() % 9) {
                case 0: ed.key(kLeft); break;
                case 1: ed.key(kRight); break;
                case 2: ed.key(kLeft, 0, QUAL_SHIFT); break;
                case 3: ed.key(kRight, 0, QUAL_SHIFT); break;
                case 4: ed.key(kBackspace); break;
                case 5: ed.key(kDelete); break;
                case 6: ed.key('x', 'x'); break;
                case 7: gifTextEditCommit(ed.e, "ド"); break;
                default: ed.press(int(rng() % 80)); ed.press(int(rng() % 80)); break;
                }
                const std::string t = ed.text();
                ASSERT_LE(int(t.size()), capacity);
                ASSERT_EQ(gifCharFloor(t.c_str(), ed.e->cursor), ed.e->cursor) << "cursor inside a character";
                ASSERT_EQ(gifCharFloor(t.c_str(), ed.e->anchor), ed.e->anchor) << "anchor inside a character";
                for (wchar_t c : testWide(strSjisToUtf8(t)))
                    ASSERT_NE(allowed.find(c), std::wstring::npos) << utf8 << ": became " << strSjisToUtf8(t);
            }
        }
    }
}

TEST(TextEdit, KeysAndCommittedTextSelectDeleteAndTypeAsNamesNeed) {
    {  // The first press selects all; typing replaces it.
        Editor ed("KICK", 12);
        ed.press(5);
        ed.key('s', 's');
        EXPECT_EQ(ed.text(), "s");
        EXPECT_EQ(ed.e->cursor, 1);
    }
    {  // Full: typing without a selection changes nothing; over a selection it replaces.
        Editor ed(sjis("スネアドラム"), 12);
        ed.atEnd().key('x', 'x');
        EXPECT_EQ(ed.text(), sjis("スネアドラム"));
        ed.key(kLeft, 0, QUAL_SHIFT);
        ed.key('x', 'x');
        EXPECT_EQ(ed.text(), sjis("スネアドラx"));
    }
    {  // Shift+Left selects one character; Left alone collapses; Backspace at 0 deletes nothing.
        Editor ed(sjis("太鼓ab"), 12);
        ed.e->cursor = ed.e->anchor = 4;
        ed.key(kLeft, 0, QUAL_SHIFT);
        EXPECT_EQ(ed.e->cursor, 2);
        EXPECT_EQ(ed.e->anchor, 4);
        ed.key(kLeft);
        EXPECT_EQ(ed.e->cursor, 0);
        EXPECT_EQ(ed.e->anchor, 0);
        ed.key(kBackspace);
        EXPECT_EQ(ed.text(), sjis("太鼓ab"));
        ed.key(kDelete);
        EXPECT_EQ(ed.text(), sjis("鼓ab"));
    }
    {  // Only characters 0x20-0x7E are typed: Ctrl+K types none, a Latin-1 key none.
        Editor ed("ab", 12);
        ed.atEnd().key('k', 0);
        ed.key(171, char(0xE9));
        ed.key(171, '!');
        EXPECT_EQ(ed.text(), "ab!");
    }
    {  // Digits only.
        Editor ed("1", 4, 1);
        ed.atEnd().key('a', 'a');
        ed.key(221, ' ');
        ed.key(150, '0');
        EXPECT_EQ(gifTextEditCommit(ed.e, "2x"), -1);
        EXPECT_EQ(gifTextEditCommit(ed.e, "23"), 2);
        EXPECT_EQ(ed.text(), "1023");
    }
    {  // Return ends the editing and says so; a double click reopens with everything selected.
        Editor ed("ab", 12);
        ed.key(kReturn);
        EXPECT_EQ(gifTextEditIsEnd(ed.e), 0);
        EXPECT_EQ(ed.e->returned, 1);
        ed.press(3, 2);
        EXPECT_EQ(gifTextEditIsEnd(ed.e), -1);
        EXPECT_EQ(ed.e->anchor - ed.e->cursor, 2);
    }
    {  // Committed text is Shift-JIS or refused whole, and only whole characters fit.
        Editor ed(sjis("ab"), 8);
        ed.atEnd();
        EXPECT_EQ(gifTextEditCommit(ed.e, "€😀"), -1);   // no Shift-JIS form: not turned into spaces
        EXPECT_EQ(gifTextEditCommit(ed.e, "a\tb"), -1);  // control characters
        EXPECT_EQ(ed.text(), "ab");
        EXPECT_EQ(gifTextEditCommit(ed.e, "タムタム"), 6);  // 8 bytes, 6 free: three whole characters
        EXPECT_EQ(ed.text(), sjis("abタムタ"));
        EXPECT_EQ(gifTextEditCommit(ed.e, "ム"), 0);
    }
}

using TextWidgetTest = GuiTest;

TEST_F(TextWidgetTest, ReturnOnlyFieldsKeepTheOldTextWhenLeftOtherwise) {
    auto *field = screen->add<CgifUIText>();
    field->setWorldLeftTopPos(100, 100);  // 100 x 14
    field->setMessageData("KICK");
    field->setFlags(TEXT_RETURN_ONLY);
    field->setCapacity(8);
    click(120, 107);
    typeText("Snare");
    click(300, 250);  // outside
    run();
    EXPECT_STREQ(field->getMessageData(), "KICK");
    EXPECT_EQ(screen->objects->getCount(), 0);
    click(120, 107);
    typeText("Snare drum");
    type(KS_RETURN, "\r");
    run();
    EXPECT_STREQ(field->getMessageData(), "Snare dr");
    // Other fields edit in place too; text the input method committed reaches
    // the held widget with its event, and the screen's end-edit flag closes an
    // open editor at the next event.
    field->clearFlags(TEXT_RETURN_ONLY);
    click(120, 107);
    typeText("Tom");
    hlPostPaths(win, OSEV_TEXT_INPUT, {"ア"});
    run();
    EXPECT_EQ(field->editing, 1);
    EXPECT_EQ(screen->system.textEditing, 1);
    EXPECT_EQ(screen->objects->getCount(), 1);
    EXPECT_STREQ(field->getMessageData(), "Snare dr") << "the text changes only when editing ends";
    screen->system.endEdit = 1;
    move(1, 1);
    run();
    EXPECT_STREQ(field->getMessageData(), sjis("Tomア").c_str());
    EXPECT_EQ(screen->system.endEdit, 0);
    EXPECT_EQ(field->editing, 0);
    EXPECT_EQ(screen->system.textEditing, 0);
    EXPECT_EQ(screen->reports.back(), "release");
}

}  // namespace
