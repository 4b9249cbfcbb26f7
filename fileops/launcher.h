#ifndef PANNEX_FILEOPS_LAUNCHER_H
#define PANNEX_FILEOPS_LAUNCHER_H

#include "foundation/westring.h"
#include "panels/panel_commands.h"

struct PANEL;

// Alt+F6: desktop launchers for the current or tagged entries, written to
// the user's desktop directory (desktop_entry.h). A program (a regular
// file with an execute bit) is run itself, anything else (a directory
// too) is opened through "xdg-open".
void create_object(PANEL* panel);

// Writes the launcher titled title for program (an absolute path); an
// existing launcher of that title is replaced only when the user says so.
// 0 written, a positive value when skipped, -1 when the user cancelled.
[[nodiscard]] int create_object2(PANEL* panel, const Westring& program, const Westring& title, bool terminal);

// The title proposed for a file: the name without its last extension,
// lower case with a capital first letter ("prog.sh" gives "Prog"). A name
// that would leave nothing (".bashrc") keeps its whole text.
Westring maketitle(const Westring& name);

// The key-table entry for Alt+F6 and its key-bar slot.
void create_object_key(int key, PANEL_REQUEST& request);

#endif
