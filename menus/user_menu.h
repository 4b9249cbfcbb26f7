#ifndef PANNEX_MENUS_USER_MENU_H
#define PANNEX_MENUS_USER_MENU_H

#include "config/menu_store.h"
#include "foundation/westring.h"

// F2 (main 0): the user menu of side's directory, the nearest px.mnu in it
// or above it that passes the owner rule, else the user's own; Shift+F2
// (main 1): the user's own menu. The chosen entry runs for side.
void user_menu(int side, char main);

// Shows menu under title ("between blanks" in its top frame) and returns
// the chosen entry, or null when it was left. x < 0 centres it; otherwise
// it opens at column x, moved left to stay on the screen (submenus open to
// the right of their parent). A key equal to an entry's hot key (letters in
// either case) chooses it at once; Enter on an entry with a submenu opens
// that, and a choice there is returned as it is.
MenuEntry* Choose(MenuStore& menu, const Westring& title, int x);

// The lines of the menu's list: the key text padded to the longest key text
// plus one, then the title; an entry with a submenu ends in ">" at the
// right edge of width.
Westring menu_item_text(const MenuStore& menu, const MenuEntry& entry, int width);

// The width of the menu's list: its longest item or the title, plus 2, at
// most columns - 2.
int menu_list_width(const MenuStore& menu, const Westring& title, int columns);

// A user-menu command line that changes directory ("cd" followed by a blank
// or a dot): 0 with dir set to the directory it names, when that exists
// exactly (relative names start at from, "~" is the home directory); ENOENT
// when it names none, and then the entry stops with "Invalid directory" (no
// search elsewhere: the next lines must not run in a directory nobody
// named); -1 when the line is no cd.
[[nodiscard]] int menu_cd(const Westring& line, const Westring& from, Westring& dir);

// Runs a chosen entry for side: each command line in turn, a cd line moving
// where the later lines run and, at the end, the panel.
void run_menu_entry(int side, const MenuEntry& entry);

#endif
