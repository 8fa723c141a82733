// Driving the desktop program's windows on the scripted host: a demo card
// opened in the main window with every secondary window registered, and a
// script of actions that runs from inside the nested loops a secondary window
// runs (each pump of the host runs the first waiting action; one returning
// true is done and the next waits for the next pump).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "support/test_util.h"

struct sWave;
struct sTag;

class DeskTest : public ::testing::Test {
protected:
    ScratchDir scratch;
    std::string card = scratch / "card";
    std::string ref = scratch / "ref";
    ScopedEnv config{"XDG_CONFIG_HOME", (scratch / "config").c_str()};
    ScopedEnv audio{"SDL_AUDIODRIVER", "dummy"};

    // Two demo cards (card: the program's, ref: kvbrt's), the scripted host
    // with the pump script, the windows registered, the program on `card`.
    void SetUp() override;
    void TearDown() override;
    // SetUp without starting the program, for tests that start it themselves.
    void prepare();
    // Starts the program on `folder` as the command line names it (empty: none)
    // and, after `beforePasses`, runs passes until the card is open or the
    // program waits on the dialog. Returns usiStart's result.
    int start(const std::string &folder, const std::function<void()> &beforePasses = {});

    // Passes of the main loop.
    void pass(int n = 3);
    // Queues an action / an action done once, run from the pump.
    void during(std::function<bool()> action);
    void then(std::function<void()> action);
    // Whether every queued action ran.
    bool scriptDone() const;
    // Opens a secondary window by menu command `code`, runs `passes` passes
    // and expects the whole script run and the window (`isWindow`) closed.
    void runWindow(int code, int (*isWindow)(void), int passes = 4);

    // Input to `window` (client coordinates): a button pressed and released
    // apart (for drags) or as a click, a key, typed text.
    void press(_sWindow *window, int x, int y, int button = OS_BUTTON_LEFT);
    void release(_sWindow *window, int x, int y, int button = OS_BUTTON_LEFT);
    void click(_sWindow *window, int x, int y, int button = OS_BUTTON_LEFT);
    void key(_sWindow *window, uint32_t keysym, const char *text = nullptr);
    void type(_sWindow *window, const std::string &ascii);
    // The main window; the row of `item` in its list (-1: not shown).
    _sWindow *mainWin();
    int rowY(const void *item);
    sTag *tag(const char *name);
    sWave *wave(int number);
    // Selects wave `number` (opening its category) with a click; with
    // `add`, adds it to the selection (Ctrl).
    void selectWave(int number, bool add = false);

    // kvbrt on the reference card; the card equals the reference as kvbrt
    // leaves it (wave lists written) and passes its health check.
    int kvbrt(std::vector<std::string> args);
    void expectSameAsKvbrt();
    // Closes the program with Yes; returns its exit status.
    int closeYes();
};
