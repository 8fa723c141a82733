// Driving the desktop program's windows. See desk.h.
#include "support/desk.h"

#include <deque>

#include "app/usi.h"
#include "foundation/global.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/mainctl.h"
#include "windows/main/wavutil.h"
#include "windows/secondary.h"

namespace {

const std::string kBuild = KVB_BUILD_ROOT;
const std::string kKvbrt = kBuild + "/bin/kvbrt";

// Pumps without the script moving on before a test is taken as stuck.
constexpr int kStallPumps = 20000;

std::deque<std::function<bool()>> gScript;
sOsHost gHost;
void (*gPump)(void) = nullptr;
int gIdle = 0;
// Pumps left before the next action: the windows finish with what the last
// one did (a step polls again before it reads its notifications).
int gSettle = 0;
constexpr int kSettlePumps = 4;
bool gInAction = false;
int64_t gClock = 1000000;

void scriptedPump() {
    gPump();
    if (gScript.empty() || gInAction) return;
    if (gSettle > 0) {
        gSettle--;
        return;
    }
    gInAction = true;
    bool done = gScript.front()();
    gInAction = false;
    if (done) {
        gScript.pop_front();
        gIdle = 0;
        gSettle = kSettlePumps;
    } else if (++gIdle > kStallPumps) {
        // A window waits for input the script will never give: end the
        // program as the system would, so the test fails instead of hanging.
        ADD_FAILURE() << "the script stalled with " << gScript.size() << " actions left";
        gScript.clear();
        ghostQuitRequest();
    }
}

}  // namespace

void DeskTest::SetUp() {
    prepare();
    if (HasFatalFailure()) return;
    start(card);
    ASSERT_NE(G.currentWaveList, nullptr);
}

void DeskTest::prepare() {
    ASSERT_EQ(testRunProgram({kKvbrt, "demo", card}), 0);
    ASSERT_EQ(testRunProgram({kKvbrt, "demo", ref}), 0);
    hlInstall();
    hlSetLanguage("en");
    gHost = *hlHost();
    gPump = gHost.pump;
    gHost.pump = scriptedPump;
    ghostHostInstall(&gHost);
    gScript.clear();
    gIdle = gSettle = 0;
    sMainSecondary secondary[MAIN_WINDOW_COUNT];
    editSecondaryWindows(secondary);
    editWaveUtilityInstall(secondary);
}

int DeskTest::start(const std::string &folder, const std::function<void()> &beforePasses) {
    std::string data = kBuild + "/share/kvb-rt-wave-manager";
    std::vector<std::string> args = {"kvb-rt-wave-manager"};
    if (!folder.empty()) args.push_back(folder);
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    int r = usiStart(int(argv.size()), argv.data(), data.c_str());
    if (beforePasses) beforePasses();
    for (int i = 0; i < 4 && r < 0 && !G.currentWaveList; i++) usiPass();
    return r;
}

void DeskTest::TearDown() {
    EXPECT_TRUE(gScript.empty()) << gScript.size() << " scripted actions never ran";
    gScript.clear();
    if (!usiFinished()) usiTerm(0);
    hlReset();
    ghostHostInstall(nullptr);
}

void DeskTest::pass(int n) {
    for (int i = 0; i < n && !usiFinished(); i++) usiPass();
}

void DeskTest::during(std::function<bool()> action) { gScript.push_back(std::move(action)); }

void DeskTest::then(std::function<void()> action) {
    gScript.push_back([action] {
        action();
        return true;
    });
}

bool DeskTest::scriptDone() const { return gScript.empty(); }

void DeskTest::runWindow(int code, int (*isWindow)(void), int passes) {
    hlPostMenu(mainWin(), code);
    pass(passes);
    ASSERT_TRUE(scriptDone());
    EXPECT_EQ(isWindow(), 0);
}

void DeskTest::press(_sWindow *window, int x, int y, int button) {
    // A second later each time: two clicks of a script are never a double click.
    hlSetClock(gClock += 1000);
    hlPostMouse(window, OSEV_MOUSE_MOVE, 0, x, y);
    hlPostMouse(window, OSEV_BUTTON_DOWN, button, x, y);
}

void DeskTest::release(_sWindow *window, int x, int y, int button) { hlPostMouse(window, OSEV_BUTTON_UP, button, x, y); }

void DeskTest::click(_sWindow *window, int x, int y, int button) {
    press(window, x, y, button);
    release(window, x, y, button);
}

void DeskTest::key(_sWindow *window, uint32_t keysym, const char *text) {
    hlPostKey(window, keysym, text, true);
    hlPostKey(window, keysym, text, false);
}

void DeskTest::type(_sWindow *window, const std::string &ascii) {
    for (char c : ascii) {
        const char text[2] = {c, 0};
        key(window, uint32_t(static_cast<unsigned char>(c)), text);
    }
}

_sWindow *DeskTest::mainWin() { return editWaveUtilityGetWindow(); }

int DeskTest::rowY(const void *item) {
    CgifFrWaveList *l = editWaveUtilityGetScreen()->list;
    for (int i = 0; i < l->rowCount; i++)
        if (l->rows[i].item == item) return int(kMwListY) + i * kMwRowH - l->scroll + kMwRowH / 2;
    return -1;
}

sTag *DeskTest::tag(const char *name) { return waveListTagFindName(G.currentWaveList, name); }
sWave *DeskTest::wave(int number) { return waveListFindWaveNumber(G.currentWaveList, number); }

void DeskTest::selectWave(int number, bool add) {
    sTag *t = waveWaveTagPtr(wave(number));
    if (!waveTagIsOpen(t)) {
        click(mainWin(), 40, rowY(t));
        pass();
    }
    if (add) hlPostKey(mainWin(), KS_CONTROL_L, nullptr, true);
    click(mainWin(), 150, rowY(wave(number)));
    if (add) hlPostKey(mainWin(), KS_CONTROL_L, nullptr, false);
    pass();
}

int DeskTest::kvbrt(std::vector<std::string> args) {
    args.insert(args.begin(), kKvbrt);
    return testRunProgram(args);
}

void DeskTest::expectSameAsKvbrt() {
    ASSERT_EQ(kvbrt({"wavelist", ref}), 0);
    auto a = testTreeSnapshot(card), b = testTreeSnapshot(ref);
    for (const auto &[path, bytes] : a)
        EXPECT_TRUE(b.count(path) && b[path] == bytes) << path << " differs from kvbrt's";
    for (const auto &[path, bytes] : b) EXPECT_TRUE(a.count(path)) << path << " is missing";
    EXPECT_EQ(kvbrt({"check", card}), 0);
}

int DeskTest::closeYes() {
    hlPushMessageBoxAnswer(MBOX_YES);
    hlPushMessageBoxAnswer(MBOX_OK);
    hlPostMenu(mainWin(), 1006);
    pass(10);
    EXPECT_TRUE(usiFinished());
    return usiExitStatus();
}
