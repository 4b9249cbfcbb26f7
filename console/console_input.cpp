#include "console/console.h"

#include "console/key_codes.h"

#include <algorithm>

// Input arrives here from the toolkit thread, which holds the display lock
// while it handles an event, or from a test. Mouse input inside the
// selection zone selects text and never reaches the program; everything
// else becomes an event in the queue, or goes to the terminal emulator
// while one is attached.

void CConsole::InputKey(int code, unsigned state, int keycode)
{
    flash = 0;
    {
        std::lock_guard<std::mutex> lock(terminal_mutex);
        if (terminal) {
            terminal->Key(code);
            return;
        }
    }
    queue.Put({EvKey, code, state, keycode, 0, 0});
}

void CConsole::InputText(const char* utf8)
{
    Westring text(utf8);
    for (const wchar_t* p = text.c_str(); *p; p++)
        InputKey(*p, 0, 0);
}

void CConsole::queue_mouse(EType type, int key, int x, int y, unsigned state)
{
    queue.Put({type, key, state & STATE_MODIFIERS, 0, x, y});
}

void CConsole::InputButton(EType type, int button, int x, int y, unsigned state)
{
    int key = button == 1 ? 1 : button == 3 ? 2 : 3;
    if (type == EvButtonPress && selection_zone.Includes(x, y)) {
        // A new selection starts at the pressed cell; it shows once dragged.
        set_selection(false, {x, y, x, y});
        anchor_x = x;
        anchor_y = y;
        selection_dragging = true;
        return;
    }
    if (type == EvButtonRelease) {
        selection_dragging = false;
        if (selection_active) {
            PutClipTextNoLock(SelectionText(selection).c_str());
            set_selection(false, selection);
        }
    }
    if (HasTerminal())
        return;
    queue_mouse(type, key, x, y, state);
}

void CConsole::InputMotion(int held, int x, int y, unsigned state)
{
    if (selection_zone.Includes(x, y)) {
        // The selection spans the anchor and the pointer, normalised, so a
        // drag left or up selects the same cells as one right or down.
        if (selection_dragging)
            set_selection(true, {std::min(anchor_x, x), std::min(anchor_y, y), std::max(anchor_x, x),
                                 std::max(anchor_y, y)});
        return;
    }
    if (HasTerminal())
        return;
    queue_mouse(EvMotion, held, x, y, state);
}

void CConsole::InputWheel(int direction, int x, int y, unsigned state)
{
    queue_mouse(EvWheel, direction > 0 ? 1 : -1, x, y, state);
}

void CConsole::InputClose()
{
    queue.Put({EvKey, KEY_F10, 0, 0, 0, 0});
}

void CConsole::set_selection(bool active, const Rect& r)
{
    Rect old = selection;
    bool was_active = selection_active;
    {
        display->Lock();
        selection = r;
        selection_active = active;
        display->Unlock();
    }
    if (was_active && active)
        PaintCells({std::min(old.x1, r.x1), std::min(old.y1, r.y1), std::max(old.x2, r.x2), std::max(old.y2, r.y2)});
    else if (was_active)
        PaintCells(old);
    else if (active)
        PaintCells(r);
}

void CConsole::SetSelectionZone(const Rect& r)
{
    display->Lock();
    selection_zone = r;
    selection_dragging = false;
    if (selection_active)
        set_selection(false, selection);
    display->Unlock();
}

void CConsole::SetSelectionZone(int x, int y, int w, int h)
{
    SetSelectionZone({x, y, x + w - 1, y + h - 1});
}

void CConsole::GetSelectionZone(Rect& r) const
{
    r = selection_zone;
}

void CConsole::ResetSelectionZone()
{
    SetSelectionZone(Rect{0, 0, 0, 0});
}

bool CConsole::GetSelection(Rect& r) const
{
    r = selection;
    return selection_active;
}

Westring CConsole::SelectionText(const Rect& r) const
{
    Westring out;
    for (int y = std::max(r.y1, 0); y <= std::min(r.y2, lines - 1); y++) {
        Westring line;
        for (int x = std::max(r.x1, 0); x <= std::min(r.x2, columns - 1); x++)
            line += painted_char(Cell(x, y).ch);
        out += line.rtrim();
        if (r.y2 > r.y1)
            out += L'\n';
    }
    return out;
}
