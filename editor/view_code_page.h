#ifndef PANNEX_EDITOR_VIEW_CODE_PAGE_H
#define PANNEX_EDITOR_VIEW_CODE_PAGE_H

#include "foundation/estring.h"

// The code page the viewer and the editor show 8-bit text in, chosen from
// the TranslateCP list with Alt+T: 0 means DefaultTextCodePage(). Lasts
// for the run. Logic thread.
extern int viewCP;
// Where in the list the next Alt+T continues (a byte index of the text).
extern int viewCPPos;

// Edits the TranslateCP list in " Code Page Translation ". 0 when the user
// confirmed (the list may be unchanged), -1 when cancelled.
[[nodiscard]] int GetViewCodePage();
// Sets cp to the list's next code page and returns 0. An empty entry (the
// end of the list) gives 0 (the default) and starts the list over; an entry the system cannot use
// shows "Invalid code page" and gives 0; the default code page itself is
// stored as 0.
int SwitchViewCodePage(int& cp);

// The entry of list at pos as SwitchViewCodePage takes it, without any
// message: its atoi value, pos moved past it and its comma, or 0 with pos
// back at 0 for an empty entry. invalid tells that the number names no
// code page the system can use (the result is then 0).
int next_list_code_page(const Estring& list, int& pos, bool& invalid);

#endif
