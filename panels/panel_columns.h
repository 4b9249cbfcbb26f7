#ifndef PANNEX_PANELS_PANEL_COLUMNS_H
#define PANNEX_PANELS_PANEL_COLUMNS_H

#include "config/config.h"
#include "foundation/westring.h"

// The columns of the five list layouts and where a page slot is drawn.

enum EColumnKind : short {
    ColumnName,
    ColumnSize,
    ColumnDate,
    ColumnTime,
    ColumnPermissions,
    ColumnOwner,
    ColumnGroup,
};

// One column: its smallest and largest width and the width it has now
// (cells). A minimum of -1 ends a layout's list.
struct COLUMN
{
    EColumnKind kind;
    short min_width;
    short max_width;
    short width;
};

constexpr int MaxColumns = 5;
constexpr int ListDetails = 5;  // brief .. unix; the tree has no columns

extern COLUMN col_width[ListDetails][MaxColumns + 1];

// Number of columns of a list detail; 0 for the tree.
int column_count(paneldetail detail);
// The column of a detail; index below column_count (asserted).
const COLUMN& column(paneldetail detail, int index);
// The present width of the first column of kind in detail; 0 when none.
int column_width(paneldetail detail, EColumnKind kind);

// Half the screen width: the width of one panel window, frame included.
int panel_half();

// Shares the width inside a panel among the columns of every layout: each
// starts at its minimum, and the spare cells go out in proportion to the
// widths, up to each maximum.
void resize_columns();

// Where the entry of page slot `slot` (index - top) is drawn, relative to
// the inside of the panel frame, and the width of its name field.
void ColInfo(int& x, int& y, int& width, paneldetail detail, int slot);

// Builds a horizontal line of panel_half() cells: fill (when non-zero)
// everywhere, junction at the detail's column boundaries, left and right
// (when left is non-zero) at the two ends; without left, right goes to the
// last cell inside the frame. A junction U+252C laid over U+2534 becomes
// U+253C, so that two layouts' boundaries can be overlaid.
void make_line(paneldetail detail, Westring& line, wchar_t fill, wchar_t junction, wchar_t left, wchar_t right);

#endif
