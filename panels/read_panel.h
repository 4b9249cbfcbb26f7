#ifndef PANNEX_PANELS_READ_PANEL_H
#define PANNEX_PANELS_READ_PANEL_H

#include "panels/panel.h"

// (Re)reads the panel's directory into its entry list, filtered and
// sorted. A panel that is not showing (or shows info) is only marked for
// re-reading. Reading the same directory again keeps the tagged and
// last-operation marks and the cursor on the same name; a new directory
// starts at the top. An unreadable directory is reported; for a missing
// permission, a non-directory or a name too long the panel moves up one
// level. Ctrl+Break stops a long read, keeping what was read so far.
void read_panel(PANEL* panel);

// Re-reads both panels (info panels excepted); a panel that is not
// showing is marked for re-reading.
void panel_refresh();

#endif
