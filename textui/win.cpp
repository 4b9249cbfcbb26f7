#include "textui/win.h"

#include "console/console.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <vector>

unsigned char _video = 0x07;

namespace {

constexpr wchar_t FrameTopLeft = 0x2554, FrameTopRight = 0x2557;
constexpr wchar_t FrameBottomLeft = 0x255A, FrameBottomRight = 0x255D;
constexpr wchar_t FrameHorizontal = 0x2550, FrameVertical = 0x2551;

// Backgrounds on which yellow does not show: brown, white and their bright
// forms.
bool light_background(unsigned char attr)
{
    return ((attr >> 4) & 6) == 6;
}

// The console writes cell strings up to a 0 cell; a CellString has none.
void put_cells(int x, int y, const CellString& cells)
{
    std::vector<ScreenCell> row(cells.cells(), cells.cells() + cells.length());
    row.push_back(ScreenCell(0, 0));
    console.PutStringAt(x, y, row.data());
}

unsigned char hot_attr(unsigned char attr)
{
    int fg = attr & 15, bg = attr >> 4;
    int hot;
    if (light_background(attr))
        hot = fg != 9 ? 9 : bg > 7 ? 0 : 15;
    else
        hot = fg != 14 ? 14 : 15;
    return static_cast<unsigned char>(bg << 4 | hot);
}

}

void modcolours(CellString& cells, int n)
{
    assert(n <= cells.length());
    for (int i = 0; i < n; i++) {
        int fg = cells[i].attr & 15;
        cells[i].attr = static_cast<unsigned char>(fg < 8 ? 8 : fg - 8);
    }
}

Win::Win(int ax1, int ay1, int ax2, int ay2, int colour_, int frame_colour, int no_shadow)
    : x1(ax1), y1(ay1), x2(ax2), y2(ay2)
{
    int columns = console.Columns(), lines = console.Lines();
    if (x1 < 0) {
        int w = x2;
        x1 = (columns - w) / 2;
        x2 = x1 + w - 1;
    }
    if (y1 < 0) {
        int h = y2;
        y1 = (lines - h) / -y1;
        y2 = y1 + h - 1;
    }
    assert(x2 >= x1 && y2 >= y1);
    shadow = *textui_settings.shadows && frame_colour >= 0 && !no_shadow && y2 + 1 < lines && x2 + 2 < columns;
    origin_x = x1;
    origin_y = y1;
    saved = GetWin(shadow);
    console.BeginPaint();
    if (colour_ >= 0) {
        colour = static_cast<unsigned char>(colour_);
        console.Clear(x1, y1, x2 - x1 + 1, y2 - y1 + 1, colour);
    } else {
        colour = _video;
    }
    if (shadow)
        addshadow();
    if (frame_colour >= 0) {
        framed = true;
        pu_paint(static_cast<char>(frame_colour));
    }
    console.EndPaint();
}

Win::~Win()
{
    if (!is_hidden)
        PutWin(saved.get(), shadow);
}

std::unique_ptr<ScreenCell[]> Win::GetWin(char with_shadow) const
{
    int w = x2 - x1 + 1 + (with_shadow ? 2 : 0), h = y2 - y1 + 1 + (with_shadow ? 1 : 0);
    return console.GetRect(x1, y1, w, h);
}

void Win::PutWin(const ScreenCell* cells, char with_shadow)
{
    int w = x2 - x1 + 1 + (with_shadow ? 2 : 0), h = y2 - y1 + 1 + (with_shadow ? 1 : 0);
    console.PutRect(x1, y1, w, h, cells);
}

void Win::SetOrigin(int x, int y)
{
    origin_x = x1 + x;
    origin_y = y1 + y;
}

void Win::Goto(int x, int y)
{
    cursor_x = x;
    cursor_y = y;
    console.SetCursorPos(origin_x + x, origin_y + y);
}

void Win::puts_at(int x, int y, const char* text, int attr)
{
    console.PutStringAt(origin_x + x, origin_y + y, text, attr_or_colour(attr));
    cursor_x = x + static_cast<int>(std::strlen(text));
    cursor_y = y;
}

void Win::puts_at(int x, int y, const wchar_t* text, int attr)
{
    console.PutStringAt(origin_x + x, origin_y + y, text, attr_or_colour(attr));
    cursor_x = x + static_cast<int>(std::wcslen(text));
    cursor_y = y;
}

void Win::puts(const char* text, int attr)
{
    puts_at(cursor_x, cursor_y, text, attr);
}

void Win::puts(const wchar_t* text, int attr)
{
    puts_at(cursor_x, cursor_y, text, attr);
}

void Win::putcs_at(int x, int y, const ScreenCell* cells)
{
    console.PutStringAt(origin_x + x, origin_y + y, cells);
    cursor_x = x + strlen(cells);
    cursor_y = y;
}

void Win::putcs_at(int x, int y, const CellString& cells)
{
    put_cells(origin_x + x, origin_y + y, cells);
    cursor_x = x + cells.length();
    cursor_y = y;
}

void Win::putcs(const ScreenCell* cells)
{
    putcs_at(cursor_x, cursor_y, cells);
}

void Win::putcs(const CellString& cells)
{
    putcs_at(cursor_x, cursor_y, cells);
}

void Win::PutCentre(int y, const char* text, int attr)
{
    PutCentre(y, MkWestring(Estring(text)).c_str(), attr);
}

void Win::PutCentre(int y, const wchar_t* text, int attr)
{
    int len = static_cast<int>(std::wcslen(text));
    // A text wider than the interior starts at its left edge rather than
    // on the frame or outside the window.
    int x = std::max((inner_width() - len + 1) / 2, 0);
    puts_at(x, y, text, attr);
}

void Win::PutHot(int x, int y, const char* text, const char* hot, int attr)
{
    puts_at(x, y, text, attr);
    Westring w = MkWestring(Estring(text));
    unsigned char a = attr_or_colour(attr);
    for (const char* h = hot; *h; h++) {
        wchar_t c = static_cast<unsigned char>(*h);
        int at = w.chr(static_cast<wchar_t>(std::towupper(c)));
        if (at < 0)
            at = w.chr(static_cast<wchar_t>(std::towlower(c)));
        if (at >= 0)
            console.FillAttr(origin_x + x + at, origin_y + y, 1, hot_attr(a));
    }
}

void Win::PutParagraph(int x, int y, const char* text)
{
    PutParagraph(x, y, MkWestring(Estring(text)).c_str());
}

void Win::PutParagraph(int x, int y, const wchar_t* text)
{
    int width = inner_width();
    Westring rest(text);
    while (!rest.empty()) {
        int room = width - x;
        if (room <= 0) {
            // Nothing fits on this line: go on at the start of the next one,
            // or stop when even a whole line has no room.
            if (x == 0)
                break;
            x = 0;
            y++;
            continue;
        }
        Westring piece = rest.left(room + 1);
        int cut = piece.strlen();
        if (cut > room) {
            int blank = piece.rchr(L' ');
            cut = blank >= 0 ? blank : room;
        }
        puts_at(x, y, piece.left(cut).c_str());
        rest = Westring(rest.c_str() + cut).ltrim();
        x = 0;
        y++;
    }
}

void Win::pu_paint(char frame_colour)
{
    unsigned char a = static_cast<unsigned char>(frame_colour);
    int w = x2 - x1 + 1;
    console.BeginPaint();
    console.FillCell(x1, y1, 1, ScreenCell(FrameTopLeft, a));
    console.FillCell(x1 + 1, y1, w - 2, ScreenCell(FrameHorizontal, a));
    console.FillCell(x2, y1, 1, ScreenCell(FrameTopRight, a));
    for (int y = y1 + 1; y < y2; y++) {
        console.FillCell(x1, y, 1, ScreenCell(FrameVertical, a));
        console.FillCell(x2, y, 1, ScreenCell(FrameVertical, a));
    }
    console.FillCell(x1, y2, 1, ScreenCell(FrameBottomLeft, a));
    console.FillCell(x1 + 1, y2, w - 2, ScreenCell(FrameHorizontal, a));
    console.FillCell(x2, y2, 1, ScreenCell(FrameBottomRight, a));
    console.EndPaint();
    origin_x = x1 + 1;
    origin_y = y1 + 1;
}

void Win::addshadow()
{
    int w = x2 - x1 + 1;
    CellString cells;
    console.BeginPaint();
    console.GetRect(cells, x1 + 2, y2 + 1, w, 1);
    modcolours(cells, cells.length());
    put_cells(x1 + 2, y2 + 1, cells);
    for (int y = y1 + 1; y <= y2; y++) {
        console.GetRect(cells, x2 + 1, y, 2, 1);
        modcolours(cells, 2);
        put_cells(x2 + 1, y, cells);
    }
    console.EndPaint();
}

void Win::hide(char hide)
{
    if ((hide != 0) == is_hidden)
        return;
    std::unique_ptr<ScreenCell[]> shown = GetWin(shadow);
    PutWin(saved.get(), shadow);
    saved = std::move(shown);
    is_hidden = hide != 0;
}

bool Win::click_in_win(_MEVENT& m) const
{
    bool inside = m.x >= x1 && m.x <= x2 && m.y >= y1 && m.y <= y2;
    m.x -= origin_x;
    m.y -= origin_y;
    return inside;
}

void Win::clreol(int attr)
{
    int from = origin_x + cursor_x;
    int n = right() - from + 1;
    if (n > 0)
        console.FillCell(from, origin_y + cursor_y, n, ScreenCell(L' ', attr_or_colour(attr)));
}

void Win::Clear()
{
    Clear(0, 0);
}

void Win::Clear(int top_lines, int bottom_lines)
{
    int h = bottom() - top() + 1 - top_lines - bottom_lines;
    if (h > 0)
        console.Clear(left(), top() + top_lines, right() - left() + 1, h, colour);
}

void Win::Scroll(int x, int y, int w, int h, int n)
{
    if (n > 0)
        console.ScrollUp(origin_x + x, origin_y + y, w, h, n, colour);
    else
        console.ScrollDown(origin_x + x, origin_y + y, w, h, -n, colour);
}
