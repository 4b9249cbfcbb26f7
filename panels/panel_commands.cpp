#include "panels/panel_commands.h"

#include "command/environment.h"
#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "fileops/shell_window.h"
#include "panels/change_dir.h"
#include "panels/directory_history.h"
#include "panels/info_panel.h"
#include "panels/key_commands.h"
#include "panels/mount_chooser.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "panels/panel_loop.h"
#include "panels/panel_windows.h"
#include "panels/quick_search.h"
#include "panels/read_panel.h"
#include "panels/sort_panel.h"
#include "panels/tree_hooks.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int ctrl(char letter)
{
    return KEY_CTRL_A + letter - 'A';
}

constexpr int KeyCtrlF1 = KEY_CTRL_F1;
constexpr int KeyCtrlF(int n)
{
    return KEY_CTRL_F1 + n - 1;
}
constexpr int KeyAltF(int n)
{
    return KEY_ALT_F1 + n - 1;
}
constexpr int KeyCtrl3 = KEY_CTRL_DIGIT + 3;
constexpr int KeyCtrl9 = KEY_CTRL_DIGIT + 9;
constexpr int KeyCtrlShiftReturn = KEY_ALT_RETURN | KEY_SHIFT_FLAG;

PANEL* current()
{
    return &panel_base[currpanel];
}

// The current panel when it is a files panel on screen; null otherwise.
PANEL* files_panel()
{
    PANEL* p = current();
    return p->showing && p->type == PanelFiles ? p : nullptr;
}

void raise(PANEL_REQUEST& r, int level)
{
    r.redraw = std::max(r.redraw, level);
}

void move_to(PANEL* p, int index)
{
    move_cursor(p, index - p->CurrentIndex());
}

// Alt+Up and Alt+Down in a tree: the previous or next node of the same
// depth within the parent's branch.
void same_depth(PANEL* p, int direction)
{
    if (p->Count() == 0)
        return;
    int depth = p->Current()->depth;
    for (int i = p->CurrentIndex() + direction; i >= 0 && i < p->Count(); i += direction) {
        int d = p->entries[i]->depth;
        if (d < depth)
            return;
        if (d == depth) {
            move_to(p, i);
            return;
        }
    }
}

// PgUp and PgDn move by a page and keep the cursor on its row, except
// where the list ends.
void page_up(PANEL* p)
{
    p->page_size = page_size_for(p->detail);
    if (p->top == 0) {
        p->cursor = 0;
    } else {
        p->top -= p->page_size;
        if (p->top < 0) {
            p->cursor = std::max(0, p->cursor + p->top);
            p->top = 0;
        }
    }
    p->search = Westring();
    paint_panel(p);
}

void page_down(PANEL* p)
{
    int n = p->Count(), page = page_size_for(p->detail);
    p->page_size = page;
    if (n == 0)
        return;
    if (p->top + page >= n) {
        p->cursor = n - 1 - p->top;
    } else {
        p->top += page;
        if (p->top + page > n) {
            int back = p->top - std::max(0, n - page);
            p->top -= back;
            p->cursor += back;
        }
        p->cursor = std::min(p->cursor, n - 1 - p->top);
    }
    p->search = Westring();
    paint_panel(p);
}

int panel_height()
{
    return config.PanelHeight > 0 ? config.PanelHeight : 1;
}

// Left and Right in brief and brief-wide: a column is a panel height of
// entries; at the edge of the page the page moves by a column.
void column_left(PANEL* p)
{
    int h = panel_height();
    if (p->top >= h && p->cursor < h) {
        p->top -= h;
        paint_panel(p);
    } else {
        move_cursor(p, -h);
    }
}

void column_right(PANEL* p)
{
    int h = panel_height(), page = page_size_for(p->detail);
    if (p->top + page < p->Count() && p->cursor >= page - h) {
        p->top += h;
        p->cursor = std::min(p->cursor, p->Count() - 1 - p->top);
        paint_panel(p);
    } else {
        move_cursor(p, h);
    }
}

// Moves the panel to dir and reads it; false when dir cannot be entered.
bool go_to(int side, const Westring& dir)
{
    PANEL* p = &panel_base[side];
    if (!p->ChangeVirtualWD(dir))
        return false;
    change_dir(panel_base, side, L"");
    return true;
}

// Ctrl+-: back to the directory shown before the last change, at its
// position then.
void go_back(PANEL* p)
{
    if (p->back_path.empty())
        return;
    Westring back = p->back_path;
    int top = p->back_top, cursor = p->back_cursor;
    if (!p->ChangeVirtualWD(back))
        return;
    DirectoryHistory.DropLastIf(back);
    change_dir(panel_base, currpanel, L"", 0, top, cursor);
}

// Ctrl+G: to a link's target; for a file, into its directory with the
// cursor on it.
void follow_link(PANEL* p)
{
    entry* e = p->Current();
    if (!e || !(e->attributes & AttrSymLink) || (e->attributes & AttrBrokenLink))
        return;
    Westring target = p->link_targets.GetLinkTarget(p->path.AppendBackslash() + e->name);
    if (target.empty() || ResolvePath(target, p->path.c_str()) != 0)
        return;
    if (e->IsDirectory()) {
        go_to(currpanel, target);
        return;
    }
    Westring dir = target.path().empty() ? Westring(L"/") : target.path();
    if (go_to(currpanel, dir))
        goto_fname(p, target.filename().c_str());
}

// Alt+Up and Alt+Down without a quick search: the previous or next tagged
// entry.
void next_tagged(PANEL* p, int direction)
{
    for (int i = p->CurrentIndex() + direction; i >= 0 && i < p->Count(); i += direction) {
        if (p->entries[i]->tagged) {
            move_to(p, i);
            return;
        }
    }
}

void toggle_hidden()
{
    config.Hidden = !config.Hidden;
    for (PANEL& p : panel_base)
        if (p.showing)
            read_panel(&p);
    (void)cdd(panels_directory());
}

bool ascii_word_char(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Ctrl+Enter where the history prefix search does not apply: the current
// entry's name into the command line, or with Shift onto the clipboard.
bool insert_name(COMMANDLINE& cl, bool clipboard)
{
    if (cl.cursor > 0 && cl.cursor <= cl.text.strlen() && ascii_word_char(cl.text[cl.cursor - 1]))
        return false;
    PANEL* p = files_panel();
    if (!p || !p->Current())
        return true;
    Westring name = p->Current()->name;
    if (clipboard)
        console.PutClipText(name.c_str());
    else
        CLPaste(cl.text, name, cl.cursor);
    return true;
}

// Ctrl+[ and Ctrl+]: a panel's directory, with a final "/", into the line.
void insert_directory(COMMANDLINE& cl, int side)
{
    const PANEL* p = &panel_base[side];
    if (!p->path.empty())
        CLPaste(cl.text, p->GetWD().AppendBackslash(), cl.cursor);
}

void quick_search(PANEL* p, int ch, _MEVENT& event, int direction, PANEL_REQUEST& r)
{
    int key = 0;
    if (name_seek(ch, p, key, event, direction))
        r.pending = key;
}

bool alt_character(int key, _MEVENT& event, int& ch)
{
    _MEVENT copy = event;
    ch = un_alt(key, copy);
    return ch != key && ch >= 32 && ch < KEY_EXTENDED;
}

}

bool enter_current_entry(int background)
{
    PANEL* p = files_panel();
    if (!p || !p->Current())
        return false;
    entry* e = p->Current();
    // A tree's directory is entered in the other panel, as execute does.
    if (!e->IsDirectory() || p->detail == DetailTree)
        return execute_hook && execute_hook(panel_base, currpanel, L"", background) > 0;
    change_dir(panel_base, currpanel, e->name);
    return true;
}

bool panel_command(int key, _MEVENT& event, COMMANDLINE& cl, PANEL_REQUEST& r)
{
    PANEL* p = current();
    PANEL* files = files_panel();
    bool on = panels_on();
    bool empty_line = cl.text.trim().empty();

    switch (key) {
    case KEY_UP:
    case KEY_DOWN:
        if (!on)
            return false;
        if (files)
            move_cursor(files, key == KEY_UP ? -1 : 1);
        return true;
    case KEY_HOME:
    case KEY_END:
        if (!on)
            return false;
        if (files && files->Count())
            move_to(files, key == KEY_HOME ? 0 : files->Count() - 1);
        return true;
    case KEY_PGUP:
    case KEY_PGDN:
        if (files)
            key == KEY_PGUP ? page_up(files) : page_down(files);
        return true;
    case KEY_LEFT:
    case KEY_RIGHT:
        if (files && (files->detail == DetailBrief || files->detail == DetailBriefWide)) {
            key == KEY_LEFT ? column_left(files) : column_right(files);
            return true;
        }
        key = key == KEY_LEFT ? ctrl('S') : ctrl('D');
        [[fallthrough]];
    case ctrl('S'):
    case ctrl('D'):
    case KEY_ALT_LEFT:
    case KEY_ALT_RIGHT: {
        bool right = key == ctrl('D') || key == KEY_ALT_RIGHT;
        if (key == KEY_ALT_RIGHT && files && !files->search.empty()) {
            AutoFillSeek(files);
            return true;
        }
        // On an empty line these scroll the current entry's long name.
        if (!cl.text.empty() || !files || !files->Current())
            return false;
        int index = files->CurrentIndex();
        if (files->name_scroll_entry != index) {
            files->name_scroll_entry = index;
            files->name_scroll = 0;
        }
        if (right)
            files->name_scroll++;
        else if (files->name_scroll > 0)
            files->name_scroll--;
        show_cursor(panel_base, currpanel, 1);
        return true;
    }
    case KEY_TAB:
    case KEY_SHIFT_TAB:
        if (panel_base[1 - currpanel].showing || !p->showing) {
            make_curr(panel_base, 1 - currpanel);
            raise(r, 2);
        }
        return true;
    case KEY_RETURN:
    case KEY_ALT_RETURN:
        if (!empty_line || !on)
            return false;
        if (enter_current_entry(key == KEY_ALT_RETURN))
            raise(r, 2);
        return true;
    case KEY_CTRL_RETURN:
    case KeyCtrlShiftReturn:
        if (!on)
            return false;
        if (!insert_name(cl, key == KeyCtrlShiftReturn))
            return false;
        raise(r, 1);
        return true;
    case KEY_ESC:
        if (event.state & STATE_CONTROL) {  // Ctrl+[ arrives as Esc with Control held
            insert_directory(cl, 0);
            raise(r, 1);
            return true;
        }
        if (files)
            files->search = Westring();
        if (cl.text.empty() && config.EscPanelSwitch) {
            hide_panels(panel_base);
            raise(r, 2);
            return true;
        }
        return false;
    case KEY_CTRL_RBRACKET:
        insert_directory(cl, 1);
        raise(r, 1);
        return true;
    case ctrl('F'):
    case KEY_CTRL_SHIFT_F:
        if (files && files->Current()) {
            Westring full = current_entry_path(files);
            if (key == KEY_CTRL_SHIFT_F)
                console.PutClipText(full.c_str());
            else
                CLPaste(cl.text, full, cl.cursor);
            raise(r, 1);
        }
        return true;
    case KEY_CTRL_PGUP:
    case KeyCtrl9:
        if (files) {
            change_dir(panel_base, currpanel, L"..");
            raise(r, 1);
        }
        return true;
    case KEY_CTRL_PGDN:
    case KeyCtrl3:
        // A file is always tried as an archive; no reader knowing it
        // leaves everything as it was.
        if (files && files->Current()) {
            if (files->Current()->IsDirectory())
                change_dir(panel_base, currpanel, files->Current()->name);
            else
                (void)enter_archive(panel_base, currpanel, files->Current()->name);
            raise(r, 1);
        }
        return true;
    case KEY_CTRL_BACKSLASH:
    case KEY_CTRL_SHIFT_BACKSLASH:
        if (files && files->archive && key == KEY_CTRL_BACKSLASH) {
            leave_archives(panel_base, currpanel);
            raise(r, 1);
        } else if (files) {
            go_to(currpanel, key == KEY_CTRL_SHIFT_BACKSLASH ? panel_base[1 - currpanel].GetWD() : Westring(L"/"));
            raise(r, 1);
        }
        return true;
    case KEY_CTRL_MINUS:
        if (files) {
            go_back(files);
            raise(r, 1);
        }
        return true;
    case ctrl('G'):
        if (files && !files->archive) {
            follow_link(files);
            raise(r, 1);
        }
        return true;
    case KEY_ALT_HOME:
        if (files) {
            if (const char* home = SessionEnv.Get("HOME"))
                go_to(currpanel, FileNameFromSys(home));
            raise(r, 1);
        }
        return true;
    case KEY_ALT_UP:
    case KEY_ALT_DOWN:
        if (files) {
            int direction = key == KEY_ALT_UP ? -1 : 1;
            if (files->detail == DetailTree)
                same_depth(files, direction);
            else if (!files->search.empty())
                quick_search(files, 0, event, direction, r);
            else
                next_tagged(files, direction);
        }
        return true;
    case KEY_ALT_BACKSPACE:
        if (files) {
            files->search = files->search.chop(1);
            print_status(files);
        }
        return true;
    case KeyCtrlF1:
    case KeyCtrlF(2):
        toggle_panel(key == KeyCtrlF1 ? 0 : 1);
        raise(r, 2);
        return true;
    case ctrl('P'):
        toggle_panel(1 - currpanel);
        raise(r, 2);
        return true;
    case ctrl('L'):
        // On an info panel the key takes it back to its files.
        if (p->showing) {
            info_panel(panel_base, p->type == PanelInfo ? 1 - currpanel : currpanel);
            make_curr(panel_base, currpanel);
            raise(r, 2);
        }
        return true;
    case KEY_F1 + 3:  // F4
        if (!on || p->type != PanelInfo || !p->showing)
            return false;
        edit_dirinfo(currpanel);
        raise(r, 2);
        return true;
    case ctrl('O'):
        hide_panels(panel_base);
        raise(r, 2);
        return true;
    case ctrl('U'):
        swap_panels(panel_base);
        make_curr(panel_base, 1 - currpanel);
        raise(r, 2);
        return true;
    case KeyCtrlF(3):
    case KeyCtrlF(4):
    case KeyCtrlF(5):
    case KeyCtrlF(6):
    case KeyCtrlF(7):
        if (files)
            set_sort(files, static_cast<sortby>(key - KeyCtrlF(3)));
        return true;
    case KeyCtrlF(8):
        if (files) {
            int order = files->sort;
            set_sort(files, static_cast<sortby>(order >= SortReversed ? order - SortReversed : order + SortReversed));
        }
        return true;
    case KeyAltF(1) | KEY_SHIFT_FLAG:
    case KeyAltF(2) | KEY_SHIFT_FLAG:
    case KeyAltF(3) | KEY_SHIFT_FLAG:
    case KeyAltF(4) | KEY_SHIFT_FLAG:
    case KeyAltF(5) | KEY_SHIFT_FLAG:
        if (on) {
            SetFilesPanelDetail(p, static_cast<paneldetail>((key & ~KEY_SHIFT_FLAG) - KeyAltF(1)), currpanel);
            raise(r, 1);
        }
        return true;
    case ctrl('R'):
        if (config.CtrlRDriveChng) {
            change_drive(currpanel);
            raise(r, 2);
        } else if (files) {
            Westring left;
            if (files->detail == DetailTree) {
                // A tree beside an archive reloads that archive; otherwise
                // the tree is scanned again.
                PANEL* other = &panel_base[1 - currpanel];
                if (other->showing && other->type == PanelFiles && other->archive) {
                    if (reload_archive(other, &left) != 0) {
                        change_dir(panel_base, 1 - currpanel, L"");
                        goto_fname(other, left.c_str());
                    } else {
                        change_dir(panel_base, 1 - currpanel, L"", 1);
                    }
                } else {
                    tree_hooks->MarkRescan(files);
                }
                change_dir(panel_base, currpanel, L"", 1);
            } else if (files->archive && reload_archive(files, &left) != 0) {
                change_dir(panel_base, currpanel, L"");
                goto_fname(files, left.c_str());
            } else {
                change_dir(panel_base, currpanel, L"", 1);
            }
            raise(r, 1);
        }
        return true;
    case ctrl('H'):
        toggle_hidden();
        raise(r, 1);
        return true;
    case ctrl('W'):
        // The desktop's own file window on the current directory.
        if (on && !panel_base[currpanel].archive)
            OpenShellWindow(panel_base[currpanel].detail == DetailTree ? panel_directory(&panel_base[currpanel])
                                                                         : panel_base[currpanel].GetWD(),
                            config.PathAppend);
        return true;
    case KeyAltF(1):
    case KeyAltF(2):
        change_drive(key == KeyAltF(1) ? 0 : 1);
        raise(r, 2);
        return true;
    case KEY_CTRL_M:
    case KEY_CTRL_SHIFT_M:
        if (files) {
            files->ChooseMountPoint(key == KEY_CTRL_SHIFT_M);
            raise(r, 2);
        }
        return true;
    default:
        break;
    }

    int ch;
    if (alt_character(key, event, ch)) {
        if (files)
            quick_search(files, ch, event, 1, r);
        return true;
    }
    return false;
}
