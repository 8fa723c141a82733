// cmd_info: `kvbrt info VOLUME [--json]`, the whole library of a card.
//
// The card is scanned read-only: nothing is deleted or written, and orphan or
// damaged parameter files are reported on stderr instead, one line each,
// naming the file and the reason. The command succeeds when the card was
// read, whatever it reported.
#pragma once

#include <string>

#include "cli/cli.h"

struct sWaveList;
struct sStorageNote;

// Registers the `info` subcommand on `app`. Never fails.
void cliAddInfo(CLI::App &app, sCliContext *ctx);

// Scans the card at `root` read-only, reports every note of the scan on the
// error stream and returns the library (the caller disposes of it); null,
// with the reason reported, when the card cannot be read or has no device
// folder. Shared by the commands that read a whole card.
sWaveList *cliScanVolume(sCliContext *ctx, const std::string &root);
// Returns the reason a scan note gives, as one line. Never fails.
std::string cliStorageNoteReason(const sStorageNote *note);
