#include "menus/menu_commands.h"

#include "config/config.h"
#include "config/ini_file.h"
#include "config/px_filename.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "menus/directory_boxes.h"
#include "menus/history_panel.h"
#include "menus/menu_codes.h"
#include "editor/edit.h"
#include "menus/option_dialogs.h"
#include "menus/pull_down_menu.h"
#include "menus/user_menu.h"
#include "panels/change_dir.h"
#include "panels/clock.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "panels/panel_mouse.h"
#include "panels/panel_windows.h"
#include "panels/read_panel.h"
#include "panels/selection.h"
#include "panels/sort_panel.h"
#include "panels/tree_hooks.h"
#include "textui/colours_dialog.h"

#include <algorithm>

namespace {

constexpr int KeyCtrlN = KEY_CTRL_A + 'N' - 'A';
constexpr int KeyShiftF10 = KEY_SHIFT_F1 + 9;
constexpr int KeyAltF5 = KEY_ALT_F1 + 4;
constexpr int KeyAltF8 = KEY_ALT_F1 + 7;
constexpr int KeyAltShiftF8 = (KEY_ALT_F1 + 7) | KEY_SHIFT_FLAG;
constexpr int KeyShiftF2 = KEY_SHIFT_F1 + 1;

void raise(PANEL_REQUEST& r, int level)
{
    r.redraw = std::max(r.redraw, level);
}

// Hands the menu's choice to the main loop, which dispatches it through the
// key table exactly as the key it carries.
void send(int code, PANEL_REQUEST& r)
{
    raise(r, 1);
    if (!code)
        return;
    r.pending = code;
}

void open_menu(int key, PANEL_REQUEST& r)
{
    send(menu(static_cast<char>(currpanel), key == KeyShiftF10), r);
}

void open_menu_at_mouse(int, PANEL_REQUEST& r)
{
    send(menu(static_cast<char>(currpanel), 0, menu_click_x), r);
}

// The side a side-menu code names, and its offset from the left form.
int side_of(int code)
{
    switch (code) {
    case MENU_RIGHT_BRIEF:
    case MENU_RIGHT_FULL:
    case MENU_RIGHT_WIDE:
    case MENU_RIGHT_BRIEF_WIDE:
    case MENU_RIGHT_UNIX:
    case MENU_RIGHT_REREAD:
    case MENU_RIGHT_FILTER:
    case MENU_RIGHT_TREE:
        return 1;
    default:
        return code >= MENU_RIGHT_SORT_NAME && code <= MENU_RIGHT_SORT_NAME + 5 ? 1 : 0;
    }
}

void set_detail(int code, PANEL_REQUEST& r)
{
    paneldetail detail = DetailBrief;
    switch (code) {
    case MENU_LEFT_FULL:
    case MENU_RIGHT_FULL:
        detail = DetailFull;
        break;
    case MENU_LEFT_WIDE:
    case MENU_RIGHT_WIDE:
        detail = DetailWide;
        break;
    case MENU_LEFT_BRIEF_WIDE:
    case MENU_RIGHT_BRIEF_WIDE:
        detail = DetailBriefWide;
        break;
    case MENU_LEFT_UNIX:
    case MENU_RIGHT_UNIX:
        detail = DetailUnix;
        break;
    case MENU_LEFT_TREE:
    case MENU_RIGHT_TREE:
        detail = DetailTree;
        break;
    default:
        break;
    }
    SetFilesPanelDetail(&panel_base[side_of(code)], detail, currpanel);
    raise(r, 2);
}

// Name .. Reverse of a side menu: as Ctrl+F3 .. Ctrl+F8 on that side.
void side_sort(int code, PANEL_REQUEST& r)
{
    int side = side_of(code);
    int n = code - (side ? MENU_RIGHT_SORT_NAME : MENU_LEFT_SORT_NAME);
    PANEL* p = &panel_base[side];
    if (!p->showing || p->type != PanelFiles)
        return;
    int order = p->sort;
    if (n == 5)
        order = order >= SortReversed ? order - SortReversed : order + SortReversed;
    else
        order = n;
    set_sort(p, static_cast<sortby>(order));
    raise(r, 1);
}

void reread(int side)
{
    PANEL* p = &panel_base[side];
    if (!p->showing)
        return;
    if (p->type == PanelFiles && p->detail == DetailTree)
        tree_hooks->MarkRescan(p);
    change_dir(panel_base, side, L"", 1);
}

void side_reread(int code, PANEL_REQUEST& r)
{
    reread(side_of(code));
    raise(r, 1);
}

void side_filter(int code, PANEL_REQUEST& r)
{
    int side = side_of(code);
    edit_filter(side);
    reread(side);
    raise(r, 2);
}

// A menu code that stands for a key: dispatched as that key.
void as_key(int code, PANEL_REQUEST& r)
{
    switch (code) {
    case MENU_SELECT_GROUP:
        r.pending = KEY_GREY_PLUS;
        break;
    case MENU_UNSELECT_GROUP:
        r.pending = KEY_GREY_MINUS;
        break;
    case MENU_INVERT_SELECTION:
        r.pending = KEY_GREY_STAR;
        break;
    case MENU_RESTORE_SELECTION:
        r.pending = KEY_ALT_GREY_PLUS;
        break;
    case MENU_HIDDEN_FILES:
        r.pending = KEY_CTRL_A + 'H' - 'A';
        break;
    default:
        break;
    }
}

void option(int code, PANEL_REQUEST& r)
{
    raise(r, 2);
    switch (code) {
    case MENU_CONFIGURATION:
        edit_config();
        break;
    case MENU_COLOURS:
        if (change_colours() == 0)
            drop_panel_windows();
        break;
    case MENU_CONFIRMATIONS:
        edit_confirmations();
        break;
    case MENU_PATH_PROMPT:
        config.PathPrompt = !config.PathPrompt;
        break;
    case MENU_FULL_SCREEN:
        full_screen();
        break;
    case MENU_CLOCK:
        config.Clock = !config.Clock;
        if (config.Clock) {
            init_clock();
        } else {
            hide_clock();
            if (!panel_base[1].showing)
                console.Clear(console.Columns() - 10, 0, 10, 1, console.GetAttr());
        }
        break;
    case MENU_TAG_DIRECTORIES:
        config.TagDirs = !config.TagDirs;
        break;
    case MENU_THOUSAND_SEPARATOR:
        config.ThousandSep = !config.ThousandSep;
        for (PANEL& p : panel_base)
            if (p.showing)
                paint_panel(&p);
        break;
    case MENU_RETAIN_DIR_COUNT:
        config.RetainCount = !config.RetainCount;
        panel_refresh();
        break;
    case MENU_SAVE_SETUP:
        (void)save_config();
        break;
    case MENU_EDIT_ASSOCIATIONS:
        edit_associations();
        break;
    case MENU_EDIT_USER_MENU:
        edit_user_menu();
        break;
    default:
        break;
    }
}

void stored_paths(int, PANEL_REQUEST& r)
{
    PANEL* p = &panel_base[currpanel];
    if (storepop(p)) {
        p->top = p->cursor = 0;
        change_dir(panel_base, currpanel, L"");
    }
    raise(r, 2);
}

void command_history(int, PANEL_REQUEST& r)
{
    if (!r.command_line)
        return;
    COMMANDLINE& cl = *r.command_line;
    int result = history_panel(currpanel, cl.text, cl.cursor);
    if (result == HistoryRan)
        cl.hist = 0;
    raise(r, std::max(result, 1));
}

void directory_history(int, PANEL_REQUEST& r)
{
    DirHistoryBox(&panel_base[currpanel]);
    raise(r, 2);
}

void user_menu_key(int key, PANEL_REQUEST& r)
{
    user_menu(currpanel, key == KeyShiftF2);
    raise(r, 2);
}

// Opens file in the internal editor; 0 when the user edited it.
int edit_file(const Westring& file)
{
    return edit(file.c_str());
}

}

void edit_associations()
{
    Westring ini = config.IniFile.empty() ? PXFilename(PXConfig) : config.IniFile;
    if (edit_file(ini) != 0)
        return;
    panel_refresh();
    configure(1);
}

void edit_user_menu()
{
    if (edit_file(PXFilename(PXUserMenu)) != 0)
        return;
    panel_refresh();
}

void bind_menu_commands()
{
    bind_key(KEY_F1 + 8, open_menu);
    bind_key(KeyCtrlN, open_menu);
    bind_key(KeyShiftF10, open_menu);
    bind_key(KEY_MENU_MOUSE, open_menu_at_mouse);
    for (int code : {MENU_LEFT_BRIEF, MENU_RIGHT_BRIEF, MENU_LEFT_FULL, MENU_RIGHT_FULL, MENU_LEFT_WIDE,
                     MENU_RIGHT_WIDE, MENU_LEFT_BRIEF_WIDE, MENU_RIGHT_BRIEF_WIDE, MENU_LEFT_UNIX, MENU_RIGHT_UNIX,
                     MENU_LEFT_TREE, MENU_RIGHT_TREE})
        bind_key(code, set_detail);
    for (int i = 0; i < 6; i++) {
        bind_key(MENU_LEFT_SORT_NAME + i, side_sort);
        bind_key(MENU_RIGHT_SORT_NAME + i, side_sort);
    }
    bind_key(MENU_LEFT_REREAD, side_reread);
    bind_key(MENU_RIGHT_REREAD, side_reread);
    bind_key(MENU_LEFT_FILTER, side_filter);
    bind_key(MENU_RIGHT_FILTER, side_filter);
    for (int code : {MENU_SELECT_GROUP, MENU_UNSELECT_GROUP, MENU_INVERT_SELECTION, MENU_RESTORE_SELECTION,
                     MENU_HIDDEN_FILES})
        bind_key(code, as_key);
    for (int code : {MENU_CONFIGURATION, MENU_COLOURS, MENU_CONFIRMATIONS, MENU_PATH_PROMPT, MENU_FULL_SCREEN,
                     MENU_CLOCK, MENU_TAG_DIRECTORIES, MENU_THOUSAND_SEPARATOR, MENU_RETAIN_DIR_COUNT,
                     MENU_SAVE_SETUP, MENU_EDIT_ASSOCIATIONS, MENU_EDIT_USER_MENU})
        bind_key(code, option);
    bind_key(KeyAltF5, stored_paths);
    bind_key(KeyAltF8, command_history);
    bind_key(KeyAltShiftF8, directory_history);
    bind_key(KEY_ALT_BACKSLASH, directory_history);
    bind_key(KEY_F1 + 1, user_menu_key);
    bind_key(KeyShiftF2, user_menu_key);
}
