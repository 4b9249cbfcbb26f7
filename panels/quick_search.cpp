#include "panels/quick_search.h"

#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "foundation/nls.h"
#include "panels/panel_columns.h"
#include "panels/panel_display.h"

#include <cwchar>

namespace {

constexpr int CursorUnderline = 15;

bool begins_with(const wchar_t* name, const Westring& prefix)
{
    return nls_strnicmp(name, prefix.c_str(), static_cast<size_t>(prefix.strlen())) == 0;
}

// Moves the cursor to index, drawing the cursor bar off and on again.
void move_to(PANEL* p, int index)
{
    int side = panel_side(p);
    show_cursor(panel_base, side, 0);
    move_cursor(p, index - p->CurrentIndex());
    show_cursor(panel_base, side, 1);
}

// The first entry from `from` on, stepping by direction, whose name begins
// with the search string; -1 when none.
int find_from(const PANEL* p, int from, int direction)
{
    for (int i = from; i >= 0 && i < p->Count(); i += direction)
        if (begins_with(p->entries[i]->name, p->search))
            return i;
    return -1;
}

// One search step; false when nothing matched.
bool seek(PANEL* p, int ch, int direction)
{
    if (p->Count() == 0)
        return false;
    if (!begins_with(p->Current()->name, p->search))
        p->search = Westring();
    if (ch > 0)
        p->search += static_cast<wchar_t>(ch);
    int found;
    if (ch > 0)
        found = find_from(p, p->CurrentIndex(), 1);
    else
        found = find_from(p, p->CurrentIndex() + direction, direction);
    // Both a new search and a search again wrap round once, to the far end
    // in the direction of the search: a name above the cursor is found too.
    if (found < 0)
        found = find_from(p, direction > 0 || ch > 0 ? 0 : p->Count() - 1, ch > 0 ? 1 : direction);
    if (found >= 0) {
        move_to(p, found);
        return true;
    }
    if (ch > 0)
        p->search = p->search.chop(1);
    return false;
}

bool printable(int c)
{
    return c >= 32 && c < KEY_EXTENDED && c != 127;
}

// The text cursor sits in the bottom frame under the search string.
void place_cursor(PANEL* p)
{
    int x1, y1, x2, y2;
    panel_rect(panel_side(p), x1, y1, x2, y2);
    int half = panel_half();
    int len = p->search.strlen();
    int x = len >= half - 10 ? half - 2 : len + 8;
    console.SetCursorPos(x1 + 1 + x, y2);
}

}

bool name_seek(int ch, PANEL* p, int& key, _MEVENT& event, int direction)
{
    key = 0;
    if (p->Count() == 0)
        return false;
    seek(p, ch, direction ? direction : 1);
    print_status(p);
    if (!config.StickyAlt || p->search.empty())
        return false;
    for (;;) {
        print_status(p);
        place_cursor(p);
        console.SetCursorType(CursorUnderline);
        key = getkey(nullptr, &event, -1);
        console.SetCursorType(0);
        if (key == KEY_MODIFIERS || key == 0)
            continue;
        if (key == KEY_ALT_UP || key == KEY_ALT_DOWN) {
            seek(p, 0, key == KEY_ALT_UP ? -1 : 1);
            continue;
        }
        if (key == KEY_BACKSPACE || key == KEY_ALT_BACKSPACE) {
            p->search = p->search.chop(1);
            if (p->search.empty()) {
                key = 0;
                break;
            }
            continue;
        }
        if (key == KEY_SHIFT_TAB) {
            AutoFillSeek(p);
            continue;
        }
        int c = key == KEY_MOUSE ? key : un_alt(key, event);
        if (printable(c)) {
            seek(p, c, 1);
            continue;
        }
        break;
    }
    p->search = Westring();
    print_status(p);
    return key != KEY_ESC;
}

void AutoFillSeek(PANEL* p)
{
    const entry* cur = p->Current();
    if (!cur || !begins_with(cur->name, p->search))
        return;
    int len = cur->name_length;
    for (int i = 0; i < p->Count(); i++) {
        const wchar_t* name = p->entries[i]->name;
        if (!begins_with(name, p->search))
            continue;
        int k = 0;
        while (k < len && name[k] && nls_toupper(name[k]) == nls_toupper(cur->name[k]))
            k++;
        len = k;
    }
    p->search = Westring(cur->name).left(len);
    print_status(p);
}
