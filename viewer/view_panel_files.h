#ifndef PANNEX_VIEWER_VIEW_PANEL_FILES_H
#define PANNEX_VIEWER_VIEW_PANEL_FILES_H

struct PANEL;

// Views the file under the panel's cursor in the internal viewer; Alt+Up
// and Alt+Down step to the previous or next file of the panel (directories
// are passed over), and past either end "No more files" shows. Each file's
// size and time are taken again after viewing it, and the cursor is left
// on the last file viewed. Logic thread.
void view_panel_files(PANEL& panel);

#endif
