// docalc: the request step, run once per pass of the main loop.
//
// It serves what the windows raised during the pass (wavelib/request.h), in a
// fixed order: import, clearing the data-folder name cache, export, the kit
// save, the category list, renumbering, deletion, the wave save, the pad
// exchange, and last the sort. Each request that writes starts with the volume
// check; when the card has gone the user is told once (message 88), the main
// window is asked to close and every later writing request of the pass is
// dropped (waves and kits keep their marks). Long steps run as jobs under the
// progress window, so to its caller the step is one blocking call.
//
// This layer sits above the library and the transfers; what it must tell the
// main window goes through hooks the window registers. Every hook is
// optional: the command-line tool registers only what it needs.
#pragma once

struct sWaveList;

// --- Hooks into the windows above --------------------------------------------------

// Each hook gets `user` back.
struct sWaveCalcHooks {
    // Replace the import and export steps of `list` (tests that only watch the
    // order of service); without them the step runs waveImportCalc and waveExportCalc.
    void (*importCalc)(void *user, sWaveList *list, int selectImported);
    void (*exportCalc)(void *user, sWaveList *list);
    // Shows a message box over the main window (title and text are string
    // numbers; kind MBOX_KIND_*) and returns the button (MBOX_*). Without it the
    // platform's box is shown without a parent window.
    int (*messageBox)(void *user, int title, int text, int kind);
    // Asks the main window to redraw.
    void (*redraw)(void *user);
    // Asks the main window to close; with an error (the card has gone).
    void (*closeRequest)(void *user);
    void (*errorCloseRequest)(void *user);
    // Posts request event `code` with `value` to the main window's queue
    // (20 with a pad slot after the pad exchange).
    void (*postRequest)(void *user, int code, int value);
    // Switches menu entry `code` on or off.
    void (*menuOnOff)(void *user, int code, int on);
    // Refreshes the enabled state of the wave and pad menu entries.
    void (*menuWaveAndPadAble)(void *user);
    // Resets the main window's wave parameter display.
    void (*resetWaveParameter)(void *user);
    void *user;
};

// Copies the hooks (null: clears them). Never fails.
void waveDoCalcSetHooks(const sWaveCalcHooks *hooks);

// --- The request step -------------------------------------------------------------------

// Serves every raised request for `list`, writing to the library's card; does
// nothing for null. Failures are shown and noted in gWaveRequestFailure
// (wavelib/request.h), which this step does not clear.
void waveDoCalc(sWaveList *list);
// What the last step's import and export jobs returned (waveImportCalc,
// waveExportCalc: files or waves not done, or a negative failure); 0 when
// they had nothing to do or were replaced by hooks. Changes nothing.
int waveDoCalcImportResult(void);
int waveDoCalcExportResult(void);
