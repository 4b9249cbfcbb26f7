#ifndef PANNEX_PANELS_SELECTION_H
#define PANNEX_PANELS_SELECTION_H

#include "panels/panel.h"

// Tagging entries: one at a time, all at once, by a filter expression, and
// back to what the last operation worked on. The panel's tagged count and
// tagged bytes always equal the number and size sum of its tagged entries.
// Logic thread.

// state +1 tags, -1 untags, 0 toggles entry index; ".." and panels that
// show no file list are left alone. A visible entry is redrawn.
void tag(PANEL* panel, int index, char state);

// Whether directories take part in a group operation: the TagDirs setting,
// turned around by holding Shift.
bool group_tags_directories(short modifiers);

// Grey *, Ctrl+Grey +, Ctrl+Grey -: direction +1 tags every entry, -1
// untags every one, 0 inverts. Reserved files are never tagged, directories
// only when they take part (untagging always includes them).
void tag_all(PANEL* panel, int direction, short modifiers);

// Grey +, Grey -, Ctrl+T, Ctrl+Y: asks for a filter expression (Alt+D
// switches directories in or out) and tags (+1) or untags (-1) the
// entries that match it.
void wild_tag(PANEL* panel, char direction, short modifiers);

// Alt+Grey +: every entry's tag becomes its last-operation mark, so the
// entries the last copy, move or archiver command processed are tagged
// again.
void restore_selection(PANEL* panel);

// The filter dialog for side; true when the panel's filter changed (the
// caller re-reads the panel).
bool edit_filter(int side);

// The group pattern Grey + and Grey - start from ("*" at first).
extern Westring group_pattern;

struct PANEL_REQUEST;

// The selection keys of the main loop: Insert, Grey +, Grey -, Grey *,
// Ctrl+Grey + and -, Alt+Grey +, Ctrl+T, Ctrl+Y. state holds the held
// modifiers. True when key was one of them (done, or refused because the
// panels are off or the current panel lists no files).
bool selection_key(int key, unsigned state, PANEL_REQUEST& request);

#endif
