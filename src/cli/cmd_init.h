// cmd_init: `kvbrt init VOLUME`, sets up a card that has no device folder.
//
// Makes the device tree (Korvan/KVB-RT/ with KIT, WAVE/DATA, WAVE/PRM and
// SYSTEM) and writes the category list of a new library (the one category
// DEFAULT), as the desktop program does when its user agrees to set a card up.
// No kit or wave list files are written: kit files appear once a kit is
// edited. A volume that already holds a device folder, in any case, is
// refused and left as it is.
#pragma once

#include <string>

#include "cli/cli.h"

// Registers the `init` subcommand on `app`. Never fails.
void cliAddInit(CLI::App &app, sCliContext *ctx);
// Makes the device tree below `root` and writes the category list of a new
// library, reporting a failure on the error stream. Returns 0, or -1 (what
// was made stays). Shared with `demo`, which sets its card up the same way.
int cliInitDeviceTree(sCliContext *ctx, const std::string &root);
