#include "panels/panel_windows.h"

#include "console/colours.h"
#include "console/console.h"
#include "fileops/file_system.h"
#include "panels/clock.h"
#include "panels/directory_history.h"
#include "panels/info_panel.h"
#include "panels/panel_columns.h"
#include "panels/panel_display.h"
#include "panels/read_panel.h"
#include "panels/screen_geometry.h"
#include "textui/textui_settings.h"
#include "textui/win.h"

#include <utility>

namespace {

// The panel of the right side shares row 0 with the clock, whose window
// sits on top of the panel's frame; it goes first and comes back with the
// next iteration of the main loop.
void hide_clock_for(int side)
{
    if (side == 1)
        hide_clock();
}

}

void init_panel(PANEL* p, int side)
{
    p->prev_path = p->path;
    p->sort = side ? config.RightSort : config.LeftSort;
    p->detail = side ? config.RightStyle : config.LeftStyle;
    p->type = side ? config.RightType : config.LeftType;
    p->filter = side ? config.RightFilter : config.LeftFilter;
    p->showing = side ? config.RightShowing : config.LeftShowing;
    if (p->type != PanelInfo)
        p->type = PanelFiles;
    if (p->filter.empty())
        p->filter = L"*";
    p->page_size = page_size_for(p->detail);
    p->name_scroll_entry = -1;

    // Read once whatever the panel shows, so that its list exists.
    paneldetail detail = p->detail;
    paneltype type = p->type;
    bool showing = p->showing;
    p->detail = DetailFull;
    p->type = PanelFiles;
    p->showing = true;
    read_panel(p);
    p->showing = showing;
    p->type = type;
    p->detail = detail;
    p->page_size = page_size_for(p->detail);
    // A tree lists its file system's directories instead.
    if (detail == DetailTree)
        p->reread_pending = true;
    if (p->showing)
        make_panel(p, side);
}

void make_panel(PANEL* p, int side)
{
    resize_columns();
    p->showing = true;
    p->user_hidden = false;
    hide_clock_for(side);
    p->win.reset();
    int x1, y1, x2, y2;
    panel_rect(side, x1, y1, x2, y2);
    unsigned char colour = ui_colour(ColourPanel);
    p->win.reset(new Win(x1, y1, x2, y2, colour, colour, 1));
    topline(p->path.c_str(), p == &panel_base[currpanel], side == 1 && config.Clock, p);
    if (p->reread_pending)
        read_panel(p);
    paint_panel(p);
}

void remove_panel(PANEL* p)
{
    hide_clock_for(panel_side(p));
    if (p->win)
        p->win->hide(1);
    p->showing = false;
}

void hide_panels(PANEL* panels)
{
    int rows = console.Lines(), cols = console.Columns();
    if (!panels[0].showing && !panels[1].showing) {
        if (panels[0].user_hidden && panels[1].user_hidden)
            panels[0].user_hidden = panels[1].user_hidden = false;
        for (int i = 0; i < 2; i++)
            if (!panels[i].user_hidden)
                panels[i].showing = true;
        console.ResetSelectionZone();
        return;
    }
    for (int i = 0; i < 2; i++) {
        PANEL* p = &panels[i];
        if (p->showing) {
            remove_panel(p);
            p->user_hidden = false;
        } else {
            p->user_hidden = true;
        }
    }
    console.SetSelectionZone(0, 0, cols, rows - 2);
}

void EnablePanels(char enable)
{
    for (int side = 0; side < 2; side++) {
        PANEL* p = &panel_base[side];
        if (!p->showing)
            continue;
        if (!enable) {
            if (p->win) {
                hide_clock_for(side);
                p->win->hide(1);
            }
            continue;
        }
        if (!p->win) {
            make_panel(p, side);
            continue;
        }
        if (p->win->hidden()) {
            p->win->hide(0);
            // The panel it describes may have been read while it was
            // hidden, with nothing drawn.
            if (p->type == PanelInfo)
                p->repaint_pending = true;
        }
        if (p->reread_pending)
            read_panel(p);
        if (p->repaint_pending)
            paint_panel(p);
    }
}

void drop_panel_windows()
{
    hide_clock();
    // Each window puts back what it covered; the right one first, as the
    // clock's window was made over it last.
    for (int side = 1; side >= 0; side--)
        panel_base[side].win.reset();
}

void full_screen()
{
    for (PANEL& p : panel_base)
        if (!p.showing)
            p.reread_pending = true;
    drop_panel_windows();
    config.FullScreen = !config.FullScreen;
    get_screen_size();
    for (int side = 0; side < 2; side++)
        if (panel_base[side].showing)
            make_panel(&panel_base[side], side);
}

void swap_panels(PANEL* panels)
{
    hide_clock();
    // Every old window goes before a new one is made, so that none saves
    // the other's picture as the screen beneath it.
    for (int side = 1; side >= 0; side--)
        panels[side].win.reset();
    std::swap(panels[0], panels[1]);
    swap_info_sides();
    for (int side = 0; side < 2; side++)
        if (panels[side].showing)
            make_panel(&panels[side], side);
}

void toggle_panel(int side)
{
    PANEL* p = &panel_base[side];
    if (p->showing) {
        remove_panel(p);
        p->user_hidden = true;
    } else {
        p->showing = true;
        make_panel(p, side);
    }
    if (!panel_base[currpanel].showing && panel_base[1 - currpanel].showing)
        make_curr(panel_base, 1 - currpanel);
}

void start_panels(const Westring& left_dir, const Westring& right_dir)
{
    Westring cwd = PxGetCwd();
    DirectoryHistory.Clear();
    for (int side = 0; side < 2; side++) {
        PANEL* p = &panel_base[side];
        *p = PANEL();
        p->path = cwd;
        const Westring& option = side ? right_dir : left_dir;
        const Westring& setting = side ? config.Right : config.Left;
        const Westring& dir = !option.empty() ? option : setting;
        if (!dir.empty())
            (void)p->ChangeVirtualWD(dir);
    }
    currpanel = config.StartupSide == L'R' || config.StartupSide == L'r' ? 1 : 0;
    for (int side = 0; side < 2; side++)
        init_panel(&panel_base[side], side);
    make_curr(panel_base, currpanel);
}
