#ifndef PANNEX_MENUS_DIRECTORY_BOXES_H
#define PANNEX_MENUS_DIRECTORY_BOXES_H

#include "foundation/westring.h"

struct PANEL;

// One line of the stored-paths box: "3 - " and slot 3's path shortened to
// width - 6 characters, or "3 - Empty".
Westring sp_line(short slot, short width);

// Alt+F5: the ten stored paths. A digit picks its slot as Enter does,
// Insert stores the panel's directory in the selected slot, Delete empties
// it; Enter on a filled slot moves the panel there ("Invalid directory"
// when it cannot). True when the panel moved; the caller resets its top and
// cursor and reads it.
bool storepop(PANEL* panel);

// The directory-history box: the directories the panels left, oldest
// first, the newest selected. The chosen path, or empty when the history is
// empty or the box was left without a choice. Also for the "Dir Hist"
// button of the copy and link dialogs.
Westring DirHistorySelect();

// Alt+Shift+F8, Alt+\: the panel goes to the directory chosen in the
// directory-history box, at the top of its list.
void DirHistoryBox(PANEL* panel);

#endif
