#include "panels/panel_mouse.h"

#include "config/config.h"
#include "console/console.h"
#include "panels/info_panel.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/panel_columns.h"
#include "panels/panel_display.h"
#include "panels/selection.h"

#include <algorithm>

namespace {

// The tag state a right press chose, carried on by a right drag, and the
// entry the drag was last at.
int drag_state = 0;
int drag_from = 0;
// The row of the mouse event before this one: a right drag opens the menu
// only along row 0.
int last_row = -1;

constexpr int WheelStep = 3;

int panel_height()
{
    return config.PanelHeight > 0 ? config.PanelHeight : 1;
}

// The side whose window holds column x; -1 past both.
int side_at(int x)
{
    int half = panel_half();
    if (x < 0 || x >= 2 * half)
        return -1;
    return x < half ? 0 : 1;
}

void put_cursor(PANEL* p, int side, int index)
{
    show_cursor(panel_base, side, 0);
    move_cursor(p, index - p->CurrentIndex());
    show_cursor(panel_base, side, 1);
}

}

int entry_at(int side, int x, int y)
{
    PANEL* p = &panel_base[side];
    int h = panel_height();
    int rel_x = x - side * panel_half() - 1;
    int row = y - 1;
    if (row < 0 || row >= h || rel_x < 0 || rel_x >= panel_half() - 2)
        return -1;
    int slot = -1;
    if (p->detail != DetailBrief && p->detail != DetailBriefWide) {
        slot = row;
    } else {
        // Hit-tested against the columns the entries are drawn in: a
        // separator between two columns belongs to neither.
        for (int s = row; s < page_size_for(p->detail); s += h) {
            int cx, cy, width;
            ColInfo(cx, cy, width, p->detail, s);
            if (rel_x >= cx && rel_x < cx + width)
                slot = s;
        }
    }
    int index = p->top + slot;
    return slot >= 0 && index < p->Count() ? index : -1;
}

bool panel_mouse(_MEVENT& m, PANEL_REQUEST& r)
{
    int rows = console.Lines();
    int previous_row = last_row;
    last_row = m.y;
    if (m.kind == MouseWheel) {
        PANEL* p = &panel_base[currpanel];
        if (!p->showing || p->type != PanelFiles || m.y >= rows - 2)
            return false;
        show_cursor(panel_base, currpanel, 0);
        move_cursor(p, m.wheel > 0 ? -WheelStep : WheelStep);
        show_cursor(panel_base, currpanel, 1);
        return true;
    }
    int side = side_at(m.x);
    if (side < 0 || m.y >= rows - 2)
        return false;
    PANEL* p = &panel_base[side];
    if (!p->showing)
        return false;
    int h = panel_height();
    bool press = m.kind == MouseLeftPress || m.kind == MouseRightPress || m.kind == MouseLeftDrag ||
                 m.kind == MouseRightDrag || m.kind == MouseLeftDouble;
    if (!press)
        return m.y <= h + 3;

    // An info panel uses the rows of a files panel's status line too.
    if (p->type == PanelInfo && m.y >= 1 && m.y <= h + 2) {
        if (side != currpanel) {
            show_cursor(panel_base, currpanel, 0);
            make_curr(panel_base, side);
            r.redraw = std::max(r.redraw, 2);
        }
        if (m.kind == MouseLeftDouble && m.y - 1 >= p->info_lines) {
            edit_dirinfo(side);
            r.redraw = std::max(r.redraw, 2);
        }
        return true;
    }
    if (m.y >= 1 && m.y <= h) {
        if (side != currpanel) {
            show_cursor(panel_base, currpanel, 0);
            make_curr(panel_base, side);
            r.redraw = std::max(r.redraw, 2);
        }
        if (p->type != PanelFiles)
            return true;
        int index = entry_at(side, m.x, m.y);
        if (index >= 0)
            put_cursor(p, side, index);
        if (m.kind == MouseLeftDouble && index >= 0) {
            if (enter_current_entry())
                r.redraw = std::max(r.redraw, 1);
        }
        // The right button tags or untags the entry; dragging it carries
        // that state over every entry passed on the way.
        if (index >= 0 && m.kind == MouseRightPress) {
            tag(p, index, 0);
            drag_state = p->entries[index]->tagged ? 1 : -1;
            drag_from = index;
        } else if (index >= 0 && m.kind == MouseRightDrag && drag_state) {
            int step = index >= drag_from ? 1 : -1;
            for (int i = drag_from; i != index + step; i += step)
                tag(p, i, static_cast<char>(drag_state));
            drag_from = index;
        }
        if (m.kind == MouseRightPress || m.kind == MouseRightDrag)
            show_cursor(panel_base, side, 1);
        return true;
    }
    if (m.y == 0 && (m.kind == MouseRightPress || m.kind == MouseRightDrag)) {
        // The pull-down menu, through the key table like every other key.
        if (m.kind == MouseRightPress || previous_row == 0) {
            menu_click_x = m.x;
            r.pending = KEY_MENU_MOUSE;
        }
        return true;
    }
    bool scroll_row = m.y == 0 || (m.y > h && m.y <= h + 3);
    bool right_drag = m.kind == MouseRightDrag && drag_state;
    if (scroll_row && (m.kind == MouseLeftPress || m.kind == MouseLeftDrag || m.kind == MouseLeftDouble || right_drag) &&
        p->type == PanelFiles) {
        if (side != currpanel) {
            show_cursor(panel_base, currpanel, 0);
            make_curr(panel_base, side);
            r.redraw = std::max(r.redraw, 2);
        }
        scroll_panel(p, m.y, right_drag ? static_cast<char>(drag_state) : 0);
        return true;
    }
    return scroll_row;
}
