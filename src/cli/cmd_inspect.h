// cmd_inspect: `kvbrt inspect FILE [--json]`, a look inside one parameter file.
//
// The kind (wave parameter file, category list, kit, wave list) is told by the
// file's root element; names are shown as UTF-8 converted from the stored
// Shift-JIS bytes, with the bytes themselves in hex.
#pragma once

#include "cli/cli.h"

// Registers the `inspect` subcommand on `app`. Never fails.
void cliAddInspect(CLI::App &app, sCliContext *ctx);
