#ifndef PANNEX_EDITOR_EDITOR_COMMANDS_H
#define PANNEX_EDITOR_EDITOR_COMMANDS_H

#include "foundation/westring.h"

#include <functional>

// The editing commands of the main loop: F4 (with [Editor Associations]
// and Editor), Alt+F4 and Ctrl+Shift+F4 (Editor2), Shift+F4 (a named
// file). app/ calls it once at start-up.
void bind_editor_commands();

// Runs an external editor command on file as an association does: "!"
// names the file, and without any substitution the file goes last.
void run_external_editor(const Westring& command, const Westring& file);

// Edits a temporary copy (an archive member extracted for editing) in the
// internal editor; when the editor returns with the copy's size or time
// changed, update puts it back at once. A failed update keeps the copy
// and tells the user its path, so the edit is never lost. 0 when nothing
// had to be or the update worked; else update's error.
int edit_temporary_copy(const Westring& copy, const std::function<int(const Westring&)>& update);

#endif
