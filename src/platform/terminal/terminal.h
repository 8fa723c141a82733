// terminal: the host of the command-line tool.
//
// No windows and no GL context (start-up stays cheap); volumes come from
// /proc/self/mountinfo (mountinfo.h), the language from the environment, the clock from the
// system. A message box prints its text on stderr and is answered by --yes or
// --no, or asked on the terminal when neither was given; where no answer is
// possible a question is declined (no, or cancel where there is one), and the
// command that asked reports that with exit status 1.
//
// Jobs show a one-line progress bar with their message on stderr, only when
// stderr is a terminal. Ctrl-C: a command that only reads keeps the default
// (the process stops at once); while a job with a cancel function runs, each
// press calls that function; a command that writes catches Ctrl-C for its
// whole run (termInterruptCatch), so a job without a cancel function runs to
// its end and the command then reports the interruption (exit status 130).
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

// --- Progress and Ctrl-C ----------------------------------------------------------

// Whether jobs draw their progress line: 1 always, 0 never, -1 (termInstall)
// when the error stream is a terminal. Never fails.
void termSetProgressLine(int on);
// `on` 1: the command writes; from now on Ctrl-C no longer ends the process
// but is counted (and cancels a job that can be cancelled). 0 gives SIGINT
// back the disposition it had. termInstall turns it off. Never fails.
void termInterruptCatch(int on);
// Number of Ctrl-C presses caught since termInstall. Changes nothing.
int termInterruptCount(void);
