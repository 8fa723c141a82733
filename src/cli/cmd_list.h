// cmd_list: `kvbrt list VOLUME [--sort number|name|category] [--category NAME]
// [--json]`, one line per wave: number, name, category, audio file, length in
// seconds; with --json one document {volume, waves[]} whose wave objects are
// those of `info --json` plus "seconds".
//
// The card is scanned read-only, as for `info`. Orders: by wave number; by
// name (the device's alphabetical order: twelve name bytes, letters folded,
// then the number); by category (categories in their display order, each
// one's waves by number). --category keeps the waves of one category.
#pragma once

#include "cli/cli.h"

// Registers the `list` subcommand on `app`. Never fails.
void cliAddList(CLI::App &app, sCliContext *ctx);
