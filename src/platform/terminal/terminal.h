// terminal: the host of the command-line tool.
//
// No windows and no GL context (start-up stays cheap); volumes come from
// /proc/self/mountinfo (mountinfo.h), the language from the environment, the clock from the
// system. A message box prints its text on stderr and is answered by --yes or
// --no, or asked on the terminal when neither was given; where no answer is
// possible a question is declined (no, or cancel where there is one), and the
// command that asked reports that with exit status 1.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ghost.h"
#include "platform/mountinfo.h"

// How questions are answered.
enum : int {
    TERM_ANSWER_ASK = 0,  // ask on the terminal; decline when there is none
    TERM_ANSWER_YES = 1,  // --yes
    TERM_ANSWER_NO = 2,   // --no
};

// --- Installing -------------------------------------------------------------------

// The terminal host's function table. Never fails.
const sOsHost *termHost(void);
// Installs the terminal host (answers: ask; streams: stdin and stderr).
void termInstall(void);

// --- Questions --------------------------------------------------------------------

// Sets how message boxes are answered (TERM_ANSWER_*). Never fails.
void termSetAnswer(int answer);
// Where boxes print and read: null keeps stdin / stderr; `interactive` 1 asks
// on `in`, 0 never asks, -1 asks when stdin is a terminal. Never fails.
void termSetStreams(FILE *in, FILE *err, int interactive);
// Returns whether a question was answered other than "yes" since the last
// termClearDeclined (OK boxes do not count). Changes nothing.
bool termQuestionDeclined(void);
void termClearDeclined(void);
