#include "panels/screen_geometry.h"

#include "config/config.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "panels/clock.h"
#include "panels/panel_windows.h"

void get_screen_size()
{
    config.ScreenRows = console.Lines();
    config.ScreenColumns = console.Columns();
    int rows = config.ScreenRows;
    config.PanelHeight = config.FullScreen ? rows - 6 : rows - (rows / 2 + 2);
}

void change_lines()
{
    // Windows save the cells they cover: none may outlive the old size.
    drop_panel_windows();
    set_lines(config.ScreenRows, config.ScreenColumns);
    get_screen_size();
}

int next_ega_rows(int rows, int lines_setting)
{
    if (rows == 25)
        return lines_setting > 25 ? (lines_setting > 50 ? 50 : lines_setting) : 50;
    if (rows == 50)
        return lines_setting > 50 ? lines_setting : 25;
    return rows < 50 ? 50 : 25;
}

int next_columns(int columns, int columns_setting)
{
    if (columns == 80)
        return 132;
    if (columns == 132)
        return columns_setting > 80 && columns_setting != 132 ? columns_setting : 80;
    return 80;
}

void ega_lines()
{
    config.ScreenRows = next_ega_rows(console.Lines(), config.Lines);
    change_lines();
}

void toggle_columns()
{
    config.ScreenColumns = next_columns(console.Columns(), config.Columns);
    change_lines();
}
