#ifndef PANNEX_MENUS_PULL_DOWN_MENU_H
#define PANNEX_MENUS_PULL_DOWN_MENU_H

class Win;

// The pull-down menu over row 0: five columns (Left, Files, Commands,
// Options, Right), each dropping a framed list of items below its label.
// Every item sends a code of the key space: a key's own code, or a menu
// code of menus/menu_codes.h.

constexpr int MenuColumns = 5;

// One item: its text (null for a separator), the index of its hot letter in
// the text, its check mark (blank when unchecked) and the code it sends.
struct MENUITEM
{
    const wchar_t* text;
    int hot;
    wchar_t tick;
    int code;
};

// Shows the menu and returns the chosen code, or 0 when it was left without
// a choice. side 0 opens on the Left column, 1 on the Right one; again
// reopens it where the last use left it (column, item, dropped or not);
// mouse_x >= 0 opens on the column under that x of row 0. Every cell the
// menu covered, the cursor and the window title are as before on return.
int menu(char side, char again, int mouse_x = -1);

// Draws item `item` of column `column` in the dropped window w.
void show_menu_item(Win* w, int column, int item, char selected);

// Sets the check marks from the panels and the settings.
void set_ticks();

// The items of a column (after set_ticks) and how many there are; the
// Left and Right columns differ only in codes and two texts.
const MENUITEM* menu_items(int column, int& count);
// The width of a column's dropped window inside its frame.
int menu_width(int column);

// The menu's state between uses, for Shift+F10.
struct MENUSTATE
{
    int column = 0;
    int item = 0;
    bool dropped = false;
};
extern MENUSTATE menu_state;

#endif
