#include "command/scroll_back.h"

#include "console/colours.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "textui/textui_settings.h"

#include <cassert>

CScrollBackBuffer ScrollBack;

namespace {

bool collecting = true;

void scroll_back_sink_line(int line)
{
    if (collecting)
        AddScrollBackLine(line);
}

}

void CScrollBackBuffer::SetCapacity(int lines)
{
    lines = std::max(lines, 1);
    if (lines == cap)
        return;
    int keep = std::min(count, lines);
    std::vector<CellString> kept;
    kept.reserve(keep);
    for (int i = count - keep; i < count; i++)
        kept.push_back(std::move(ring[(head + i) % ring.size()]));
    ring = std::move(kept);
    head = 0;
    count = keep;
    cap = lines;
}

const CellString& CScrollBackBuffer::Line(int i) const
{
    assert(i >= 0 && i < count);
    return ring[(head + i) % ring.size()];
}

void CScrollBackBuffer::Add(const ScreenCell* cells, int n)
{
    if (static_cast<int>(ring.size()) < cap) {
        // Still growing: ring holds exactly the lines, oldest at 0.
        ring.emplace_back();
        ring.back().copy(cells, n);
        count++;
        return;
    }
    // Full: the oldest line's slot takes the new one.
    int slot = (head + count) % cap;
    ring[slot].copy(cells, n);
    if (count == cap)
        head = (head + 1) % cap;
    else
        count++;
}

void CScrollBackBuffer::Clear()
{
    ring.clear();
    head = 0;
    count = 0;
}

void SetScrollBackOptions(bool collect, int capacity)
{
    collecting = collect;
    ScrollBack.SetCapacity(capacity);
}

bool ScrollBackCollecting()
{
    return collecting;
}

void install_scroll_back()
{
    scroll_back_sink = scroll_back_sink_line;
}

void GetConsoleLine(CellString& out, int line)
{
    out.copy(console.Row(line), console.Columns());
}

void AddScrollBackLine(int line)
{
    ScrollBack.Add(console.Row(line), console.Columns());
}

CScrollBackViewer::CScrollBackViewer(const CScrollBackBuffer& b, std::vector<CellString> t)
    : Win(0, 0, console.Columns() - 1, console.Lines() - 1, ui_colour(ColourCommandLine)), buffer(b),
      tail(std::move(t)), width(console.Columns()), page(console.Lines())
{
    first = std::max(Total() - page, 0);
    Paint();
}

const CellString& CScrollBackViewer::Text(int i) const
{
    return i < buffer.Count() ? buffer.Line(i) : tail[i - buffer.Count()];
}

// A line of another width (the screen was resized since) is cut or padded.
void CScrollBackViewer::PaintLine(int y)
{
    int i = first + y;
    scratch.SetAttr(colour);
    if (i < Total())
        scratch = Text(i).left(width);
    else
        scratch = L"";
    scratch.SetAttr(colour);
    scratch = scratch.pad(width);
    console.PutRect(0, y, width, 1, scratch.cells());
}

void CScrollBackViewer::Paint()
{
    console.BeginPaint();
    for (int y = 0; y < page; y++)
        PaintLine(y);
    console.EndPaint();
}

void CScrollBackViewer::ScrollUp()
{
    Scroll(0, 0, width, page, 1);
    PaintLine(page - 1);
}

void CScrollBackViewer::ScrollDown()
{
    Scroll(0, 0, width, page, -1);
    PaintLine(0);
}

void CScrollBackViewer::Show()
{
    CConsole::Rect zone;
    console.GetSelectionZone(zone);
    console.SetSelectionZone(0, 0, width, page);
    int last_first = Total() - page;
    for (;;) {
        int key = getkey();
        if (key == KEY_ESC)
            break;
        int old = first;
        switch (key) {
        case KEY_HOME:
            first = 0;
            break;
        case KEY_UP:
            if (first > 0) {
                first--;
                ScrollDown();
            }
            continue;
        case KEY_PGUP:
            first = std::max(first - (page - 2), 0);
            break;
        case KEY_DOWN:
            if (first < last_first) {
                first++;
                ScrollUp();
            }
            continue;
        case KEY_PGDN:
            if (first < last_first)
                first = std::min(first + (page - 2), last_first);
            break;
        case KEY_END:
            if (first < last_first)
                first = last_first;
            break;
        default:
            continue;  // other keys and the mouse do nothing here
        }
        if (first != old)
            Paint();
    }
    console.SetSelectionZone(zone);
}

int ShowScrollBack()
{
    if (!collecting)
        return -1;
    std::vector<CellString> screen;
    for (int y = 0; y < console.Lines() - 2; y++) {
        screen.emplace_back();
        GetConsoleLine(screen.back(), y);
    }
    CScrollBackViewer viewer(ScrollBack, std::move(screen));
    viewer.Show();
    return 0;
}
