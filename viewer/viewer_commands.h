#ifndef PANNEX_VIEWER_VIEWER_COMMANDS_H
#define PANNEX_VIEWER_VIEWER_COMMANDS_H

#include "foundation/westring.h"

// The viewer's start-up: binds F3, Alt+F3, Ctrl+Shift+F3 and Shift+F3
// into the main loop's key table and gives the viewer its help. Called by
// app's bind_commands.
void bind_viewer_commands();

// Runs an external viewer command on file (the Viewer, Viewer2 and
// [Viewer Associations] settings).
void run_external_viewer(const Westring& command, const Westring& file);

#endif
