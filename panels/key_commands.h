#ifndef PANNEX_PANELS_KEY_COMMANDS_H
#define PANNEX_PANELS_KEY_COMMANDS_H

#include "panels/panel_commands.h"

struct PANEL;

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

// Command execution, set by app/ at start-up like the key table: Enter
// (background 0) and Alt+Enter (1) hand it the command line, and Enter or
// a double-click on a file an empty one. It returns the redraw level. While
// it is null, Enter only records the line in the history.
using ExecuteHook = int (*)(PANEL* panels, int side, const wchar_t* command, int background);
extern ExecuteHook execute_hook;
// Ctrl+Tab: completes the word before the cursor; true when the line or
// the cursor changed.
using CompletionHook = bool (*)(Westring& line, int& cursor, PANEL* panel);
extern CompletionHook completion_hook;

#endif
