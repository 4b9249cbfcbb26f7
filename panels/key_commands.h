#ifndef PANNEX_PANELS_KEY_COMMANDS_H
#define PANNEX_PANELS_KEY_COMMANDS_H

#include "panels/panel_commands.h"

// Commands of the libraries above the panels (the file commands, command
// execution, archives, the menu, the viewer, the editor, the tools) reach
// the main loop through this table, so that no panels file includes their
// headers: app/ binds each of their keys at start-up (bind_commands in
// app/key_bindings.h, called by main and by the screen tests), and the main
// loop looks every key up here before its own keys. A bound command checks
// its own preconditions (panels on, a files panel, not in an archive) and
// does nothing when they fail.
using KeyCommand = void (*)(int key, PANEL_REQUEST& request);

// The key a right press on row 0 sends: the pull-down menu, opened on the
// column under the press, whose x is in menu_click_x.
constexpr int KEY_MENU_MOUSE = 0x1001FF;
extern int menu_click_x;

// Binds key to command (null unbinds it). Logic thread, at start-up.
void bind_key(int key, KeyCommand command);
// The command bound to key, or null.
KeyCommand bound_command(int key);
// Forgets every binding.
void unbind_all_keys();

#endif
