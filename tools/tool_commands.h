#ifndef PANNEX_TOOLS_TOOL_COMMANDS_H
#define PANNEX_TOOLS_TOOL_COMMANDS_H

// The tools' start-up: reads the help file and binds the tools' keys into
// the main loop's key table (F1 for the help contents, Alt+F10 for the
// directory tree, Ctrl+K for directory compare). Called by app's
// bind_commands.
void bind_tool_commands();

#endif
