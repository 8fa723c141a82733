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

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "transfer/convert.h"

struct sWaveList;

// What became of one import request, as the import job reports it.
struct sCliImported {
    std::string source;  // the file
    int result;          // IMPORT_*
    int number;          // the new wave's number, -1 when not imported
    std::string name;    // its name (UTF-8)
    std::string file;    // "NN/name" below the data folder
    bool described;      // `how` holds what the conversion saw and did (--convert)
    sConvertResult how;
    std::string why;     // why it was not imported
};

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
// Runs the pending import requests into `list` (its card locked by the
// caller) and appends what became of each, in request order, to `*outcomes`
// (a request that could not even be made is the caller's to add). Returns
// what waveImportCalc returned; `*editStatus` is CLI_EXIT_FAILURE when the
// request step or the wave lists' write left something unwritten (reported).
int cliImportRun(sCliContext *ctx, sWaveList *list, std::vector<sCliImported> *outcomes, int *editStatus);
// Adds to `j` how a file imported under --convert reached the card: copied or
// converted, from what, and the gain applied. Nothing for one without. Never fails.
void cliImportHowJson(nlohmann::ordered_json &j, const sCliImported &o);
// Says on stderr, naming `what`, that the file was lowered to fit 16 bits,
// when it was. Never fails.
void cliImportGainNote(sCliContext *ctx, const std::string &what, const sCliImported &o);
