// cmd_duplicates: `kvbrt duplicates VOLUME [--json]`, groups of waves whose
// audio files hold the same bytes, with the pads that play each of them.
//
// Reads only; the card is scanned read-only, as for `info`. Finding a group
// or none is success either way (exit 0); a card that cannot be read is a
// failure. With --json, exactly one document:
// {"groups":[{"size":N,"waves":[{"number":N,"name":...,"file":...,
//   "pads":[{"kit":K,"pad":P,"sub":true|false}]}]}]} (pad 1-15, kit 0-99).
#pragma once

#include "cli/cli.h"

// Registers the `duplicates` subcommand on `app`. Never fails.
void cliAddDuplicates(CLI::App &app, sCliContext *ctx);
