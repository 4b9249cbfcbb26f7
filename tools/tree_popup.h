#ifndef PANNEX_TOOLS_TREE_POPUP_H
#define PANNEX_TOOLS_TREE_POPUP_H

#include "foundation/westring.h"

struct PANEL;

// The pop-up tree of the file system holding panel's directory, width
// cells inside its frame (70 from Alt+F10, half the screen less 2 from the
// target dialogs), opened on the panel's directory. A tree never scanned
// is scanned first. Returns 0 with the chosen directory's full path in
// result, or -1 (Escape, or a scan stopped). Logic thread.
int tree_popup(PANEL* panel, Westring& result, int width);

#endif
