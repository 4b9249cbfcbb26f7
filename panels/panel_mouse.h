#ifndef PANNEX_PANELS_PANEL_MOUSE_H
#define PANNEX_PANELS_PANEL_MOUSE_H

#include "console/keyboard.h"
#include "panels/panel_commands.h"

// The mouse on the panels: the wheel moves the cursor, a click puts it on
// the entry under the mouse (and makes that panel current), a double click
// opens the entry as Enter does, and holding the left button on row 0 or
// under the list scrolls. True when the event was on a panel; events on
// the command line and the key bar are left to the main loop.
bool panel_mouse(_MEVENT& event, PANEL_REQUEST& request);

// The entry of panel side under screen cell (x, y) by the columns as drawn;
// -1 when the cell shows no entry (a separator, a blank row).
int entry_at(int side, int x, int y);

#endif
