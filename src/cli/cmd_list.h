// cmd_list: `kvbrt list VOLUME [--sort number|name|category]`, one line per
// wave: number, name, category, audio file, length in seconds.
//
// The card is scanned read-only, as for `info`. Orders: by wave number; by
// name (the device's alphabetical order: twelve name bytes, letters folded,
// then the number); by category (categories in their display order, each
// one's waves by number).
#pragma once

#include "cli/cli.h"

// Registers the `list` subcommand on `app`. Never fails.
void cliAddList(CLI::App &app, sCliContext *ctx);
