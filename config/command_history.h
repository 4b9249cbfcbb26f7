#ifndef PANNEX_CONFIG_COMMAND_HISTORY_H
#define PANNEX_CONFIG_COMMAND_HISTORY_H

#include "foundation/object_store.h"
#include "foundation/westring.h"

// The commands run from the command line, oldest first, each once at the
// position of its latest use.
extern TObjectStore<Westring> history;

// Adds a command as the newest entry, dropping earlier equal ones; leading
// white space is skipped and an empty command is not recorded.
void add_hist(const wchar_t* command);

#endif
