#ifndef PANNEX_TEXTUI_COLOURS_DIALOG_H
#define PANNEX_TEXTUI_COLOURS_DIALOG_H

// The Colours dialog over the colour table of textui_settings. The user
// edits a working copy; OK stores it (the "Menu Quick Key" entry keeps only
// its foreground), Cancel leaves the table as it was. Returns 0 when
// confirmed, -1 when cancelled; the caller saves the configuration and
// redraws the screen.
int change_colours();

#endif
