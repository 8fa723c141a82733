// cmdline: the desktop program's command line.
//
// `kvb-rt-wave-manager [--help] [--version] [FOLDER] [FILE.s1e] [FILE.s1a]`.
// Arguments are file-system bytes and are kept as they are (a folder name in
// UTF-8, or in no encoding at all, must reach the card unchanged). A FOLDER
// opens that folder as the card without the storage-select dialog. A path
// whose extension starts ".s1e" is recorded as the patch file, ".s1a" as the
// list file (case-sensitive, the rest of the extension ignored, a later one
// replacing an earlier one); nothing reads them yet. Any other argument is
// skipped: options (the toolkit takes its own, such as -platform) and paths
// that name no folder. Main thread only.
#pragma once

#include <cstddef>

#include "foundation/str.h"

// What the command line asks for.
enum : int {
    CMDLINE_RUN = 0,      // start the program
    CMDLINE_HELP = 1,     // print the usage and end (status 0)
    CMDLINE_VERSION = 2,  // print the version and end (status 0)
};

// --- Parsing ---------------------------------------------------------------------

// Forgets every recorded name and error. Never fails.
void cmdlineReset(void);
// Applies the rules to argv[1..argc-1]. Returns CMDLINE_*.
int cmdlineArgParse(int argc, char **argv);
// Applies the patch and list file rule to one path (bytes): returns 1 when it
// was recorded, 0 when the rule does not take it or it does not fit.
int cmdlineSetFilename(const char *path);
// The usage text, one line per form and option. Never null.
const char *cmdlineUsage(void);

// --- Results ---------------------------------------------------------------------

// Whether a patch / list file was given, and its path ("" when not).
int cmdlineGetPatchFilenameAble(void);
const char *cmdlineGetPatchFilenamePtr(void);
int cmdlineGetAlistFilenameAble(void);
const char *cmdlineGetAlistFilenamePtr(void);
// The folder to open as the card, ending in "/"; null when none was given.
const char *cmdlineGetCardFolderPtr(void);
