#ifndef PANNEX_COMMAND_EXEC_KEYS_H
#define PANNEX_COMMAND_EXEC_KEYS_H

// Binds command execution into the main loop: Enter and Alt+Enter
// (execute), Ctrl+Tab (completion), Ctrl+B (the scroll-back), Shift+F1
// (the manual) and Ctrl+W (the desktop's file window, run like any other
// command). Called by bind_commands.
void bind_exec_commands();

#endif
