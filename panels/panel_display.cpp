#include "panels/panel_display.h"

#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "panels/entry_format.h"
#include "panels/info_panel.h"
#include "panels/selection.h"
#include "panels/panel_columns.h"
#include "panels/panel_windows.h"
#include "panels/read_panel.h"
#include "panels/startup.h"
#include "panels/tree_hooks.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"
#include "textui/win.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr wchar_t Horizontal = 0x2500, Vertical = 0x2502;
constexpr wchar_t JoinDown = 0x252C, JoinUp = 0x2534;
constexpr wchar_t DoubleHorizontal = 0x2550, DoubleVertical = 0x2551;
constexpr wchar_t TopLeft = 0x2554, TopRight = 0x2557, BottomLeft = 0x255A, BottomRight = 0x255D;
constexpr wchar_t TopJoin = 0x2564, BottomJoin = 0x2567, SeparatorLeft = 0x255F, SeparatorRight = 0x2562;

int height()
{
    return config.PanelHeight > 0 ? config.PanelHeight : 1;
}

int inner_width()
{
    return panel_half() - 2;
}

bool is_list_detail(paneldetail d)
{
    return d >= DetailBrief && d <= DetailUnix;
}

bool is_columned(paneldetail d)
{
    return d == DetailBrief || d == DetailBriefWide;
}

bool is_current(const PANEL* p)
{
    return p == &panel_base[currpanel];
}

unsigned char highlight_colour(const entry* e)
{
    if (e->tagged)
        return ui_colour(ColourHighlightTagged);
    if (e->IsDirectory())
        return ui_colour(ColourDirectoryHigh);
    return ui_colour(ColourHighlight);
}

// The colour and scroll counter the entry at index is drawn with in a
// full paint: the highlight for the cursor of the current panel.
int paint_colour(PANEL* p, int index, int*& scroll)
{
    static int no_scroll;
    scroll = nullptr;
    if (!is_current(p) || index != p->CurrentIndex())
        return 0;
    no_scroll = 0;
    scroll = p->name_scroll_entry == index ? &p->name_scroll : &no_scroll;
    return highlight_colour(p->entries[index]);
}

Westring cells_text(const Westring& line, int from, int count)
{
    return line.mid(from, count);
}

// One row of the entry area as it should look.
void paint_row(PANEL* p, int row)
{
    unsigned char panel_colour = ui_colour(ColourPanel);
    CellString line;
    line.SetAttr(panel_colour);
    if (is_columned(p->detail)) {
        int n = column_count(p->detail);
        for (int col = 0; col < n; col++) {
            int width = column(p->detail, col).width;
            if (col > 0)
                line += ScreenCell(Vertical, panel_colour);
            int index = p->top + col * height() + row;
            if (index < p->Count()) {
                int* scroll;
                int colour = paint_colour(p, index, scroll);
                CellString field;
                format_entry(field, p, index, colour, scroll, p->detail, width);
                line += field;
            } else {
                line += String(L' ', width);
            }
        }
    } else {
        int index = p->top + row;
        if (index < p->Count()) {
            int* scroll;
            int colour = paint_colour(p, index, scroll);
            print_entry(line, p, index, colour, scroll);
        } else {
            Westring blank;
            make_line(p->detail, blank, L' ', Vertical, 0, 0);
            line += cells_text(blank, 0, inner_width());
        }
    }
    p->win->putcs_at(0, row, line.pad(inner_width()).left(inner_width()));
}

void put_line(PANEL* p, int y, const Westring& line, unsigned char attr)
{
    p->win->puts_at(-1, y, line.c_str(), attr);
}

// Keeps the cursor on the list and on the page.
void settle_cursor(PANEL* p)
{
    p->page_size = page_size_for(p->detail);
    if (p->cursor >= p->page_size) {
        p->top += p->cursor - p->page_size + 1;
        p->cursor = p->page_size - 1;
    }
    int n = p->Count();
    if (n == 0) {
        p->top = p->cursor = 0;
        return;
    }
    if (p->top < 0)
        p->top = 0;
    if (p->cursor < 0)
        p->cursor = 0;
    if (p->top + p->cursor > n - 1) {
        int last = n - 1;
        if (last < p->top)
            p->top = std::max(0, last - p->page_size + 1);
        p->cursor = last - p->top;
    }
}

void set_panel_title(const PANEL* p)
{
    Westring title = p->path;
    collapse_path(title, 50);
    set_title(title.c_str());
}

// Moves the entry area one row (+1 up, -1 down) and draws the row that
// came into view.
void scroll_one(PANEL* p, int direction)
{
    if (!panel_visible(p))
        return;
    // Not bracketed by BeginPaint: the console moves the pixels only when
    // no paint is pending.
    p->win->Scroll(0, 0, inner_width(), height(), direction);
    paint_row(p, direction > 0 ? height() - 1 : 0);
}

bool within_scroll_rows(int y)
{
    return y == 0 || (y > height() && y <= height() + 3);
}

}

bool panel_visible(const PANEL* p)
{
    return p->showing && p->win && !p->win->hidden();
}

void panel_rect(int side, int& x1, int& y1, int& x2, int& y2)
{
    int half = panel_half();
    x1 = side * half;
    x2 = x1 + half - 1;
    y1 = 0;
    y2 = height() + 3;
}

void print_entry(int x, int y, PANEL* p, int index, int colour, int* scroll)
{
    if (!panel_visible(p) || index < 0 || index >= p->Count())
        return;
    CellString line;
    print_entry(line, p, index, colour, scroll);
    p->win->putcs_at(x, y, line);
}

void print_entry(PANEL* p, int index, int colour, int* scroll)
{
    int x, y, width;
    ColInfo(x, y, width, p->detail, index - p->top);
    if (y < 0 || y >= height())
        return;
    print_entry(x, y, p, index, colour, scroll);
}

void paint_panel(PANEL* p)
{
    if (!panel_visible(p))
        return;
    p->repaint_pending = false;
    if (p->type == PanelInfo) {
        info_panel_update(panel_side(p));
        return;
    }
    settle_cursor(p);
    unsigned char panel_colour = ui_colour(ColourPanel);
    bool joins = HasSingleDoubleJoins;
    console.BeginPaint();
    for (int row = 0; row < height(); row++)
        paint_row(p, row);

    Westring line;
    make_line(p->detail, line, Horizontal, JoinUp, joins ? SeparatorLeft : DoubleVertical,
              joins ? SeparatorRight : DoubleVertical);
    if (p->detail != DetailFull && p->detail != DetailTree)
        make_line(DetailFull, line, 0, JoinDown, joins ? SeparatorLeft : DoubleVertical,
                  joins ? SeparatorRight : DoubleVertical);
    put_line(p, height(), line, panel_colour);
    print_status(p);
    bool full_junctions = joins && p->detail != DetailFull && is_list_detail(p->detail);
    make_line(DetailFull, line, DoubleHorizontal, full_junctions ? BottomJoin : DoubleHorizontal, BottomLeft,
              BottomRight);
    put_line(p, height() + 2, line, panel_colour);

    int side = panel_side(p);
    topline(p->path.c_str(), is_current(p), side == 1 && config.Clock, p);
    if (is_current(p))
        set_panel_title(p);
    console.EndPaint();
}

void topline(const wchar_t* path, char active, int clock, PANEL* p)
{
    if (!panel_visible(p))
        return;
    // Inside an archive the title stands out in the tagged colours.
    unsigned char title_colour = p->archive ? ui_colour(active ? ColourHighlightTagged : ColourTagged)
                                            : ui_colour(active ? ColourHighlight : ColourPanel);
    unsigned char frame_colour = ui_colour(ColourPanel);
    int half = panel_half();
    int reserved = clock ? (config.TimeMode == 24 ? 5 : 6) : 0;

    Westring line;
    bool joins = HasSingleDoubleJoins && is_list_detail(p->detail);
    make_line(p->type == PanelFiles ? p->detail : DetailTree, line, DoubleHorizontal,
              joins ? TopJoin : DoubleHorizontal, TopLeft, TopRight);
    console.BeginPaint();
    // The clock's cells belong to the clock's window, which sits over the
    // frame: left alone, it does not blink out until its next tick.
    put_line(p, -1, line.left(half - reserved), frame_colour);

    Westring title(path);
    if (fncompare(p->filter.c_str(), L"*") != 0)
        title += L"/?";
    collapse_path(title, half - reserved - 4);
    title = Westring(L" ") + title + L" ";
    if (p->type == PanelInfo)
        title = L" INFO ";
    if (p->type == PanelFiles && p->detail == DetailTree)
        title = L" TREE ";
    int len = title.strlen();
    int x = (half - len) / 2;
    if (x + len > half - 1 - reserved)
        x = half - 1 - reserved - len;
    if (x < 1)
        x = 1;
    p->win->puts_at(x - 1, -1, title.c_str(), title_colour);
    console.EndPaint();
}

void print_status(PANEL* p)
{
    if (!panel_visible(p) || p->type != PanelFiles)
        return;
    int width = inner_width();
    unsigned char panel_colour = ui_colour(ColourPanel);
    unsigned char tagged_colour = ui_colour(ColourTagged);
    CellString line;
    line.SetAttr(panel_colour);
    if (p->read_error) {
        line = CellString(p->read_error == StatusNotReady ? L" No disk in drive" : L" Error reading drive",
                          tagged_colour);
        line.SetAttr(panel_colour);
    } else if (!p->search.empty()) {
        Westring text = Westring(L"Search: ") + p->search;
        if (text.strlen() > width)
            text = Westring(L"Search: ") + p->search.right(width - 8);
        line = CellString(text.c_str(), tagged_colour);
        line.SetAttr(panel_colour);
    } else if (p->tagged_count > 0) {
        wchar_t count[32];
        std::swprintf(count, 32, L"%d", p->tagged_count);
        Westring tail = Westring(L" bytes in ") + count + L" selected file" + (p->tagged_count > 1 ? L"s" : L"");
        wchar_t bytes[40];
        int digits = width - tail.strlen() - 4;
        itoa_comma(static_cast<long long>(p->tagged_bytes), bytes, static_cast<char>(std::max(digits, 4)));
        Westring text = Westring(bytes) + tail;
        int x = std::max(0, (width - text.strlen()) / 2);
        line += String(L' ', x);
        line.Append(text.c_str(), tagged_colour, width - x);
    } else if (p->Count() == 0) {
        line += Westring(L"Directory is empty");
    } else if (p->detail == DetailFull) {
        const entry* e = p->Current();
        line += e->DisplayName();
        if (e->attributes & AttrSymLink) {
            line += ScreenCell(L' ', panel_colour);
            line += ScreenCell(0x00BB, tagged_colour);
            line += ScreenCell(L' ', panel_colour);
            line += p->link_targets.GetLinkTarget(p->path.AppendBackslash() + e->name);
        }
    } else if (p->detail == DetailTree) {
        Westring node = tree_hooks->NodePath(p, p->CurrentIndex());
        collapse_path(node, width);
        line += node;
    } else {
        format_entry(line, p, p->CurrentIndex(), panel_colour, nullptr, DetailFull,
                     column_width(DetailFull, ColumnName));
    }
    p->win->putcs_at(0, height() + 1, line.pad(width).left(width));
}

void show_cursor(PANEL* panels, int side, char on)
{
    PANEL* p = &panels[side];
    if (p->type != PanelFiles || !panel_visible(p))
        return;
    if (p->Count() > 0) {
        settle_cursor(p);
        int index = p->CurrentIndex();
        int colour = 0;
        int* scroll = nullptr;
        int no_scroll = 0;
        if (on) {
            colour = highlight_colour(p->entries[index]);
            scroll = p->name_scroll_entry == index ? &p->name_scroll : &no_scroll;
        }
        print_entry(p, index, colour, scroll);
    }
    print_status(p);
}

void move_cursor(PANEL* p, int delta)
{
    if (p->type != PanelFiles || !p->showing)
        return;
    int n = p->Count();
    if (n == 0)
        return;
    p->page_size = page_size_for(p->detail);
    clamp_position(p);
    int page = p->page_size;
    p->cursor += delta;
    if (p->top + p->cursor > n - 1)
        p->cursor = n - 1 - p->top;
    if (p->cursor >= 0 && p->cursor < page)
        return;
    if (p->cursor < 0 && p->top == 0) {
        p->cursor = 0;
        return;
    }
    int overflow = p->cursor >= page ? p->cursor - page + 1 : p->cursor;
    if (overflow == 1 || overflow == -1) {
        p->top += overflow;
        p->cursor -= overflow;
        scroll_one(p, overflow);
        return;
    }
    int index = std::max(0, p->top + p->cursor);
    p->top = std::max(0, p->top + overflow);
    p->cursor = index - p->top;
    paint_panel(p);
}

void make_curr(PANEL* panels, int side)
{
    currpanel = side;
    for (int i = 0; i < 2; i++)
        if (panels[i].type == PanelFiles || panels[i].type == PanelInfo)
            topline(panels[i].path.c_str(), i == side, i == 1 && config.Clock, &panels[i]);
    set_panel_title(&panels[side]);
    // The process's directory follows the current panel, or the other one
    // when the current panel shows no directory of its own.
    PANEL* p = &panels[side];
    if (p->type == PanelInfo || p->detail == DetailTree)
        p = &panels[1 - side];
    if (p->read_error == 0 && p->type == PanelFiles && !IsUNC(p->path)) {
        (void)cdd(p->GetWD());
        config.StartupSide = side == 1 ? L'R' : L'L';
    }
}

void SetFilesPanelDetail(PANEL* p, paneldetail detail, int currentSide)
{
    if (detail == p->detail && p->type == PanelFiles && p->showing)
        return;
    if (!is_list_detail(detail) && detail != DetailTree)
        return;
    bool was_tree = p->type == PanelFiles && p->detail == DetailTree;
    bool tree = detail == DetailTree;
    p->type = PanelFiles;
    p->detail = detail;
    (panel_side(p) ? config.RightStyle : config.LeftStyle) = detail;
    p->page_size = page_size_for(detail);
    if (tree != was_tree) {
        // A tree opens on the other panel's directory.
        const PANEL* other = &panel_base[panel_side(p) ^ 1];
        if (tree && other->type == PanelFiles && other->detail != DetailTree && !other->path.empty())
            p->path = other->path;
        p->entries.Clear();
        p->tagged_count = 0;
        p->tagged_bytes = 0;
        p->top = p->cursor = 0;
        p->reread_pending = true;
    }
    if (!p->showing) {
        make_panel(p, panel_side(p));
    } else {
        if (p->reread_pending)
            read_panel(p);
        paint_panel(p);
    }
    make_curr(panel_base, currentSide);
}

void scroll_panel(PANEL* p, int mouseRow, char tagState)
{
    int row = mouseRow;
    for (;;) {
        if (!within_scroll_rows(row) || p->Count() == 0)
            return;
        bool up = row == 0;
        int index = p->CurrentIndex();
        if (up ? index <= 0 : index >= p->Count() - 1)
            return;
        int side = panel_side(p);
        int before = p->top;
        show_cursor(panel_base, side, 0);
        move_cursor(p, up ? -1 : 1);
        if (tagState)
            tag(p, p->CurrentIndex(), tagState);
        show_cursor(panel_base, side, 1);
        if (p->top != before)
            DosSleep(static_cast<unsigned>(config.ScrollDelay > 0 ? config.ScrollDelay : 0));
        _MEVENT m{};
        for (int key; (key = getkey(nullptr, &m, 0)) != 0;) {
            if (key != KEY_MOUSE)
                continue;
            if (m.kind == (tagState ? MouseRightRelease : MouseLeftRelease))
                return;
            if (m.kind == MouseLeftDrag || m.kind == MouseRightDrag)
                row = m.y;
        }
    }
}
