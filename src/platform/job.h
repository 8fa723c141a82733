// job: long work on a worker thread under the progress window.
//
// Every long operation (scanning, saving, renumbering, deleting, importing,
// exporting, backups) runs as one job: a function on a worker thread, while
// the main thread keeps the progress window alive. The caller opens the window
// with the job (editProgressBarInit), then calls editProgressBarMain for as
// long as editProgressBarGetIsWindow says the window is there; to the caller a
// job is a blocking call that keeps the screen drawn. editProgressBarRun does
// exactly that in one call.
//
// Threads. Only one job runs at a time. The two threads share single words
// (ratio, redraw request, close request, the thread's end flags, the jobs'
// cancel flags); each is atomic. The job may change the wave library while it
// runs; the main thread leaves the library alone until the window has closed.
// Functions are for the main thread unless their comment says otherwise.
//
// Drawing. This layer owns the window, its event queue, its placement and its
// life cycle; what is drawn in it belongs to a progress view (sProgressView):
// the toolkit's widget on the desktop, a recorder in the scripted host, a
// progress line on a terminal. The view is the one installed with
// editProgressBarSetView, else the host's (sOsHost::progressView), else none.
//
// Questions. A job asks with editProgressBarMboxOpen(/Msg) from its worker;
// the request is handed to the main thread, which shows the box during its
// next pass of the wait loop while the worker waits for the answer.
#pragma once

#include <atomic>
#include <cstdint>
#include <pthread.h>

#include "platform/ghost.h"

// --- Worker thread --------------------------------------------------------------

// A job: called with the argument its caller gave (the job's input record)
// until it returns non-zero or the end is requested, and at least once. Every
// job of the program does its whole work in its first call and returns 1.
typedef int (*threadJobFn)(void *arg);
// A job's cancel function: asks the job running on `arg` to stop. Called on
// the main thread while the job runs on the worker.
typedef void (*threadCancelFn)(void *arg);

// One worker thread, allocated with owner tag "Thread".
struct _sMyThread {
    threadJobFn job;                  // the work; null runs an idle loop until asked to end
    void *arg;                        // handed to every call of `job`; owned by the caller
    pthread_t thread;                 // the worker; joined by threadDispose
    std::atomic<int32_t> endRequest;  // 1: the loop is asked to stop
    std::atomic<int32_t> ended;       // 1: the loop has finished
};

// Starts a worker running `job` with `arg` (interrupt signals are blocked on
// it, so Ctrl-C always reaches the main thread); `arg` must outlive the
// worker. Returns the record, or null when memory runs out or the thread
// cannot be started (nothing left allocated).
_sMyThread *threadCreate(threadJobFn job, void *arg);
// Asks the worker's loop to stop after the current call of the job. Null is
// ignored. Any thread.
void threadSetEndRequest(_sMyThread *t);
// Returns 1 once the worker's loop has finished, else 0 (0 for null). Any thread.
int threadGetEnd(const _sMyThread *t);
// Asks the loop to stop, waits until the worker has finished (answering the
// questions it asks meanwhile, see editProgressBarMboxOpen) and frees the
// record. Null is ignored.
void threadDispose(_sMyThread *t);

// --- Progress view --------------------------------------------------------------

// What draws the progress window's content. Every entry may be null; all are
// called on the main thread.
struct sProgressView {
    // The window opened: show `message` (UTF-8) and a Cancel button only when
    // `hasCancel`. `window` is the 300 x 100 progress window, or null on a host
    // without windows; `noParent` 1 when it is centred on the display.
    void (*open)(_sWindow *window, const char *message, int hasCancel, int noParent);
    // The job's progress: 1.0 at most, possibly below 0 (then no bar is drawn).
    void (*setRatio)(float ratio);
    // The text line was replaced (UTF-8).
    void (*setMessage)(const char *message);
    // One pass of the wait loop with the window event it read (code 0 and
    // value 0 when none): input, drawing. A Cancel press found here is
    // reported with editProgressBarCancelPress, a request to close with
    // editProgressBarSetWindowCloseRequest.
    void (*step)(uint16_t code, int32_t value, char key);
    // The window is about to be disposed of.
    void (*close)(void);
};

// Installs the view that wins over the host's (null: the host's again). Call
// while no progress window is open. Never fails.
void editProgressBarSetView(const sProgressView *view);

// Calls into the window controllers above this layer; any entry may be null.
// Each gets `user` back.
struct sProgressBarCallbacks {
    _sWindow *(*mainWindow)(void *user);            // the main window, over which the progress window is placed
    void (*mainAble)(void *user, int on);           // enables (1) / disables (0) the main window's input
    const wchar_t *(*text)(void *user, int id);     // string-table text `id` (never null)
    void (*help)(void *user);                       // opens the help document (menu command 1022)
    void *user;
};

// Copies the callbacks (null: clears them). Never fails.
void editProgressBarSetCallbacks(const sProgressBarCallbacks *callbacks);

// --- Progress window ------------------------------------------------------------

// Opens the progress window when it is not open (over the main window, or
// centred on the display with `noParent`), shows `message` (UTF-8, may be
// null) and starts `job` (may be null: a window without a job, closed by a
// close request) on `arg`, its input record, which must stay valid until the
// window has closed, with `cancel` (may be null: no Cancel button) as its
// cancel function. With the window already open only the ratio is reset and
// the new job started. Returns 0; -1 when the job cannot be started: the
// window is closed again then and the job never runs.
int editProgressBarInit(threadJobFn job, void *arg, threadCancelFn cancel, int noParent, const char *message);
// One pass of the wait loop: handles the window's events, serves a pending
// question of the job, hands the ratio to the view, and closes the window once
// the job has ended and the host's hold time (sOsHost::progressHoldMs) has
// passed with a full bar. Does nothing when the window is not open.
void editProgressBarMain(void);
// Returns 1 while the window is open, else 0.
int editProgressBarGetIsWindow(void);
// Closes everything: waits for the job to end (serving its questions), closes
// the view, frees the queue and the window, enables the main window again and,
// when the window was over it, activates it. Returns 0; nothing happens when
// the window is not open.
int editProgressBarTerm(void);
// Opens the window with `job` on `arg`, spins the wait loop until it has
// closed and returns 0; -1 when the job could not be started. `cancelPresses`
// (may be null) gets the number of Cancel presses during the job: on a
// terminal, the number of times Ctrl-C was pressed while it ran.
int editProgressBarRun(threadJobFn job, void *arg, threadCancelFn cancel, int noParent, const char *message,
                       int *cancelPresses);

// Stores the job's progress, replacing a value above 1.0 by 1.0 (one below 0
// is kept; NaN counts as 0). Any thread.
void edtiProgressBarSetRatio(float ratio);
// Asks for the bar to be redrawn. Any thread.
void editProgressBarUpdateRequest(void);
// One step of a counted job: increments gnReadFile and sets the ratio to
// gnReadFile / gReadFileMax (left unchanged while the maximum is not above 0),
// then asks for a redraw. Any thread.
void pbarRatio(void);
// Steps done and steps planned of a counted job; the job sets both before it starts.
extern std::atomic<int32_t> gnReadFile;
extern std::atomic<int32_t> gReadFileMax;

// Asks the window to close; it closes once the job has ended. Any thread.
void editProgressBarSetWindowCloseRequest(void);
// Replaces the text line (UTF-8, null: empty) while the window is open.
void editProgressBarSetMessage(const char *text);
// Enables or disables the progress window's input. Null window: nothing.
void edtiProgressBarAble(int able);
// Returns 1 when the open window was placed over the main window, else 0.
int editProgressBarGetParent(void);
// Returns the progress window, null when closed or on a host without windows.
_sWindow *editProgressBarGetWindow(void);
// The Cancel button was pressed (the view calls this): calls the job's cancel
// function with the job's argument, once per press, when it has one, and counts the press for
// editProgressBarRun. Nothing while the window is closed.
void editProgressBarCancelPress(void);

// Shows a message box of `kind` (MBOX_KIND_*) with the string-table texts
// `title` and `message` over the progress window and returns the button
// (MBOX_*, as ghostMBoxOpen). On the worker the
// box is shown by the main thread in its wait loop and the worker waits for the
// answer. Any thread.
int editProgressBarMboxOpen(int title, int message, int kind);
// The same with a ready text (wide, never cut) as the message. Any thread.
int editProgressBarMboxOpenMsg(int title, const wchar_t *text, int kind);
