#ifndef PANNEX_COMMAND_SMARTEXEC_H
#define PANNEX_COMMAND_SMARTEXEC_H

#include "foundation/westring.h"

// How smartexec will run a final command line.
struct EXEC_PLAN
{
    // A leading "#": always on the pseudo-terminal, waited for.
    bool force_pty = false;
    // A trailing "&" (removed from command): detached when the program is
    // found.
    bool background = false;
    // The command without "#" or the trailing "&".
    Westring command;
    // The program: the text before the first blank or "|" that no
    // backslash escapes, unescaped; and the arguments after it, trimmed and
    // unescaped.
    Westring program;
    Westring args;
};

void plan_command(const Westring& command, EXEC_PLAN& plan);

// Runs a final command line (after substitutions) as the process layer
// decides: "$view" and "$edit" (any case) open the built-in viewer and
// editor; a background command or an X11 program found on the search path
// starts detached; anything else runs through the user's shell on a
// pseudo-terminal in the console's terminal, waited for. Returns the exit
// status (0-255), -1 when the child was ended by a signal or could not
// run, 0 for detached and built-in commands. flags are run's; none changes
// anything here. Logic thread.
int smartexec(Westring command, int flags);

#endif
