// Small helpers shared by the benchmark programs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Returns seconds on the monotonic clock.
double benchNow();
// Runs `argv` (no shell) and waits; returns its exit status, -1 when it could not start.
int benchRun(const std::vector<std::string> &argv);
// As benchRun with the program's standard output thrown away (/dev/null).
int benchRunQuiet(const std::vector<std::string> &argv);
// Returns a fresh folder under `base` (or $TMPDIR, or /var/tmp).
std::string benchMakeDir(const char *base, const char *name);
// Removes a folder tree. Never fails loudly.
void benchRemoveTree(const std::string &path);
// Times our way (side 0) and the standard tool's (side 1) of doing the same
// work, alternating over two rounds so that neither always meets the warmer
// cache, and keeps each side's best time in best[side]. `run(side)` prepares
// and times one run and returns its seconds, negative when it failed. Returns
// false at the first failure; `best` then holds what was measured before.
bool benchBestOfTwo(double best[2], const std::function<double(int side)> &run);
// As benchBestOfTwo over `rounds` rounds.
bool benchBestOfRounds(double best[2], int rounds, const std::function<double(int side)> &run);
// --- Figures ---------------------------------------------------------------
// Every figure is printed twice: a line for people, and a line for bench/run,
// which gathers the figures of all programs into one table:
//   RESULT<TAB>figure=<label><TAB>ours=<value><TAB>anchor=<value><TAB>tool=<tool>
//         <TAB>ratio=<r><TAB>target=<t><TAB>met=<yes|no|->
// Fields are separated by one tab and are key=value; values never hold a tab.
// A missing value is "-". Times are seconds with three decimals.

// Prints a timed figure against the standard tool's time: "<label>: ours X s,
// <anchor> Y s, ratio R (target T) met" and its RESULT line. A target of 0 or
// less means the figure has none (shown as "-").
void benchReport(const char *label, double ours, const char *anchor, double theirs, double target);
// Prints a figure that has no standard-tool anchor, such as peak memory:
// "<label>: X <unit> (target at most T <unit>)" and its RESULT line. A limit of
// 0 or less means no target.
void benchReportValue(const char *label, double value, const char *unit, double limit);

// --- Audio sources ---------------------------------------------------------

// A canonical PCM WAV file (`bits` 16 or 24) of `frames` frames of noise
// within half of full scale, so no converter has to lower it. `seed` goes on
// from file to file.
std::vector<char> benchWavNoise(int rate, int bits, int channels, uint32_t frames, unsigned &seed);
// The frame of a benchmark over source files: a scratch folder under FOLDER
// (argv[1], else the default), the sources written by `makeSources(folder)`
// and synced, then `run(side, sources, target)` timed by benchBestOfTwo into
// a fresh target folder each time, and the figure reported. `name` names
// the program in messages. Returns the program's exit status.
int benchOverSources(int argc, char **argv, const char *name, const std::function<bool(const std::string &)> &makeSources,
                     const std::function<double(int side, const std::string &src, const std::string &dst)> &run,
                     const char *label, const char *anchor, double target);
