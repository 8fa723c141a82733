// headless: the scripted host the tests drive the program through.
//
// Windows are pbuffers of one EGL context on Mesa's software renderer
// (surfaceless platform, compatibility profile), so screens draw real pixels
// without a display and a test can read them back. Everything the machine
// would answer is set by the test instead: mounted volumes, the answers of
// message boxes and of the file, folder and storage-select dialogs, dropped
// files, the language and the clock. Every call the layer makes into the host
// is recorded as one line of text ("messageBox 1 Question: Delete?") so tests
// can assert on what the program asked for; only the clock, the language, the
// window geometry and the pump, asked all the time, are left out of the log.
// The progress view records the progress window's content the same way
// ("progressOpen Saving cancel=1 parent=1", "progressRatio 0.5",
// "progressMessage ...", "progressClose"); a finished window closes at once
// unless the test sets a hold time and moves the clock.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ghost.h"

// --- Installing -------------------------------------------------------------------

// The scripted host's function table. Never fails.
const sOsHost *hlHost(void);
// Installs the scripted host with an empty script and log. Never fails.
void hlInstall(void);
// Empties the script, the log and the answers; windows stay. Never fails.
void hlReset(void);

// --- Script -----------------------------------------------------------------------

// Adds a mounted volume (path gets a trailing "/" when it has none).
void hlAddVolume(const char *name, const char *path, const char *fsType);
// Removes every volume. Never fails.
void hlClearVolumes(void);
// Queues the result of the next message box (MBOX_*); unscripted boxes
// answer 0, which the layer takes as "no" / "cancel".
void hlPushMessageBoxAnswer(int answer);
// Queues the paths the next open dialog returns; an empty list cancels it.
void hlPushFileDialogAnswer(const std::vector<std::string> &paths);
// Queues the folder the next folder dialog returns; "" cancels it.
void hlPushDirDialogAnswer(const std::string &folder);
// While the storage-select dialog is open, the next pump chooses list entry
// `index` (when >= 0) and closes the dialog with `result`.
void hlSetStorageDialogAnswer(int result, int index);
// What the next ejects return (hlReset: 0, success).
void hlSetEjectResult(int result);
// The preferred language as a desktop would spell it ("ja-JP"); "" for none.
void hlSetLanguage(const char *spelled);
// The wall clock in milliseconds. Never fails.
void hlSetClock(int64_t ms);
// The display size. Never fails.
void hlSetDisplaySize(int w, int h);
// How long a finished progress window stays up (hlReset: 0). Never fails.
void hlSetProgressHold(int ms);
// The next pass of the progress window's wait loop sees one more press of
// its Cancel button (on the main thread, as a real press). Never fails.
void hlPressProgressCancel(void);
// Makes the nth file operation from now fail with `err` (0 disarms).
void hlFailFileOperation(long n, int err);
// Makes the nth tracked allocation from now fail (0 disarms).
void hlFailAllocation(long n);

// --- Events -----------------------------------------------------------------------
// Each posts one platform event for `window`; it is handled by the next
// ghostEventsProcess. Coordinates are client coordinates; for the wheel, y
// is the turn.

void hlPostKey(_sWindow *window, uint32_t keysym, const char *text, bool down);
void hlPostMouse(_sWindow *window, int number, int button, int x, int y);
void hlPostMenu(_sWindow *window, int code);
void hlPostSimple(_sWindow *window, int number);
void hlPostPaths(_sWindow *window, int number, const std::vector<std::string> &paths);
// Moves and resizes the window's client area, then posts the resize event
// (the move event with `moved`).
void hlSetWindowGeometry(_sWindow *window, int x, int y, int w, int h, bool moved = false);

// --- Observing --------------------------------------------------------------------

// Every call the layer made into the host since the last reset, in order.
const std::vector<std::string> &hlCalls(void);
// Number of recorded calls that begin with `prefix`.
int hlCallCount(const char *prefix);
// Whether menu item `code` is enabled / checked as the host was last told.
bool hlMenuEnabled(int code);
bool hlMenuChecked(int code);
// Whether the progress view is open / the ratio it was last given.
bool hlProgressShown(void);
float hlProgressRatio(void);
// Whether the window is shown / accepts input as last told.
bool hlWindowShown(_sWindow *window);
bool hlWindowEnabled(_sWindow *window);
// Whether windows get GL contexts; on false `why` says what EGL answered.
bool hlGlAvailable(std::string *why);
// The live windows, oldest first. Never fails.
std::vector<_sWindow *> hlWindows(void);
// Calls `hook` at every pump of the host: the wait point of the main loop and
// of every nested loop, so a script can act while a modal window runs its
// own loop. Null removes it. Never fails.
void hlSetPumpHook(void (*hook)(void *user), void *user);
// Reads RGBA pixels from the window's pbuffer (origin bottom left) after
// making its context current. Returns 0, -1 without GL.
int hlReadPixels(_sWindow *window, int x, int y, int w, int h, uint8_t *rgba);
