// log: the debug log. Quiet unless the environment variable KVB_DEBUG is set
// (to anything but "0"), in which case each line goes to stderr. Nothing the
// user needs to see goes here: users see messages, never the debug log.
#pragma once

// Formats a debug line. Never fails; changes nothing but stderr.
void rliDbgLog(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Returns whether the debug log is being written. Changes nothing.
bool rliDbgLogEnabled(void);
