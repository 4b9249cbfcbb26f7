#ifndef PANNEX_PANELS_PANEL_DISPLAY_H
#define PANNEX_PANELS_PANEL_DISPLAY_H

#include "config/config.h"
#include "panels/panel.h"

// Drawing a panel into its window and moving its cursor. Everything here
// draws only into a panel that is showing with its window visible;
// otherwise positions change and the drawing waits for the next paint.
// Logic thread.

// True when the panel is showing and its window exists and is not hidden.
bool panel_visible(const PANEL* panel);

// Writes entry index at (x, y) inside the panel frame / at its place on
// the page. colour 0 is the entry's normal colour; scroll as format_entry.
void print_entry(int x, int y, PANEL* panel, int index, int colour, int* scroll);
void print_entry(PANEL* panel, int index, int colour, int* scroll);

// Paints the whole panel: entries, separator, status line, frame and top
// line; in the current panel the cursor entry is highlighted.
void paint_panel(PANEL* panel);
// The top frame line with the directory centred in it; active panels in
// "Highlight". clock non-zero keeps the clock's cells at the right end free.
void topline(const wchar_t* path, char active, int clock, PANEL* panel);
// The status line: a read error, the quick search, the selection, or the
// current entry in the full layout.
void print_status(PANEL* panel);

// Draws the current entry of panels[side] highlighted (on) or in its
// normal colour, then the status line.
void show_cursor(PANEL* panels, int side, char on);
// Moves the cursor by delta entries. Within the page nothing is drawn (the
// caller redraws the cursor); one row past it scrolls the window by a row
// and draws only the row that came into view; further repaints the panel.
void move_cursor(PANEL* panel, int delta);
// Makes side the current one: both top lines show it, the window title
// and the process's current directory follow its directory, and the
// configuration remembers the side (StartupSide).
void make_curr(PANEL* panels, int side);
// Shows the panel in a files detail (brief .. unix), making it visible if
// it was off; nothing when it already shows that.
void SetFilesPanelDetail(PANEL* panel, paneldetail detail, int currentSide);
// While a mouse button is held on row 0 (upwards) or under the list
// (downwards), moves the cursor an entry at a time, ScrollDelay apart when
// the list scrolled. Ends at the end of the list, at the button's release
// (the right button's with tagState non-zero) or when the mouse leaves
// those rows.
void scroll_panel(PANEL* panel, int mouseRow, char tagState);

// The panel window's screen rectangle for side (inclusive ends).
void panel_rect(int side, int& x1, int& y1, int& x2, int& y2);

#endif
