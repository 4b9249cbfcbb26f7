#ifndef PANNEX_PANELS_CHANGE_DIR_H
#define PANNEX_PANELS_CHANGE_DIR_H

#include "panels/panel.h"

// Moves panel panels[side] and reads it. name "" re-reads the panel's
// (possibly just changed) path; ".." goes to the parent (up_dir); any other
// name is a subdirectory entered from here, whose position is remembered
// for the way back. The directory left goes to the directory history and
// becomes the way back for Ctrl+-. keep leaves the tagged count alone.
// A top >= 0 (with cursor) replaces the position the read chose. The
// process's current directory follows the panel.
void change_dir(PANEL* panels, int side, const wchar_t* name, char keep = 0, int top = -1, int cursor = -1);
// The same for a panel on its own (no other panel to keep in step).
void change_dir(PANEL* panel, const wchar_t* name, char keep = 0, int top = -1, int cursor = -1);

// Reads the parent directory with the position remembered there, the
// cursor on the directory just left. Nothing at the root.
void up_dir(PANEL* panel);

#endif
