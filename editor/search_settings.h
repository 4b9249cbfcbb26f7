#ifndef PANNEX_EDITOR_SEARCH_SETTINGS_H
#define PANNEX_EDITOR_SEARCH_SETTINGS_H

#include "foundation/westring.h"

// The search text and its switches, one set for the viewer and the editor
// alike: a search begun in one is repeated in the other with Shift+F7.
// They last for the run. Logic thread.
extern Westring word;
// What the editor's replace puts in place of word.
extern Westring replaceWord;
// Check-box values (0 or 1), as the search dialog binds them.
extern char casesense;
extern char reverse;
extern char wholeWord;

#endif
