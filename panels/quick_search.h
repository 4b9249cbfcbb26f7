#ifndef PANNEX_PANELS_QUICK_SEARCH_H
#define PANNEX_PANELS_QUICK_SEARCH_H

#include "console/keyboard.h"
#include "panels/panel.h"

// Quick search by name (Alt+letter): the panel's search string grows by ch
// (0 searches again) and the cursor goes to the next entry, in direction
// (+1 or -1), whose name begins with it, ignoring case. With StickyAlt on,
// the search then goes on reading keys itself until a key it does not use
// arrives: that key is returned through key, the string is cleared and the
// result is true (false for Esc), so that the main loop dispatches the key
// next. Without StickyAlt it returns false and key 0, keeping the string
// for the next Alt key. The panel's cursor is shown throughout.
bool name_seek(int ch, PANEL* panel, int& key, _MEVENT& event, int direction);

// Extends the search string to the longest prefix the current entry's
// name shares with every entry that begins with the string (ignoring case),
// spelt as in the current entry's name.
void AutoFillSeek(PANEL* panel);

#endif
