#include "menus/pull_down_menu.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"
#include "menus/menu_codes.h"
#include "panels/panel.h"
#include "textui/textui_settings.h"
#include "textui/win.h"
#include "tools/help_viewer.h"

#include <cwchar>
#include <memory>

MENUSTATE menu_state;

namespace {

constexpr wchar_t BarText[] = L"    Left    Files    Commands    Options    Right  ";
constexpr const wchar_t* ColumnNames[MenuColumns] = {L"  Left  ", L"  Files  ", L"  Commands  ", L"  Options  ",
                                                     L"  Right  "};
constexpr int ColumnPos[MenuColumns] = {2, 10, 19, 31, 42};
constexpr char ColumnKeys[MenuColumns] = {'l', 'f', 'c', 'o', 'r'};
constexpr int ColumnWidth[MenuColumns] = {21, 27, 30, 25, 21};

constexpr int ctrl(char letter)
{
    return KEY_CTRL_A + letter - 'A';
}

// The item with hot letter `letter` (its first occurrence in the text).
constexpr MENUITEM item(const wchar_t* text, wchar_t letter, int code)
{
    int hot = 0;
    while (text[hot] && text[hot] != letter)
        hot++;
    return MENUITEM{text, hot, L' ', code};
}
constexpr MENUITEM Separator{nullptr, 0, L' ', 0};

// The side columns; index 0 left, 1 right.
MENUITEM side_items[2][19] = {
    {
        item(L"Brief       AlSh-F1", L'B', MENU_LEFT_BRIEF),
        item(L"Full        AlSh-F2", L'F', MENU_LEFT_FULL),
        item(L"Wide        AlSh-F3", L'W', MENU_LEFT_WIDE),
        item(L"Brief-Wide  AlSh-F4", L'e', MENU_LEFT_BRIEF_WIDE),
        item(L"Unix detail AlSh-F5", L'a', MENU_LEFT_UNIX),
        item(L"Info        Ctrl-L", L'I', MENU_LEFT_INFO),
        item(L"Tree", L'T', MENU_LEFT_TREE),
        item(L"On/Off      Ctrl-F1", L'O', KEY_CTRL_F1),
        Separator,
        item(L"Name        Ctrl-F3", L'N', MENU_LEFT_SORT_NAME),
        item(L"Extension   Ctrl-F4", L'x', MENU_LEFT_SORT_NAME + 1),
        item(L"Time        Ctrl-F5", L'm', MENU_LEFT_SORT_NAME + 2),
        item(L"Size        Ctrl-F6", L'S', MENU_LEFT_SORT_NAME + 3),
        item(L"Unsorted    Ctrl-F7", L'U', MENU_LEFT_SORT_NAME + 4),
        item(L"Reverse     Ctrl-F8", L'v', MENU_LEFT_SORT_NAME + 5),
        Separator,
        item(L"Re-Read     Ctrl-R", L'R', MENU_LEFT_REREAD),
        item(L"Filter", L'l', MENU_LEFT_FILTER),
        item(L"Drive       Alt-F1", L'D', KEY_ALT_F1),
    },
    {
        item(L"Brief       AlSh-F1", L'B', MENU_RIGHT_BRIEF),
        item(L"Full        AlSh-F2", L'F', MENU_RIGHT_FULL),
        item(L"Wide        AlSh-F3", L'W', MENU_RIGHT_WIDE),
        item(L"Brief-Wide  AlSh-F4", L'e', MENU_RIGHT_BRIEF_WIDE),
        item(L"Unix detail AlSh-F5", L'a', MENU_RIGHT_UNIX),
        item(L"Info        Ctrl-L", L'I', MENU_RIGHT_INFO),
        item(L"Tree", L'T', MENU_RIGHT_TREE),
        item(L"On/Off      Ctrl-F2", L'O', KEY_CTRL_F1 + 1),
        Separator,
        item(L"Name        Ctrl-F3", L'N', MENU_RIGHT_SORT_NAME),
        item(L"Extension   Ctrl-F4", L'x', MENU_RIGHT_SORT_NAME + 1),
        item(L"Time        Ctrl-F5", L'm', MENU_RIGHT_SORT_NAME + 2),
        item(L"Size        Ctrl-F6", L'S', MENU_RIGHT_SORT_NAME + 3),
        item(L"Unsorted    Ctrl-F7", L'U', MENU_RIGHT_SORT_NAME + 4),
        item(L"Reverse     Ctrl-F8", L'v', MENU_RIGHT_SORT_NAME + 5),
        Separator,
        item(L"Re-Read     Ctrl-R", L'R', MENU_RIGHT_REREAD),
        item(L"Filter", L'l', MENU_RIGHT_FILTER),
        item(L"Drive       Alt-F2", L'D', KEY_ALT_F1 + 1),
    },
};

MENUITEM files_items[] = {
    item(L"Manual       Shift-F1", L'l', KEY_SHIFT_F1),
    item(L"User Menu          F2", L'U', KEY_F1 + 1),
    item(L"View               F3", L'V', KEY_F1 + 2),
    item(L"Edit               F4", L'E', KEY_F1 + 3),
    item(L"Copy               F5", L'C', KEY_F1 + 4),
    item(L"Rename or Move     F6", L'R', KEY_F1 + 5),
    item(L"Make Directory     F7", L'M', KEY_F1 + 6),
    item(L"Delete             F8", L'D', KEY_F1 + 7),
    Separator,
    item(L"File Attributes    Ctrl-A", L'A', ctrl('A')),
    item(L"File Case          Ctrl-C", L'F', ctrl('C')),
    item(L"File Date/Time", L'T', MENU_FILE_DATE),
    item(L"File Information   Ctrl-I", L'o', KEY_CTRL_I),
    Separator,
    item(L"Select Group       Grey +", L'G', MENU_SELECT_GROUP),
    item(L"Unselect Group     Grey -", L'n', MENU_UNSELECT_GROUP),
    item(L"Invert Sel'n       Grey *", L'I', MENU_INVERT_SELECTION),
    item(L"Restore Sel'n  Alt-Grey +", L's', MENU_RESTORE_SELECTION),
    Separator,
    item(L"Quit               F10", L'Q', KEY_F10),
};

MENUITEM commands_items[] = {
    item(L"Tree                 Alt-F10", L'T', KEY_ALT_F1 + 9),
    item(L"File Find            Alt-F7", L'F', KEY_ALT_F1 + 6),
    item(L"History              Alt-F8", L'H', KEY_ALT_F1 + 7),
    item(L"EGA Lines            Alt-F9", L'E', KEY_ALT_F1 + 8),
    item(L"Directory History    Alt-\\", L'i', KEY_ALT_BACKSLASH),
    item(L"Stored Paths         Alt-F5", L'P', KEY_ALT_F1 + 4),
    Separator,
    item(L"Swap Panels          Ctrl-U", L'S', ctrl('U')),
    item(L"Panels On/Off        Ctrl-O", L'n', ctrl('O')),
    item(L"Compare Directories  Ctrl-K", L'C', ctrl('K')),
    item(L"Calculate Dir Size   Ctrl-Q", L'D', ctrl('Q')),
    item(L"Open GUI File Window Ctrl-W", L'O', ctrl('W')),
    Separator,
    item(L"Edit Associations", L'A', MENU_EDIT_ASSOCIATIONS),
    item(L"Edit User Menu", L'M', MENU_EDIT_USER_MENU),
};

MENUITEM options_items[] = {
    item(L"Configuration", L'C', MENU_CONFIGURATION),
    item(L"Colours", L'o', MENU_COLOURS),
    item(L"Confirmations", L'n', MENU_CONFIRMATIONS),
    Separator,
    item(L"Hidden Files    Ctrl-H", L'H', MENU_HIDDEN_FILES),
    item(L"Path Prompt", L'P', MENU_PATH_PROMPT),
    item(L"Full Screen", L'F', MENU_FULL_SCREEN),
    item(L"Clock", L'l', MENU_CLOCK),
    item(L"Tag Directories", L'T', MENU_TAG_DIRECTORIES),
    item(L"Thousand Separator", L'u', MENU_THOUSAND_SEPARATOR),
    item(L"Retain Dir Count", L'R', MENU_RETAIN_DIR_COUNT),
    Separator,
    item(L"Save Setup      Shft-F9", L'S', MENU_SAVE_SETUP),
};

template <size_t N>
constexpr int count_of(const MENUITEM (&)[N])
{
    return static_cast<int>(N);
}

MENUITEM* column_items(int column, int& count)
{
    switch (column) {
    case 0:
    case 4:
        count = count_of(side_items[0]);
        return side_items[column == 4 ? 1 : 0];
    case 1:
        count = count_of(files_items);
        return files_items;
    case 2:
        count = count_of(commands_items);
        return commands_items;
    default:
        count = count_of(options_items);
        return options_items;
    }
}

wchar_t tick_mark()
{
    return HasSingleDoubleJoins ? L'\u221A' : L'*';
}

unsigned char colour(EColour c)
{
    return ui_colour(c);
}

// The column whose label holds x on row 0 (the last one starting at or
// before it).
int column_at(int x)
{
    int column = 0;
    for (int i = 0; i < MenuColumns; i++)
        if (ColumnPos[i] <= x)
            column = i;
    return column;
}

// The menu while it is open: the bar over row 0 and the dropped column.
class CMenu
{
public:
    CMenu() : bar(0, 0, console.Columns() - 1, 0) {}

    int Run();

private:
    void draw_bar();
    void drop();
    void close() { dropped.reset(); }
    void select_item(int item);
    // The next selectable item from `from` in direction dir, wrapping.
    int step(int from, int dir) const;
    int on_key(int key, bool& done);
    int on_mouse(const _MEVENT& m, bool& done);
    int choose(int item, bool& done);

    Win bar;
    std::unique_ptr<Win> dropped;
    int& column = menu_state.column;
    int& current = menu_state.item;
};

void CMenu::draw_bar()
{
    console.Clear(0, 0, console.Columns(), 1, colour(ColourMenuBar));
    console.PutStringAt(0, 0, BarText, colour(ColourMenuBar));
    console.PutStringAt(ColumnPos[column], 0, ColumnNames[column], colour(ColourMenuHighlight));
}

void CMenu::drop()
{
    close();
    int count;
    column_items(column, count);
    int x1 = ColumnPos[column];
    int width = ColumnWidth[column];
    // Kept on the screen when the console is narrower than the menu.
    if (x1 + width + 1 >= console.Columns())
        x1 = console.Columns() - width - 2 > 0 ? console.Columns() - width - 2 : 0;
    dropped = std::make_unique<Win>(x1, 1, x1 + width + 1, count + 2, colour(ColourMenu), colour(ColourMenu));
    for (int i = 0; i < count; i++)
        show_menu_item(dropped.get(), column, i, i == current);
}

void CMenu::select_item(int item)
{
    if (!dropped || item == current)
        return;
    show_menu_item(dropped.get(), column, current, 0);
    current = item;
    show_menu_item(dropped.get(), column, current, 1);
}

int CMenu::step(int from, int dir) const
{
    int count;
    const MENUITEM* items = column_items(column, count);
    int i = from;
    for (int n = 0; n < count; n++) {
        i = (i + dir + count) % count;
        if (items[i].text)
            return i;
    }
    return from;
}

int CMenu::choose(int item, bool& done)
{
    int count;
    const MENUITEM* items = column_items(column, count);
    select_item(item);
    if (!items[item].text || !items[item].code)
        return 0;
    done = true;
    return items[item].code;
}

int CMenu::on_key(int key, bool& done)
{
    int count;
    const MENUITEM* items = column_items(column, count);
    switch (key) {
    case KEY_RIGHT:
    case KEY_LEFT:
        column = (column + (key == KEY_RIGHT ? 1 : MenuColumns - 1)) % MenuColumns;
        current = 0;
        draw_bar();
        if (dropped)
            drop();
        return 0;
    case KEY_DOWN:
    case KEY_UP:
        if (!dropped) {
            if (key == KEY_DOWN) {
                current = 0;
                drop();
            }
            return 0;
        }
        select_item(step(current, key == KEY_DOWN ? 1 : -1));
        return 0;
    case KEY_HOME:
    case KEY_END:
        if (dropped)
            select_item(key == KEY_HOME ? step(count - 1, 1) : step(0, -1));
        return 0;
    case KEY_RETURN:
        if (!dropped) {
            current = 0;
            drop();
            return 0;
        }
        return choose(current, done);
    case KEY_ESC:
        if (dropped)
            close();
        else
            done = true;
        return 0;
    case KEY_F10:
        // F10 leaves the menu at once, so the key that quits everywhere
        // else never leaves a user stuck in it.
        done = true;
        return 0;
    case KEY_F1: {
        // The Right column has the Left one's page.
        static const int topics[MenuColumns] = {HelpMenuLeft, HelpMenuFiles, HelpMenuCommands, HelpMenuOptions,
                                                HelpMenuLeft};
        help(topics[menu_state.column]);
        return 0;
    }
    default:
        break;
    }
    if (key <= 0 || key >= KEY_EXTENDED)
        return 0;
    wchar_t letter = CUnicodeCaseFold::toupper(static_cast<wchar_t>(key));
    if (!dropped) {
        for (int c = 0; c < MenuColumns; c++)
            if (static_cast<wchar_t>(ColumnKeys[c] - 'a' + 'A') == letter) {
                column = c;
                current = 0;
                draw_bar();
                drop();
                break;
            }
        return 0;
    }
    for (int i = 0; i < count; i++)
        if (items[i].text && CUnicodeCaseFold::toupper(items[i].text[items[i].hot]) == letter)
            return choose(i, done);
    return 0;
}

int CMenu::on_mouse(const _MEVENT& m, bool& done)
{
    bool press = m.kind == MouseLeftPress || m.kind == MouseRightPress || m.kind == MouseLeftDouble;
    bool drag = m.kind == MouseLeftDrag || m.kind == MouseRightDrag;
    bool release = m.kind == MouseLeftRelease || m.kind == MouseRightRelease;
    if (m.y == 0 && press) {
        int c = column_at(m.x);
        if (c != column || !dropped) {
            column = c;
            current = 0;
            draw_bar();
            drop();
        }
        return 0;
    }
    if (dropped) {
        _MEVENT r = m;
        // Items lie inside the frame: rows 0 .. count - 1 from the origin.
        int count;
        const MENUITEM* items = column_items(column, count);
        bool inside = dropped->click_in_win(r) && r.y >= 0 && r.y < count && r.x >= 0 &&
                      r.x < ColumnWidth[column];
        if (inside && items[r.y].text) {
            if (press || drag)
                select_item(r.y);
            else if (release)
                return choose(r.y, done);
            return 0;
        }
        if (inside)
            return 0;
    }
    if (press && m.y != 0)
        done = true;
    return 0;
}

int CMenu::Run()
{
    draw_bar();
    if (menu_state.dropped)
        drop();
    bool done = false;
    int code = 0;
    while (!done) {
        _MEVENT m{};
        int key = getkey(nullptr, &m, -1);
        if (key == KEY_MOUSE)
            code = on_mouse(m, done);
        else if (key != KEY_MODIFIERS)
            code = on_key(key, done);
    }
    menu_state.dropped = dropped != nullptr;
    close();
    return code;
}

}

const MENUITEM* menu_items(int column, int& count)
{
    return column_items(column, count);
}

int menu_width(int column)
{
    return ColumnWidth[column];
}

void show_menu_item(Win* w, int column, int index, char selected)
{
    int count;
    const MENUITEM* items = column_items(column, count);
    const MENUITEM& it = items[index];
    int width = ColumnWidth[column];
    if (!it.text) {
        w->puts_at(0, index, String(L'\u2500', width).c_str(), colour(ColourMenuBar));
        return;
    }
    unsigned char attr = colour(selected ? ColourMenuHighlight : ColourMenu);
    Westring line = Westring(L" ") + it.text;
    line[0] = it.tick;
    line = line.pad(width, L' ');
    w->puts_at(0, index, line.c_str(), attr);
    unsigned char quick = static_cast<unsigned char>((attr & 0xF0) | (colour(ColourMenuQuickKey) & 0x0F));
    wchar_t hot[2] = {it.text[it.hot], 0};
    w->puts_at(1 + it.hot, index, hot, quick);
}

void set_ticks()
{
    wchar_t mark = tick_mark();
    for (int side = 0; side < 2; side++) {
        const PANEL& p = panel_base[side];
        MENUITEM* items = side_items[side];
        bool files = p.type == PanelFiles;
        const paneldetail details[] = {DetailBrief, DetailFull, DetailWide, DetailBriefWide, DetailUnix};
        for (int i = 0; i < 5; i++)
            items[i].tick = files && p.detail == details[i] ? mark : L' ';
        items[5].tick = p.type == PanelInfo ? mark : L' ';
        items[6].tick = files && p.detail == DetailTree ? mark : L' ';
        int order = p.sort >= SortReversed ? p.sort - SortReversed : p.sort;
        for (int i = 0; i < 5; i++)
            items[9 + i].tick = order == i ? mark : L' ';
        items[14].tick = p.sort >= SortReversed ? mark : L' ';
    }
    const bool settings[] = {config.Hidden, config.PathPrompt, config.FullScreen, config.Clock,
                             config.TagDirs, config.ThousandSep, config.RetainCount};
    for (int i = 0; i < 7; i++)
        options_items[4 + i].tick = settings[i] ? mark : L' ';
}

int menu(char side, char again, int mouse_x)
{
    set_ticks();
    if (!again) {
        menu_state.column = mouse_x >= 0 ? column_at(mouse_x) : side ? MenuColumns - 1 : 0;
        menu_state.item = 0;
        menu_state.dropped = mouse_x >= 0;
    }
    int cx, cy;
    console.GetCursorPos(cx, cy);
    int cursor_type = console.GetCursorType();
    Westring title = console.GetTitle();
    console.SetCursorType(0);
    int code;
    {
        CMenu m;
        code = m.Run();
    }
    console.SetCursorPos(cx, cy);
    console.SetCursorType(cursor_type);
    if (std::wcscmp(console.GetTitle().c_str(), title.c_str()) != 0)
        console.SetTitle(title.c_str());
    return code;
}
