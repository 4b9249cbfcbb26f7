#ifndef PANNEX_MENUS_HISTORY_PANEL_H
#define PANNEX_MENUS_HISTORY_PANEL_H

#include "foundation/westring.h"

// The last text searched for in the history box (F7), kept for the run.
extern Westring chWord;

// Results of history_panel, which the caller takes as the redraw level.
constexpr int HistoryNothing = 0;
constexpr int HistoryFilledLine = 1;  // the command line was replaced
constexpr int HistoryRan = 2;         // a command ran: history browsing ends

// Alt+F8: the command history in a list, oldest first with the newest
// selected. Enter runs the selected command (Alt+Enter in the background),
// Ctrl+Enter puts it on the command line (cursor at its end), Delete removes
// it from the history and the file after asking, F7 searches older
// commands for a text, Shift+F7 searches on towards older ones and Alt+F7
// towards newer ones. side is the panel the command runs for.
int history_panel(int side, Westring& commandLine, int& cursor);

// The index of the first command from `from` in direction dir (-1 older,
// +1 newer) that contains word, ignoring case; -1 when none does.
int history_search(const Westring& word, int from, int dir);

// Runs a command of the history box for side, as Enter on the command line
// does (Alt+Enter: background).
void run_history_command(int side, const Westring& command, bool background);

#endif
