// cmd_import: `kvbrt import VOLUME FILE... [--category NAME] [--json]`, audio
// files into new waves of a card.
//
// The files are requested and imported exactly as the desktop program's
// import does it, as one job: each 44100 Hz 16-bit WAV or AIFF file becomes
// a wave with the next number, in DEFAULT or the named category. A file
// refused for itself is named on stderr with the reason and the rest go on;
// a full library, no number left or no room on the card stop the batch. An
// unknown category stops the command before anything is copied.
#pragma once

#include <string>

#include "cli/cli.h"

struct sWaveList;

// Registers the `import` subcommand on `app`. Never fails.
void cliAddImport(CLI::App &app, sCliContext *ctx);
// Reports on the error stream a transfer job that could not be run or whose
// closing sync failed, `calc` being what waveImportCalc / waveExportCalc
// returned, `where` the folder written and `what` the files ("imported").
// Returns whether it reported anything.
bool cliTransferJobFailed(sCliContext *ctx, int calc, const std::string &where, const char *what);
// Runs the request step for `list` as the desktop program's main loop does,
// with the import and export requests it serves. Returns what the one that
// had requests returned (waveImportCalc / waveExportCalc); 0 with none.
int cliTransferRequestStep(sWaveList *list);
