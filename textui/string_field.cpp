#include "textui/string_field.h"

#include "console/console.h"
#include "console/key_codes.h"
#include "foundation/word_chars.h"
#include "textui/clipboard_line.h"
#include "textui/list_box.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace {

constexpr int DefaultMaxLength = 32767;
constexpr wchar_t HistoryArrow = 0x2193;
constexpr int KEY_CTRL_C = 0x03;
constexpr int KEY_CTRL_Q = 0x11;
constexpr int KEY_CTRL_V = 0x16;
constexpr int KEY_CTRL_X = 0x18;

// The one word rule of the program, the editor's too.
bool word_char(wchar_t c)
{
    return iswordchar(c);
}

bool printable(int k)
{
    return k >= 32 && k < KEY_EXTENDED && k != KEY_CTRL_BACKSPACE;
}

// n characters of s from start; Westring::mid takes a count of 0 as "all".
Westring piece(const Westring& s, int start, int n)
{
    return Westring(s.c_str() + start).left(n);
}

}

int WordRight(const wchar_t* s)
{
    int i = 0;
    if (*textui_settings.brief_word_right) {
        while (s[i] && !word_char(s[i]))
            i++;
        while (s[i] && word_char(s[i]))
            i++;
    } else {
        while (s[i] && word_char(s[i]))
            i++;
        while (s[i] && !word_char(s[i]))
            i++;
    }
    return i;
}

StringField::StringField(Dialog& d, int ax, int ay, Westring& t, int w, int max_len, HistoryIndex hist)
    : DialogElement(d, ax, ay, true), text(t), width(w), max_length(max_len < 0 ? DefaultMaxLength : max_len),
      history(hist), pos(t.strlen())
{
}

StringField::StringField(Dialog& d, int ax, int ay, int w, int max_len, HistoryIndex hist)
    : DialogElement(d, ax, ay, true), text(own_text), width(w), max_length(max_len), history(hist), pos(0)
{
}

void StringField::Selection(int& start, int& end) const
{
    if (has_selection()) {
        start = std::min(anchor, pos);
        end = std::max(anchor, pos);
    } else {
        start = end = pos;
    }
}

void StringField::delete_span(int from, int to)
{
    if (to <= from)
        return;
    text = text.left(from) + (text.c_str() + to);
    pos = from;
}

bool StringField::delete_selection()
{
    if (!has_selection())
        return false;
    int start, end;
    Selection(start, end);
    delete_span(start, end);
    anchor = -1;
    return true;
}

bool StringField::insert(const Westring& s)
{
    int start, end;
    Selection(start, end);
    if (text.strlen() - (end - start) + s.strlen() > max_length)
        return false;
    delete_selection();
    text = text.left(pos) + s + (text.c_str() + pos);
    pos += s.strlen();
    return true;
}

int StringField::word_left(int from) const
{
    while (from > 0 && !word_char(text[from - 1]))
        from--;
    while (from > 0 && word_char(text[from - 1]))
        from--;
    return from;
}

int StringField::ProcessEvent(Event& ev)
{
    int handled = Handle(ev);
    if (handled)
        Draw();
    return handled;
}

int StringField::Handle(Event& ev)
{
    switch (ev.type) {
    case EventKey:
        return key(ev.key);
    case EventLeftPress:
    case EventLeftDrag:
    case EventLeftRelease:
        return mouse(ev);
    default:
        return 0;
    }
}

int StringField::key(int k)
{
    pos = std::clamp(pos, 0, text.strlen());
    if (literal_next) {
        literal_next = false;
        fresh = false;
        anchor = -1;
        if (k > 0 && k < KEY_EXTENDED)
            (void)insert(String(static_cast<wchar_t>(k), 1));
        return 1;
    }
    bool first = fresh;
    if (printable(k) && !Accepts(k))
        return 0;
    fresh = false;

    // Copying keeps the selection; every other key drops it or moves it.
    if (k == KEY_CTRL_C || k == KEY_CTRL_INS) {
        int start, end;
        Selection(start, end);
        if (end > start)
            putclipline(piece(text, start, end - start).c_str());
        return 1;
    }
    if (k == KEY_CTRL_X || k == (KEY_DEL | KEY_SHIFT_FLAG)) {
        int start, end;
        Selection(start, end);
        if (end > start) {
            putclipline(piece(text, start, end - start).c_str());
            delete_selection();
        }
        anchor = -1;
        return 1;
    }
    if (printable(k) || k == KEY_CTRL_V || k == (KEY_INS | KEY_SHIFT_FLAG)) {
        Westring s = printable(k) ? String(static_cast<wchar_t>(k), 1) : getclipline();
        if (first) {
            if (s.strlen() <= max_length) {
                text = s;
                pos = s.strlen();
                anchor = -1;
            }
        } else {
            (void)insert(s);
        }
        anchor = -1;
        return 1;
    }

    int before = pos, len = text.strlen();
    bool extend = (k & KEY_EXTENDED) && (k & KEY_SHIFT_FLAG);
    int plain = extend ? k & ~KEY_SHIFT_FLAG : k;
    bool moved = true;
    switch (plain) {
    case KEY_HOME:
        pos = 0;
        break;
    case KEY_END:
        pos = len;
        break;
    case KEY_LEFT:
        pos = std::max(pos - 1, 0);
        break;
    case KEY_RIGHT:
        pos = std::min(pos + 1, len);
        break;
    case KEY_CTRL_LEFT:
        pos = word_left(pos);
        break;
    case KEY_CTRL_RIGHT:
        pos += WordRight(text.c_str() + pos);
        break;
    default:
        moved = false;
        break;
    }
    if (moved) {
        if (extend) {
            if (anchor < 0)
                anchor = before;
        } else {
            anchor = -1;
        }
        return 1;
    }

    int handled = 1;
    switch (k) {
    case KEY_CTRL_Q:
        anchor = -1;
        literal_next = true;
        break;
    case KEY_BACKSPACE:
        if (!delete_selection() && pos > 0)
            delete_span(pos - 1, pos);
        break;
    case KEY_DEL:
        if (!delete_selection() && pos < len)
            delete_span(pos, pos + 1);
        break;
    case KEY_CTRL_BACKSPACE:
        anchor = -1;
        delete_span(word_left(pos), pos);
        break;
    case KEY_CTRL_DEL:
        anchor = -1;
        delete_span(pos, pos + WordRight(text.c_str() + pos));
        break;
    case KEY_ALT_DOWN:
        anchor = -1;
        if (history == NoHistory)
            handled = 0;
        else
            open_history();
        break;
    default:
        handled = 0;
        break;
    }
    // A key the field leaves to the dialog is not its first event.
    if (!handled)
        fresh = first;
    anchor = -1;
    return handled;
}

int StringField::mouse(const Event& ev)
{
    int len = text.strlen();
    if (ev.type == EventLeftPress) {
        if (ev.y != y || ev.x < x || ev.x > x + width)
            return 0;
        fresh = false;
        if (ev.x == x + width) {
            if (history == NoHistory)
                return 0;
            dialog->ChangeFocus(index);
            open_history();
            return 1;
        }
        dialog->ChangeFocus(index);
        anchor = -1;
        pos = std::clamp(offset + ev.x - x, 0, len);
        drag_anchor = pos;
        mouse_down = true;
        return 1;
    }
    if (!mouse_down)
        return 0;
    pos = std::clamp(offset + ev.x - x, 0, len);
    anchor = drag_anchor;
    if (ev.type == EventLeftRelease)
        mouse_down = false;
    return 1;
}

void StringField::open_history()
{
    const TObjectStore<Westring>& entries = field_history->Entries(history);
    if (entries.count == 0)
        return;
    TObjectStore<Westring> items(entries);
    int columns = console.Columns(), lines = console.Lines();
    // Just below the field, moved up or left as far as needed to stay on
    // the screen.
    int w = width + 2, h = 8;
    int left = std::clamp(dialog->origin_x + x - 1, 0, std::max(columns - w, 0));
    int top = std::clamp(dialog->origin_y + y + 1, 0, std::max(lines - h, 0));
    Dialog list(left, top, left + w - 1, top + h - 1, dialog->Colour(ColourNormal));
    int selection = items.count - 1;
    list.AddListBox(0, 0, 1, width, h - 2, items, selection, 0);
    if (list.Process() != RESULT_ACCEPT)
        return;
    text = *items.At(selection);
    pos = text.strlen();
    anchor = -1;
}

void StringField::Draw()
{
    int len = text.strlen();
    pos = std::clamp(pos, 0, len);
    if (pos < offset)
        offset = pos;
    if (pos >= offset + width + ExtraColumn() || (pos == len && pos == offset))
        offset = std::max(pos - width + 1 + ExtraColumn(), 0);
    offset = std::min(offset, len);

    unsigned char attr = dialog->Colour(ColourInput);
    unsigned char swapped = static_cast<unsigned char>((attr << 4) | (attr >> 4));
    int start, end;
    Selection(start, end);
    Westring visible = piece(text, offset, width).pad(width, L' ');
    CellString cells;
    for (int i = 0; i < width; i++) {
        int at = offset + i;
        cells += ScreenCell(visible[i], at >= start && at < end ? swapped : attr);
    }
    dialog->putcs_at(x, y, cells);
    if (history != NoHistory) {
        wchar_t arrow[] = {HistoryArrow, 0};
        dialog->puts_at(x + width, y, arrow, dialog->Colour(ColourNormal));
    }
    if (HasFocus()) {
        dialog->Goto(x + pos - offset, y);
        console.SetCursorType(15);
    }
}

void StringField::SaveToHistory()
{
    if (history != NoHistory && !text.empty())
        field_history->Add(history, text);
}

IntegerField::IntegerField(Dialog& d, int ax, int ay, int& v, int w, bool refresh, HistoryIndex hist)
    : StringField(d, ax, ay, w, std::min(w, 18), hist), value(v), refresh_on_change(refresh)
{
    text = Westring(IntToStr(value));
    pos = text.strlen();
}

namespace {

int decimal_value(const Westring& text)
{
    long long v = std::wcstoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}

int IntegerField::ProcessEvent(Event& ev)
{
    int handled = Handle(ev);
    if (handled && ev.type == EventKey)
        value = decimal_value(text);
    if (handled)
        Draw();
    return handled;
}

void IntegerField::Draw()
{
    if (!refresh_on_change || value != decimal_value(text))
        text = Westring(IntToStr(value));
    StringField::Draw();
}
