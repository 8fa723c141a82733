// `kvbrt volumes`: the mounted volumes, and which hold a device folder.
#pragma once

#include "cli/cli.h"

// Registers `volumes [--json]` on `app`. Never fails.
void cliAddVolumes(CLI::App &app, sCliContext *ctx);
// Returns whether the folder `root` holds "Korvan/KVB-RT/" (either name in
// any case). Changes nothing.
bool cliVolumeHasDeviceFolder(const char *root);
