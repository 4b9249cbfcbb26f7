#ifndef PANNEX_FILEOPS_MAKE_DIR_H
#define PANNEX_FILEOPS_MAKE_DIR_H

#include "panels/panel_commands.h"

// F7: asks for a name and makes that directory in the panel's directory
// (the other panel's when this one shows information), then puts the
// cursor on it. The name is used as typed, blanks included; a name of
// blanks only makes nothing.
void make_dir(int panelIndex);

// The key-table entry for F7 and its key-bar slot.
void make_dir_key(int key, PANEL_REQUEST& request);

#endif
