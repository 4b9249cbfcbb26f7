#include "panels/panel_columns.h"

#include <algorithm>
#include <cassert>

COLUMN col_width[ListDetails][MaxColumns + 1] = {
    {{ColumnName, 12, 256, 12}, {ColumnName, 12, 256, 12}, {ColumnName, 12, 256, 12}, {ColumnName, -1, 0, 0}},
    {{ColumnName, 13, 256, 13}, {ColumnSize, 8, 10, 8}, {ColumnDate, 8, 8, 8}, {ColumnTime, 6, 6, 6},
     {ColumnName, -1, 0, 0}},
    {{ColumnSize, 8, 10, 8}, {ColumnName, 29, 256, 29}, {ColumnName, -1, 0, 0}},
    {{ColumnName, 12, 256, 12}, {ColumnName, 12, 256, 12}, {ColumnName, -1, 0, 0}},
    {{ColumnName, 12, 256, 12}, {ColumnSize, 7, 10, 7}, {ColumnPermissions, 9, 9, 9}, {ColumnOwner, 3, 10, 3},
     {ColumnGroup, 3, 10, 3}, {ColumnName, -1, 0, 0}},
};

int column_count(paneldetail detail)
{
    if (detail < 0 || detail >= ListDetails)
        return 0;
    int n = 0;
    while (n < MaxColumns && col_width[detail][n].min_width >= 0)
        n++;
    return n;
}

const COLUMN& column(paneldetail detail, int index)
{
    assert(index >= 0 && index < column_count(detail));
    return col_width[detail][index];
}

int column_width(paneldetail detail, EColumnKind kind)
{
    for (int i = 0; i < column_count(detail); i++)
        if (col_width[detail][i].kind == kind)
            return col_width[detail][i].width;
    return 0;
}

int panel_half()
{
    return config.ScreenColumns / 2;
}

void resize_columns()
{
    int inside = panel_half() - 2;
    for (int d = 0; d < ListDetails; d++) {
        int n = column_count(static_cast<paneldetail>(d));
        int available = inside;
        for (int i = 0; i < n; i++) {
            COLUMN& c = col_width[d][i];
            c.width = c.min_width;
            available -= c.width + (i > 0 ? 1 : 0);
        }
        while (available > 0) {
            int start = available;
            for (int i = 0; i < n && available > 0; i++) {
                COLUMN& c = col_width[d][i];
                int share = (start * c.width + inside - 1) / inside;
                share = std::min({share, available, c.max_width - c.width});
                c.width = static_cast<short>(c.width + share);
                available -= share;
            }
            // Every column at its maximum: the rest stays blank.
            if (available == start)
                break;
        }
    }
}

void ColInfo(int& x, int& y, int& width, paneldetail detail, int slot)
{
    int height = config.PanelHeight > 0 ? config.PanelHeight : 1;
    switch (detail) {
    case DetailBrief:
    case DetailBriefWide: {
        int col = slot / height;
        int n = column_count(detail);
        if (col >= n)
            col = n - 1;
        y = slot - col * height;
        x = 0;
        for (int i = 0; i < col; i++)
            x += col_width[detail][i].width + 1;
        width = col_width[detail][col].width;
        break;
    }
    case DetailFull:
    case DetailUnix:
        x = 0;
        y = slot;
        width = col_width[detail][0].width;
        break;
    case DetailWide:
        x = 0;
        y = slot;
        width = col_width[detail][1].width;
        break;
    default:
        x = 0;
        y = slot;
        width = panel_half() - 2;
        break;
    }
}

void make_line(paneldetail detail, Westring& line, wchar_t fill, wchar_t junction, wchar_t left, wchar_t right)
{
    int half = panel_half();
    if (fill)
        line = String(fill, half);
    else if (line.strlen() < half)
        line = line.pad(half, L' ');
    int n = column_count(detail);
    int pos = left ? 1 : 0;
    for (int i = 0; i + 1 < n; i++) {
        pos += col_width[detail][i].width;
        if (pos < half) {
            if (junction == 0x252C && line[pos] == 0x2534)
                line[pos] = 0x253C;
            else
                line[pos] = junction;
        }
        pos++;
    }
    if (left) {
        line[0] = left;
        line[half - 1] = right;
    } else if (right) {
        line[half - 2] = right;
    }
}
