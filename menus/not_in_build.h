#ifndef PANNEX_MENUS_NOT_IN_BUILD_H
#define PANNEX_MENUS_NOT_IN_BUILD_H

// What a menu item, a key or a Help button whose command is not part of
// this build shows: "Not in this build" with the item's name as detail.
// The stages that add the commands stop calling it.
void not_in_this_build(const wchar_t* name);

#endif
