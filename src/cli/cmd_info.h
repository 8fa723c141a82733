// cmd_info: `kvbrt info VOLUME [--json]`, the whole library of a card.
//
// The card is scanned read-only: nothing is deleted or written, and orphan or
// damaged parameter files are reported on stderr instead, one line each,
// naming the file and the reason. The command succeeds when the card was
// read, whatever it reported.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"

struct sWave;
struct sWaveList;
struct sStorageNote;
struct sStorageWavePrm;
struct sTag;

// What the audio header of one wave tells.
struct sCliAudioFacts {
    uint64_t size = 0;       // the audio file's whole size; 0 when the wave has no audio node
    int rate = 0;            // sample rate; 0 when the header could not be read
    int bits = 0;            // bits per sample
    int channels = 0;        // channel count
    double seconds = -1;     // length of the sound; negative when unknown
};

// The scan's parameter node of each wave, indexed by wave number (null where
// there is none). Built once per scan, so a whole-card listing stays linear.
using CliWavePrmIndex = std::vector<const sStorageWavePrm *>;

// Registers the `info` subcommand on `app`. Never fails.
void cliAddInfo(CLI::App &app, sCliContext *ctx);

// Scans the card at `root` read-only, reports every note of the scan on the
// error stream and returns the library (the caller disposes of it); null,
// with the reason reported, when the card cannot be read or has no device
// folder. Shared by the commands that read a whole card.
sWaveList *cliScanVolume(sCliContext *ctx, const std::string &root);
// Returns the reason a scan note gives, as one line. Never fails.
std::string cliStorageNoteReason(const sStorageNote *note);

// --- Shared by the commands that show waves ------------------------------------

// Returns the index of `list`'s parameter nodes. Changes nothing.
CliWavePrmIndex cliWavePrmIndex(const sWaveList *list);
// Returns the facts of the audio file `node` names; zeros (and an error line
// naming the file when the header cannot be read) otherwise. Never fails.
sCliAudioFacts cliAudioFacts(sCliContext *ctx, const sStorageWavePrm *node);
// Returns the JSON object `info --json` gives for `wave` (number, name,
// name_hex, category, category_index, file, size, rate, bits, channels), plus
// "seconds" (null when unknown) when `withSeconds`. Never fails.
nlohmann::ordered_json cliWaveJson(const sWaveList *list, const sWave *wave, const sCliAudioFacts &facts,
                                   bool withSeconds);
// Returns where `tag` stands in the display order, 1 being shown first; 0
// when the order view does not hold it.
int cliTagPosition(const sWaveList *list, const sTag *tag);
