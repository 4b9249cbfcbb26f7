#ifndef PANNEX_COMMAND_SCROLL_BACK_H
#define PANNEX_COMMAND_SCROLL_BACK_H

#include "console/cell_string.h"
#include "textui/win.h"

#include <vector>

// The history of screen lines that scrolled off the top of the console,
// with their colours, oldest first. Bounded: once it holds its capacity,
// each new line takes the place of the oldest, in constant time and
// reusing that line's storage, so that endless output (`yes`) keeps memory
// flat. Logic thread only.
class CScrollBackBuffer
{
public:
    static constexpr int DefaultLines = 10000;

    explicit CScrollBackBuffer(int capacity = DefaultLines) : cap(std::max(capacity, 1)) {}

    // At least 1. A smaller capacity drops the oldest lines beyond it.
    void SetCapacity(int lines);
    int Capacity() const { return cap; }
    int Count() const { return count; }
    // Line i, 0 the oldest; 0 <= i < Count().
    const CellString& Line(int i) const;
    // Appends a copy of n cells.
    void Add(const ScreenCell* cells, int n);
    void Clear();

private:
    std::vector<CellString> ring;
    int head = 0;  // index in ring of the oldest line
    int count = 0;
    int cap;
};

extern CScrollBackBuffer ScrollBack;

// Whether lines are collected (the ConsoleScrollback setting) and how many
// are kept (ScrollbackLines); the configuration passes them on at start-up
// and after a change. Collecting is on by default.
void SetScrollBackOptions(bool collect, int capacity);
bool ScrollBackCollecting();
// Lets the console's own Write hand the lines it scrolls off to
// AddScrollBackLine.
void install_scroll_back();

// Screen line `line` of the console, full width.
void GetConsoleLine(CellString& out, int line);
// Appends a copy of screen line `line` to ScrollBack.
void AddScrollBackLine(int line);

// The viewer of the history: a full-screen window in the "Command Line"
// colour showing the buffer's lines followed by `tail` (the screen's
// lines as they were when it opened), the last page first.
class CScrollBackViewer : public Win
{
public:
    CScrollBackViewer(const CScrollBackBuffer& buffer, std::vector<CellString> tail);

    // Shows lines from the first shown one, one per screen line, and
    // blanks the rest of the window.
    void Paint();
    // The key loop, until Escape. Mouse selection works on the window's
    // text meanwhile.
    void Show();
    // The window's text one line up (Down key) or down (Up key), drawing
    // the line that comes in.
    void ScrollUp();
    void ScrollDown();
    int FirstShown() const { return first; }
    int Total() const { return buffer.Count() + static_cast<int>(tail.size()); }

private:
    const CellString& Text(int i) const;
    void PaintLine(int screen_line);

    const CScrollBackBuffer& buffer;
    std::vector<CellString> tail;
    CellString scratch;
    int width;
    int page;
    int first = 0;
};

// Runs the viewer over ScrollBack and the screen's lines 0 .. lines - 3 (all
// but the command line and the key bar). The buffer is left as it was.
// The caller (the main loop, on Ctrl+B) switches the panels and the clock
// off before and on after. 0 after the viewer ran; -1 when collecting is
// off, and nothing is shown.
int ShowScrollBack();

#endif
