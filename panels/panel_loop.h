#ifndef PANNEX_PANELS_PANEL_LOOP_H
#define PANNEX_PANELS_PANEL_LOOP_H

#include "foundation/westring.h"

// What the main loop does with the panels around each event. Logic thread.

// True when at least one panel is showing.
bool panels_on();

// The directory the prompt and the window title show: the current panel's,
// or the other panel's when the current one shows no directory of its own.
Westring panels_directory();

// Before waiting for the next event: the current side moves to the other
// panel when only that one shows; a name scroll that belongs to another
// entry is dropped; with cursor set the cursor bar and status line are
// drawn (and cursor cleared); the position is saved for Ctrl+-.
void panels_before_wait(bool& cursor);

// Before a key is dispatched: the cursor bar is taken off for every key
// that may move it (not for command-line editing keys), and cursor set so
// that the next iteration draws it again.
void panels_before_key(int key, bool& cursor);

// Ctrl+digit: stores the directory in a dirstore slot (with Shift) or goes
// to the one stored there. Returns the key to dispatch further, or 0 when
// it was used up. An empty slot leaves the key alive (Ctrl+3 and Ctrl+9
// then act as Ctrl+PgDn and Ctrl+PgUp) unless the NumLock setting is on.
int stored_path_key(int key);

#endif
