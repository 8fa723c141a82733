// cmd_renumber: `kvbrt renumber VOLUME [--dry-run] [--json]`, closing the gaps
// in the wave numbers.
//
// The waves get the numbers 0, 1, 2, ... in their number order; audio and
// parameter files move with them and the pads follow. The dry run prints the
// plan the real run follows (every number change with its file moves, every
// orphan parameter file removal, every dangling pad slot cleared) and changes
// nothing. The real run prints the same plan, then what was done; when it
// stops at a wave whose files could not be moved or written, it names the
// file and the reason and fails.
#pragma once

#include "cli/cli.h"

// Registers the `renumber` subcommand on `app`. Never fails.
void cliAddRenumber(CLI::App &app, sCliContext *ctx);
