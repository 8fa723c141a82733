// cmd_play: `kvbrt play VOLUME WAVE [--volume 0-1000] [--loop] [--json]`,
// hearing one wave of a card.
//
// The card is scanned read-only, as for `info`; the wave is then selected and
// played by the same preview player the main window uses, through the
// default sound output, with the volume in thousandths and the loop setting
// given here (applied as the main window applies its play button's values).
// One line (with --json one object) names the wave, its length in
// milliseconds and its channels before playing starts.
//
// Without --loop the command returns when the wave has played to its end.
// Ctrl-C is caught while the command runs: it stops playing at once and the
// sound output is closed in order; the command then exits 130 like every
// interrupted command, which is also how a --loop run ends.
//
// Failures (exit 1): no wave of that number; its audio file cannot be read or
// is not 44100 Hz 16-bit (the message names the file); no sound output. A bad
// --volume is a usage error (exit 2).
#pragma once

#include "cli/cli.h"

// Registers the `play` subcommand on `app`. Never fails.
void cliAddPlay(CLI::App &app, sCliContext *ctx);
