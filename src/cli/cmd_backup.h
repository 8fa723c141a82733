// cmd_backup: `kvbrt backup VOLUME DIR`, saves the card into DIR/KVB-RT-BKUP-ALL.kvb.
//
// Scans the card (deleting nothing), writes its category list and wave list
// files as the desktop program does before a backup, and archives every card
// file below "Korvan/". An existing backup in DIR is replaced only after the
// question is answered yes (--yes); a declined question writes nothing at all
// and exits 1. A failed or interrupted backup (Ctrl-C cancels it; exit 130)
// leaves an existing backup as it was. Prints the backup's path (with --json:
// path, files and bytes).
#pragma once

#include "cli/cli.h"

// Registers the `backup` subcommand on `app`. Never fails.
void cliAddBackup(CLI::App &app, sCliContext *ctx);
