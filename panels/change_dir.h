#ifndef PANNEX_PANELS_CHANGE_DIR_H
#define PANNEX_PANELS_CHANGE_DIR_H

#include "panels/panel.h"

// Moves panel panels[side] and reads it. name "" re-reads the panel's
// (possibly just changed) path; ".." goes to the parent (up_dir); any other
// name is a subdirectory entered from here, whose position is remembered
// for the way back. The directory left goes to the directory history and
// becomes the way back for Ctrl+-. keep leaves the tagged count alone.
// A top >= 0 (with cursor) replaces the position the read chose. The
// process's current directory follows the panel.
void change_dir(PANEL* panels, int side, const wchar_t* name, char keep = 0, int top = -1, int cursor = -1);
// The same for a panel on its own (no other panel to keep in step).
void change_dir(PANEL* panel, const wchar_t* name, char keep = 0, int top = -1, int cursor = -1);

// Enter, double-click and Ctrl+PgDn on a file: opens it as an archive
// (inside an archive, extracted and opened nested) and shows its root,
// remembering the position for the way back. False, with nothing
// changed, when no reader knows the file or it cannot be extracted.
bool enter_archive(PANEL* panels, int side, const wchar_t* name);

// Ctrl+R and archiver commands: reads the panel's innermost archive again
// from its file. 0; or -1 when it can no longer be read: the panel then
// leaves it for the directory (or parent archive) holding it, the cursor
// on its file, whose name goes to left_file. The panel is not read.
int reload_archive(PANEL* panel, Westring* left_file = nullptr);

// Ctrl+\ inside an archive: leaves every archive, nested ones too, for
// the directory holding the outermost archive file, the cursor on it.
void leave_archives(PANEL* panels, int side);

// Reads the parent directory with the position remembered there, the
// cursor on the directory just left. Nothing at the root.
void up_dir(PANEL* panel);

#endif
