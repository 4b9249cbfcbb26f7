#ifndef PANNEX_FILEOPS_PANEL_ENTRIES_H
#define PANNEX_FILEOPS_PANEL_ENTRIES_H

#include "foundation/westring.h"
#include "panels/panel.h"

#include <vector>

class Win;

// What the single-object commands (make directory, links, launchers,
// attributes, case, dates, file information) share: the entries they act
// on and the small pieces of their dialogs. Logic thread.

// dir + "/" + name, without doubling the "/" of the root.
Westring join_path(const Westring& dir, const Westring& name);
// The full path of an entry of the panel: its directory and the real name,
// never a path relative to the process's current directory.
Westring entry_path(const PANEL* panel, const entry* e);

// True when the panel lists files (a files panel, not the tree view).
bool files_panel(const PANEL* panel);
// The entries a command acts on: the tagged ones, or else the one under
// the cursor unless that is "..". Empty when there is none.
std::vector<entry*> chosen_entries(const PANEL* panel);

// Writes title centred on the top line of a framed window's frame.
void put_frame_title(Win& w, const char* title);
// name cut to width cells for a dialog line (marked where it was cut).
Westring shorten(const Westring& name, int width);

#endif
