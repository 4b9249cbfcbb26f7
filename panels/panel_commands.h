#ifndef PANNEX_PANELS_PANEL_COMMANDS_H
#define PANNEX_PANELS_PANEL_COMMANDS_H

#include "console/keyboard.h"
#include "panels/command_line.h"

// What a panel command asks of the main loop after it ran.
struct PANEL_REQUEST
{
    // Raise the redraw level to this (0 nothing, 1 command line, 2 also
    // the key bar and the window title).
    int redraw = 0;
    // A key to dispatch next, read by the quick search or chosen in the
    // pull-down menu; 0 for none.
    int pending = 0;
    // The main loop's command line, for commands that fill it (the
    // history box); null where there is none.
    COMMANDLINE* command_line = nullptr;
};

// The keys that move and arrange the panels. True when key was a panel
// command (done, or refused because its precondition failed); false hands
// it on to the command line. event carries the modifier state of keys.
bool panel_command(int key, _MEVENT& event, COMMANDLINE& cl, PANEL_REQUEST& request);

// Enter on an empty command line: enters the directory under the cursor,
// or runs the file under it (execute_hook; background 1 for Alt+Enter).
// False when there is nothing to enter.
bool enter_current_entry(int background = 0);

#endif
