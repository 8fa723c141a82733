// cmd_restore: `kvbrt restore VOLUME DIR|FILE`, puts a backup back onto a card.
//
// FILE is a backup file; for a folder DIR the backup is DIR/KVB-RT-BKUP-ALL.kvb.
// Asks before replacing the card's files (--yes answers). The whole backup is
// verified first (a damaged or hostile one changes nothing), unpacked into a
// hidden staging folder on the card and only then put in place by renames,
// so a failure or Ctrl-C (exit 130) leaves the old card. A volume without a
// device folder is set up from the backup. When the card has no room for the
// staging copy the restore stops, unless --no-staging allows it to restore in
// place (the old files are then removed first). Prints what was restored
// (with --json: path, files, bytes, inPlace).
#pragma once

#include "cli/cli.h"

// Registers the `restore` subcommand on `app`. Never fails.
void cliAddRestore(CLI::App &app, sCliContext *ctx);
