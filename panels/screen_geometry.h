#ifndef PANNEX_PANELS_SCREEN_GEOMETRY_H
#define PANNEX_PANELS_SCREEN_GEOMETRY_H

// Reads rows and columns from the console and recomputes the panel height:
// rows - 6 with FullScreen, else rows - (rows / 2 + 2).
void get_screen_size();
// Resizes the console to config.ScreenRows x config.ScreenColumns, taking
// down and rebuilding what depends on the size.
void change_lines();
// Alt+F9: toggles the row count between 25, 50 and the Lines setting.
void ega_lines();
// Alt+Shift+F9: toggles the column count between 80, 132 and the Columns
// setting.
void toggle_columns();

// The row and column counts the toggles go to from the present ones.
int next_ega_rows(int rows, int lines_setting);
int next_columns(int columns, int columns_setting);

#endif
