#ifndef PANNEX_PANELS_ENTRY_FORMAT_H
#define PANNEX_PANELS_ENTRY_FORMAT_H

#include "config/config.h"
#include "console/cell_string.h"
#include "panels/panel.h"

// How one entry looks in a panel line: name (with link target and markers),
// size or directory label, date, time, permissions, owner and group.

// Glyphs of character codes 16 and 17 on the screen: the right- and
// left-pointing triangles; 16 also marks a cut name.
constexpr wchar_t CutMark = 16;
constexpr wchar_t LeftMark = 17;

// The entry's line in detail, in colour (0: the entry's normal colour). For
// brief and brief-wide only the name field, of name_width cells; for the
// others the whole inside width. scroll, when given, is the panel's
// name-scroll counter: the name is drawn from that column and the counter
// is lowered until the name fills its field.
void format_entry(CellString& out, PANEL* panel, int index, int colour, int* scroll, paneldetail detail,
                  int name_width);
// The same in the panel's own detail at the width ColInfo gives.
void print_entry(CellString& out, PANEL* panel, int index, int colour, int* scroll);

// Cuts text to width cells, marking the cut with code 16. With
// KeepExtVisible, an extension (from the last ".") of at most width / 2
// cells stays visible after the mark.
void compact_name(CellString& text, int width);

// value with its digits grouped in threes by thousand_separator, fitted to
// width cells by dividing by 1024 with the suffixes K, M, G, T. out holds
// at least 32 characters.
void itoa_comma(long long value, wchar_t* out, char width);
// The 32-bit form: at most 11 digits, then K, then M.
void itoa_comma(unsigned long value, wchar_t* out, char width);
// digits grouped in threes from the right by thousand_separator.
void addCommas(wchar_t* out, const wchar_t* digits);

// The size column's text, right-aligned in width cells.
Westring size_field(const entry* e, int width);

#endif
