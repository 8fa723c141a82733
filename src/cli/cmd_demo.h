// cmd_demo: `kvbrt demo DIR`, a complete demo card for a new user to try
// every command on.
//
// DIR must be empty or absent; anything else is refused before a file is
// touched. The card is built the way a user would build it, through the
// library's own paths: the device tree as `init` makes it, categories made
// and the category list written by the request step, the synthesiser's sounds
// (transfer/synth.h) rendered into a temporary folder outside DIR and
// imported through the import requests, pads set in three named kits whose
// files the kit save writes, and the three wave list files. Nothing in those
// files depends on the clock, so two runs give the same bytes in every file.
#pragma once

#include "cli/cli.h"

// Registers the `demo` subcommand on `app`. Never fails.
void cliAddDemo(CLI::App &app, sCliContext *ctx);
