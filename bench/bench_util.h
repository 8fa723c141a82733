// Small helpers shared by the benchmark programs.
#pragma once

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
// Prints one result line: "<label>: ours X s, <anchor> Y s, ratio R (target T)".
void benchReport(const char *label, double ours, const char *anchor, double theirs, double target);
