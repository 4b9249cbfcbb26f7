#ifndef PANNEX_COMMAND_PTY_RUN_H
#define PANNEX_COMMAND_PTY_RUN_H

#include "command/process.h"

#include <functional>

// Runs image on a fresh pseudo-terminal of the console's size, in the
// console: the console's terminal emulator (SetPty) gets the child's output
// and the typed keys, and the screen is the child's until it ends. Returns
// the child's exit status (0-255), or -1 when it was ended by a signal or
// could not be run (no pseudo-terminal: nothing runs; fork or waitpid
// failed: a message box says so). Logic thread.
//
// Output is read in chunks of up to 64 KiB and, while more is ready, for
// at most about 15 ms; all of it is parsed between one BeginPaint and
// EndPaint, so lines that scroll away in between are never drawn and the
// toolkit lock is free between two paints (keys reach the child during a
// flood). After the child has been collected the master is drained, so
// output written just before the end is shown too.
int run_on_pty(const EXEC_IMAGE& image);

// Milliseconds without output after which the screen snapshot is written
// (when PX_SCREEN_DUMP asks for one) and pty_idle_hook runs.
constexpr int PtyQuietMs = 100;

// For in-process tests: runs on the logic thread after each quiet period
// while a child runs, and every quarter second while its output floods in
// (it may type keys with console.InputKey or resize the console). Null in
// the program.
extern std::function<void()> pty_idle_hook;

#endif
