#ifndef PANNEX_PANELS_SORT_PANEL_H
#define PANNEX_PANELS_SORT_PANEL_H

#include "config/config.h"
#include "entries/entry.h"
#include "panels/panel.h"

// Sorts count entries in place by order. Every order keeps the sort groups
// apart (".." first, then directories, hidden files, other files); within a
// group: name, extension then name, newest first then name, largest first
// then name. Orders 5-9 reverse 0-4 within the groups, tie-breaks included.
// Unsorted (4, 9) keeps the directory order.
void sort_panel(sortby order, entry** list, long count);
void sort_panel(PANEL* panel);

// Changes the panel's sort order and remembers it in the configuration
// (LeftSort or RightSort); keeps the cursor on the same name. Unsorted
// re-reads the directory to get its order back.
void set_sort(PANEL* panel, sortby order);

#endif
