#ifndef PANNEX_MENUS_MENU_COMMANDS_H
#define PANNEX_MENUS_MENU_COMMANDS_H

// Binds the menus' keys into the main loop's key table: F9, Ctrl+N,
// Shift+F10 and a right press on row 0 open the pull-down menu, whose
// choice is then dispatched as the key it carries; every menu-only code;
// F2 and Shift+F2 (user menu), Alt+F5 (stored paths), Alt+F8 (command
// history), Alt+Shift+F8 and Alt+\ (directory history). Called by app's
// bind_commands.
void bind_menu_commands();

// Edit Associations and Edit User Menu: the file in the internal editor,
// then the panels refreshed (and, for the configuration file, its
// associations, environment and archivers read again). Nothing happens
// when the editor does not open the file.
void edit_associations();
void edit_user_menu();

#endif
