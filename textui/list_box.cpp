#include "textui/list_box.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "foundation/nls.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

ListBoxBase::ListBoxBase(Dialog& d, int ax, int ay, int w, int h, int n, int& sel, int exit)
    : DialogElement(d, ax, ay, true), width(w), height(h), count(n), selection(sel), exit_code(exit)
{
    selection = std::clamp(selection, 0, std::max(count - 1, 0));
}

void ListBoxBase::accept()
{
    dialog->SetResult(exit_code > 0 ? exit_code : dialog->AcceptResult());
}

void ListBoxBase::Draw()
{
    selection = std::clamp(selection, 0, std::max(count - 1, 0));
    if (selection < top)
        top = selection;
    if (selection >= top + height)
        top = selection - height + 1;
    bool focused = HasFocus();
    if (full_redraw || top != drawn_top || focused != drawn_focus) {
        console.BeginPaint();
        for (int line = 0; line < height; line++)
            draw_line(line);
        console.EndPaint();
    } else if (selection != drawn_selection) {
        draw_line(drawn_selection - top);
        draw_line(selection - top);
    }
    full_redraw = false;
    drawn_top = top;
    drawn_selection = selection;
    drawn_focus = focused;
}

void ListBoxBase::draw_line(int line)
{
    if (line < 0 || line >= height)
        return;
    int item = top + line;
    if (item >= count) {
        dialog->puts_at(x, y + line, String(L' ', width).c_str(), ui_colour(ColourMenu));
        return;
    }
    bool current = item == selection && HasFocus();
    DrawLine(line, item, ui_colour(current ? ColourMenuHighlight : ColourMenu));
}

int ListBoxBase::find(const Westring& s, int from) const
{
    int n = s.strlen();
    for (int i = 0; i < count; i++) {
        int item = (from + i) % count;
        if (nls_strnicmp(SeekString(item).c_str(), s.c_str(), static_cast<size_t>(n)) == 0)
            return item;
    }
    return -1;
}

void ListBoxBase::Seek(const Westring& value)
{
    int item = find(value, 0);
    if (item >= 0) {
        selection = item;
        Draw();
    }
}

void ListBoxBase::set_search(const Westring& s)
{
    if (s.empty() && search.empty())
        return;
    search = s;
    search_win.reset();
    if (search.empty())
        return;
    // A borderless box at the right end of the dialog's bottom line.
    int room = std::max(dialog->x2 - dialog->x1 - 1, 1);
    Westring shown = search.right(room);
    int right = dialog->x2 - 1;
    int left = right - shown.strlen() + 1;
    search_win = std::make_unique<Win>(left, dialog->y2, right, dialog->y2, ui_colour(ColourInputFields));
    search_win->puts_at(0, 0, shown.c_str());
}

int ListBoxBase::ProcessEvent(Event& ev)
{
    switch (ev.type) {
    case EventKey:
        return key(ev.key);
    case EventLeftPress:
    case EventLeftDouble:
    case EventLeftRelease:
        return mouse(ev);
    case EventListLength:
        count = std::max(ev.key, 0);
        full_redraw = true;
        Draw();
        return 1;
    case EventListRedraw:
        full_redraw = true;
        Draw();
        return 1;
    default:
        return 0;
    }
}

int ListBoxBase::key(int k)
{
    int target;
    switch (k) {
    case KEY_HOME:
        target = 0;
        break;
    case KEY_UP:
        target = selection - 1;
        break;
    case KEY_PGUP:
        target = selection - height;
        break;
    case KEY_END:
        target = count - 1;
        break;
    case KEY_DOWN:
        target = selection + 1;
        break;
    case KEY_PGDN:
        target = selection + height;
        break;
    default:
        target = INT_MIN;
        break;
    }
    if (target != INT_MIN) {
        set_search(Westring());
        selection = std::clamp(target, 0, std::max(count - 1, 0));
        Draw();
        return 1;
    }
    if (k == KEY_RETURN) {
        set_search(Westring());
        accept();
        return 1;
    }
    if (exit_code == -1) {
        set_search(Westring());
        dialog->SetResult(k);
        return 1;
    }
    if (k >= 32 && k < KEY_EXTENDED) {
        Westring s = search + static_cast<wchar_t>(k);
        int item = count > 0 ? find(s, selection) : -1;
        if (item >= 0) {
            selection = item;
            set_search(s);
            Draw();
        }
        return 1;
    }
    set_search(Westring());
    return 0;
}

int ListBoxBase::mouse(const Event& ev)
{
    bool in_columns = ev.x >= x && ev.x < x + width;
    if (!in_columns)
        return 0;
    if (ev.type == EventLeftPress && (ev.y == y - 1 || ev.y == y + height)) {
        dialog->ChangeFocus(index);
        scroll_while_pressed(ev.y < y ? -1 : 1);
        return 1;
    }
    if (ev.y < y || ev.y >= y + height)
        return 0;
    int item = top + ev.y - y;
    if (item < count) {
        selection = item;
        set_search(Westring());
    }
    if (ev.type == EventLeftPress) {
        dialog->ChangeFocus(index);
        Draw();
    } else if (ev.type == EventLeftDouble || exit_code == -1) {
        Draw();
        accept();
    }
    return 1;
}

void ListBoxBase::scroll_while_pressed(int dir)
{
    // Stops at either end of the list too, so that a press held there does
    // not spin.
    for (;;) {
        int before = selection;
        selection = std::clamp(selection + dir, 0, std::max(count - 1, 0));
        Draw();
        if (selection == before || CheckEvent())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(*textui_settings.scroll_delay));
        if (CheckEvent())
            return;
    }
}

namespace {

void put_item(Dialog* dialog, int x, int y, int width, const Westring& text, unsigned char attr)
{
    dialog->puts_at(x, y, text.pad(width, L' ').c_str(), attr);
}

}

ListBoxString::ListBoxString(Dialog& d, int ax, int ay, int w, int h, const char* const* list, int n, int& sel,
                             int exit)
    : ListBoxBase(d, ax, ay, w, h, n, sel, exit), items(list)
{
}

void ListBoxString::DrawLine(int line, int item, unsigned char attr)
{
    put_item(dialog, x, y + line, width, MkWestring(Estring(items[item])), attr);
}

ListBoxEstring::ListBoxEstring(Dialog& d, int ax, int ay, int w, int h, TObjectStore<Estring>& list, int& sel,
                               int exit)
    : ListBoxBase(d, ax, ay, w, h, list.count, sel, exit), items(list)
{
}

void ListBoxEstring::DrawLine(int line, int item, unsigned char attr)
{
    put_item(dialog, x, y + line, width, SeekString(item), attr);
}

Westring ListBoxEstring::SeekString(int item) const
{
    const Estring* s = items.At(item);
    return s ? MkWestring(*s) : Westring();
}

ListBoxWestring::ListBoxWestring(Dialog& d, int ax, int ay, int w, int h, TObjectStore<Westring>& list, int& sel,
                                 int exit)
    : ListBoxBase(d, ax, ay, w, h, list.count, sel, exit), items(list)
{
}

void ListBoxWestring::DrawLine(int line, int item, unsigned char attr)
{
    put_item(dialog, x, y + line, width, SeekString(item), attr);
}

Westring ListBoxWestring::SeekString(int item) const
{
    const Westring* s = items.At(item);
    return s ? *s : Westring();
}
