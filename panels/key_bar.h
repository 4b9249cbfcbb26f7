#ifndef PANNEX_PANELS_KEY_BAR_H
#define PANNEX_PANELS_KEY_BAR_H

#include "console/keyboard.h"

// The function-key labels on the last screen row, one row of ten labels for
// each combination of held modifiers: row = Alt + 2 * Ctrl + 4 * Shift.
extern const char* const key_bar_text[8][10];

// The label row for a modifier state (GDK bits: Shift 1, Control 4, Alt 8).
int key_bar_row(unsigned state);

// Draws the labels for state on the last row: ten equal slots of cols / 10
// cells in the "Menu Bar" colour, each key number (and the cell before it,
// as a gap) in the "Command Line" colour.
void puts_bar(unsigned state);

// The function key the bar shows under the mouse: the slot's F key, as
// Alt+F for the right button or with Alt held, else Shift+F or Ctrl+F with
// those held.
int key_bar_value(const _MEVENT& m);

#endif
