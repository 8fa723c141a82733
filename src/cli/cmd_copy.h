// cmd_copy: `kvbrt copy FROM_VOLUME TO_VOLUME WAVE... [--category NAME]
// [--convert] [--json]`, waves of one card onto another.
//
// Each wave is imported onto the target as `kvbrt import` imports a file
// (the next number, a clash-free file name, the room checked, one job), but
// keeps its name bytes and its category: the target's category of the same
// name, made there when missing, or DEFAULT with a note when the target
// already holds 20. The categories are written before any wave, so a wave on
// the target never names a category its list lacks. Pads are not copied.
// Both cards are locked, the source shared and the target exclusively, always
// in the order of their identities; two paths of one card are refused. A wave
// refused for itself is named on stderr with the reason and the rest go on.
#pragma once

#include "cli/cli.h"

// Registers the `copy` subcommand on `app`. Never fails.
void cliAddCopy(CLI::App &app, sCliContext *ctx);
