// cmd_check: `kvbrt check VOLUME [--json] [--fix]`, the health check of a
// card and its safe repair.
//
// Without --fix the card is only read and every problem found is listed with
// the file concerned. With --fix the repair plan is printed first; after the
// question is answered yes (--yes / --no / asked on the terminal) the
// repairs that lose no audio are made (an interrupted restore is finished, or
// rolled back where only that is possible, before anything else), and the
// card is checked again. Exit
// status: 0 when the card is healthy (after --fix: when nothing remains), 1
// when problems remain, the card cannot be read or the repair was declined,
// 2 usage. With --json, one document: {"volume", "free_bytes",
// "total_bytes", "healthy", "findings":[{kind, file, detail, repair}]} and,
// with --fix, "repaired":[{repair, file, detail, ok}] and "remaining":[...].
#pragma once

#include "cli/cli.h"

// Registers the `check` subcommand on `app`. Never fails.
void cliAddCheck(CLI::App &app, sCliContext *ctx);
