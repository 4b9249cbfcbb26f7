#ifndef PANNEX_CONFIG_COMMAND_HISTORY_H
#define PANNEX_CONFIG_COMMAND_HISTORY_H

#include "foundation/object_store.h"
#include "foundation/westring.h"

// The commands run from the command line, oldest first, each once at the
// position of its latest use.
extern TObjectStore<Westring> history;

// The history file records go to; empty until init_history ran (nothing is
// written then, so tests and the single-file viewer leave no file behind).
extern Westring history_file;

// The length of the longest command, kept up to date as add_hist adds
// commands, so that the history box opens in the same time however long the
// history is. Code that removes entries from history itself calls
// history_changed, and the next call measures again.
int history_longest();
void history_changed();

// Loads px.hst (PXFilename(PXHistory)) into history and the field histories
// and installs the field history that writes its records to the file. When
// the file holds more command records than MaxHist, it is compacted (under
// its lock, from what it holds then): the newest MaxHist commands and the
// last 20 texts of each field list. A MaxHist below 1 never compacts, so a
// mistyped setting cannot erase the history. Logic thread, at start-up.
void init_history();
// The same from the file at path; used by init_history and the tests.
void init_history(const Westring& path, int max_hist);

// Adds a command as the newest entry, dropping earlier equal ones (exact
// comparison); leading white space is skipped and an empty command is not
// recorded. Unless loading, the command is also appended to the file.
void add_hist(const wchar_t* command, char loading = 0);

// Adds a text to field list `list` (0-11; others are ignored) as its newest
// entry and, unless loading, appends its record to the file.
void AddFieldHist(const wchar_t* text, int list, bool loading);

// Appends one record (a command, or "N" 0x19 text) to the file. Texts that
// could not be read back as the same record (CR or LF inside, longer than
// 4,095 bytes) are not written; a file that cannot be written is skipped.
void WriteHistLine(const wchar_t* line);

// Removes every command record equal to command from the file (the lines
// other instances appended meanwhile stay). 0 or the errno.
[[nodiscard]] int RemoveFromHistory(const Westring& command);

#endif
