// cmd_export: `kvbrt export VOLUME WAVE... --to DIR [--json]`, the audio files
// of waves out of a card.
//
// Each WAVE is a wave number or a wave name (every wave of that name, without
// regard to case). The files are exported exactly as the desktop program's
// export does it, as one job: named after the wave's name with the stored
// file's extension, never replacing a file in DIR (a taken name gets a
// running number). Each wave not exported is named on stderr with the reason.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

struct sWave;
struct sWaveList;

// Registers the `export` subcommand on `app`. Never fails.
void cliAddExport(CLI::App &app, sCliContext *ctx);
// Appends to `*out` the waves of `list` the WAVE arguments name (a number, or
// every wave of a name without regard to case), in argument order. Returns
// false when an argument names none, each such one named on stderr.
bool cliFindWaves(sCliContext *ctx, sWaveList *list, const std::vector<std::string> &args, std::vector<sWave *> *out);
