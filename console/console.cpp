#include "console/console.h"

#include "foundation/program_name.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <numeric>

TerminalFactory terminal_factory = nullptr;
ScrollBackSink scroll_back_sink = nullptr;
std::atomic<int> break_status{0};

const wchar_t ctrlmap[32] = {
    L' ',    0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

CConsole console;

namespace {

constexpr wchar_t Replacement = 0xFFFD;
constexpr wchar_t House = 0x2302;
constexpr ScreenCell Blank(L' ', 0x07);

CConsoleDisplay& no_display()
{
    static CConsoleDisplay d;
    return d;
}

class DisplayLock
{
public:
    explicit DisplayLock(CConsoleDisplay* d) : display(d) { display->Lock(); }
    ~DisplayLock() { display->Unlock(); }
    DisplayLock(const DisplayLock&) = delete;
    DisplayLock& operator=(const DisplayLock&) = delete;

private:
    CConsoleDisplay* display;
};

// Cell writes show control characters as pictures.
wchar_t map_control(wchar_t c)
{
    if (c >= 1 && c <= 31)
        return ctrlmap[c];
    if (c >= 127 && c <= 159)
        return House;
    return c;
}

}

wchar_t painted_char(wchar_t c)
{
    if (c == 0)
        return L' ';
    if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return Replacement;  // also every IsRawNameByte code point
    return map_control(c);
}

CConsole::CConsole() : display(&no_display()), cells(columns * lines, Blank), row_map(lines)
{
    std::iota(row_map.begin(), row_map.end(), 0);
    font_family = "DejaVu Sans Mono";
    title = L"" PANNEX_NAME;
    if (const char* path = std::getenv("PX_SCREEN_DUMP"))
        SetScreenDump(path);
}

CConsole::~CConsole() = default;

void CConsole::SetDisplay(CConsoleDisplay* d)
{
    display = d ? d : &no_display();
    {
        DisplayLock lock(display);
        display->Resize(columns, lines, font_family, font_size);
    }
    PaintCells({0, 0, columns - 1, lines - 1});
}

void CConsole::GetSize(int& c, int& l) const
{
    c = columns;
    l = lines;
}

void CConsole::SetSize(int c, int l, const Estring& family, int size)
{
    assert(c > 0 && l > 0);
    columns = c;
    lines = l;
    if (!family.empty())
        font_family = family;
    if (size != 0)
        font_size = size;
    allocate_screen();
}

void CConsole::allocate_screen()
{
    {
        DisplayLock lock(display);
        cells.assign(static_cast<size_t>(columns) * lines, Blank);
        row_map.resize(lines);
        std::iota(row_map.begin(), row_map.end(), 0);
        // Pixels waiting to move belong to the old screen.
        move_valid = false;
        move_cancelled = true;
        selection_active = false;
        selection_dragging = false;
        display->Resize(columns, lines, font_family, font_size);
    }
    UpdateCells(0, 0, columns, lines);
    // Only the logic thread replaces the terminal, and this is it.
    if (terminal)
        terminal->Resized(columns, lines);
}

void CConsole::SetCodePage(int cp)
{
    if (cp != 0)
        code_page = cp;
}

void CConsole::SetCursorType(int percent)
{
    if (percent == cursor_type)
        return;
    cursor_type = percent;
    flash = 0;
    UpdateCells(cursor_x, cursor_y, 1, 1);
}

void CConsole::GetCursorPos(int& x, int& y) const
{
    x = cursor_x;
    y = cursor_y;
}

void CConsole::SetCursorPos(int x, int y)
{
    if (x == cursor_x && y == cursor_y)
        return;
    move_cursor(x, y);
}

// Moves the cursor, shows it at once and repaints both cells.
void CConsole::move_cursor(int x, int y)
{
    int old_x = cursor_x, old_y = cursor_y;
    cursor_x = x;
    cursor_y = y;
    flash = 0;
    UpdateCells(old_x, old_y, 1, 1);
    UpdateCells(x, y, 1, 1);
}

template <class CellAt>
void CConsole::write_span(int x, int y, int n, CellAt cell_at)
{
    if (y < 0 || y >= lines || n <= 0)
        return;
    int start = x < 0 ? -x : 0;
    int end = std::min(n, columns - x);
    ScreenCell* row = row_cells(y);
    int first = -1, last = -1;
    for (int i = start; i < end; i++) {
        ScreenCell c = cell_at(i);
        if (row[x + i] != c) {
            row[x + i] = c;
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first >= 0)
        UpdateCells(x + first, y, last - first + 1, 1);
}

void CConsole::PutStringAt(int x, int y, const char* s, unsigned char attr)
{
    if (!s)
        return;
    Westring w;
    if (!w.FromCodePage(s, code_page) && w.empty())
        w = Westring(Estring(s));  // unknown code page: Latin-1
    PutStringAt(x, y, w.c_str(), attr);
}

void CConsole::PutStringAt(int x, int y, const wchar_t* s, unsigned char attr)
{
    if (!s)
        return;
    int n = static_cast<int>(std::wcslen(s));
    write_span(x, y, n, [&](int i) { return ScreenCell(map_control(s[i]), attr); });
}

void CConsole::PutStringAt(int x, int y, const ScreenCell* s)
{
    if (!s)
        return;
    write_span(x, y, strlen(s), [&](int i) { return ScreenCell(map_control(s[i].ch), s[i].attr); });
}

void CConsole::FillCell(int x, int y, int n, const ScreenCell& c)
{
    assert(n >= 0);
    ScreenCell mapped(c.ch >= 1 && c.ch <= 31 ? ctrlmap[c.ch] : c.ch, c.attr);
    write_span(x, y, n, [&](int) { return mapped; });
}

void CConsole::FillAttr(int x, int y, int n, unsigned char attr)
{
    assert(n >= 0);
    if (y < 0 || y >= lines)
        return;
    const ScreenCell* row = Row(y);
    write_span(x, y, n, [&](int i) { return ScreenCell(row[x + i].ch, attr); });
}

const ScreenCell& CConsole::Cell(int x, int y) const
{
    assert(x >= 0 && x < columns && y >= 0 && y < lines);
    return Row(y)[x];
}

const ScreenCell* CConsole::Row(int y) const
{
    assert(y >= 0 && y < lines);
    return &cells[static_cast<size_t>(row_map[y]) * columns];
}

std::unique_ptr<ScreenCell[]> CConsole::GetRect(int x, int y, int w, int h) const
{
    assert(w >= 0 && h >= 0);
    auto out = std::make_unique<ScreenCell[]>(static_cast<size_t>(w) * h);
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            int cx = x + c, cy = y + r;
            bool inside = cx >= 0 && cx < columns && cy >= 0 && cy < lines;
            out[static_cast<size_t>(r) * w + c] = inside ? Cell(cx, cy) : Blank;
        }
    return out;
}

void CConsole::GetRect(CellString& out, int x, int y, int w, int h) const
{
    auto rect = GetRect(x, y, w, h);
    out.copy(rect.get(), w * h);
}

void CConsole::PutRect(int x, int y, int w, int h, const ScreenCell* rect)
{
    assert(w >= 0 && h >= 0);
    BeginPaint();
    for (int r = 0; r < h; r++) {
        const ScreenCell* row = rect + static_cast<size_t>(r) * w;
        write_span(x, y + r, w, [&](int i) { return row[i]; });
    }
    EndPaint();
}

void CConsole::Clear(int x, int y, int w, int h, unsigned char attr)
{
    assert(w >= 0 && h >= 0);
    BeginPaint();
    for (int r = 0; r < h; r++)
        write_span(x, y + r, w, [&](int) { return ScreenCell(L' ', attr); });
    EndPaint();
}

void CConsole::ScrollUp(int x, int y, int w, int h, int n, unsigned char attr)
{
    scroll(x, y, w, h, n, attr, true);
}

void CConsole::ScrollDown(int x, int y, int w, int h, int n, unsigned char attr)
{
    scroll(x, y, w, h, n, attr, false);
}

void CConsole::scroll(int x, int y, int w, int h, int n, unsigned char attr, bool up)
{
    assert(w >= 0 && h >= 0);
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, columns), y1 = std::min(y + h, lines);
    if (x0 >= x1 || y0 >= y1 || n <= 0)
        return;
    int height = y1 - y0;
    if (n >= height) {
        Clear(x0, y0, x1 - x0, height, attr);
        return;
    }
    bool deferred = paint_nesting > 0;
    if (deferred && !move_locked) {
        // From here until EndPaint nothing else may paint: a paint into
        // pixels that are still to move would end up on the wrong line.
        display->Lock();
        move_locked = true;
    }
    // Moving pixels at once is only right when what is painted is what the
    // cells held, which a shown selection is not.
    bool move_pixels = !deferred && !selection_active;
    bool cursor_inside = cursor_x >= x0 && cursor_x < x1 && cursor_y >= y0 && cursor_y < y1;
    if (move_pixels && cursor_inside && CursorShown()) {
        cursor_suppressed = true;
        PaintCells({cursor_x, cursor_y, cursor_x, cursor_y});
    }
    ScreenCell blank(L' ', attr);
    if (x0 == 0 && x1 == columns) {
        // Whole lines: reorder them, and blank only the freed ones, so that
        // a flood of output costs no copy of the screen per line.
        auto first = row_map.begin() + y0, last = row_map.begin() + y1;
        if (up)
            std::rotate(first, first + n, last);
        else
            std::rotate(first, last - n, last);
        for (int r = up ? y1 - n : y0, end = r + n; r < end; r++)
            std::fill_n(row_cells(r), columns, blank);
    } else {
        size_t width = static_cast<size_t>(x1 - x0);
        auto row = [&](int r) { return row_cells(r) + x0; };
        if (up) {
            for (int r = y0; r < y1 - n; r++)
                std::copy_n(row(r + n), width, row(r));
            for (int r = y1 - n; r < y1; r++)
                std::fill_n(row(r), width, blank);
        } else {
            for (int r = y1 - 1; r >= y0 + n; r--)
                std::copy_n(row(r - n), width, row(r));
            for (int r = y0; r < y0 + n; r++)
                std::fill_n(row(r), width, blank);
        }
    }
    revision++;
    if (deferred) {
        defer_move(x0, y0, x1, y1, up ? -n : n);
        return;
    }
    if (!move_pixels) {
        UpdateCells(x0, y0, x1 - x0, height);
        return;
    }
    display->MoveRect(x0, y0, x1 - 1, y1 - 1, up ? -n : n);
    cursor_suppressed = false;
    BeginPaint();
    UpdateCells(x0, up ? y1 - n : y0, x1 - x0, n);
    if (cursor_inside && cursor_type > 0)
        UpdateCells(cursor_x, cursor_y, 1, 1);
    EndPaint();
}

// A scroll inside BeginPaint/EndPaint: its cells have moved, the pixels
// move at EndPaint together with those of the other scrolls of the same
// rectangle. What must be repainted then is the dirty rectangle moved along
// with the content, plus the freed lines. The dirty rectangle stays a
// bounding box, so this repaints at most a little more than needed.
void CConsole::defer_move(int x0, int y0, int x1, int y1, int dy)
{
    int height = y1 - y0;
    if (!move_valid && !move_cancelled && !selection_active) {
        move_valid = true;
        move_x0 = x0;
        move_y0 = y0;
        move_x1 = x1;
        move_y1 = y1;
        move_dy = 0;
        // The cursor drawn in the pixels moves with them.
        UpdateCells(cursor_x, cursor_y, 1, 1);
    } else if (!move_valid || x0 != move_x0 || y0 != move_y0 || x1 != move_x1 || y1 != move_y1) {
        if (move_valid)
            UpdateCells(move_x0, move_y0, move_x1 - move_x0, move_y1 - move_y0);
        move_valid = false;
        move_cancelled = true;
        UpdateCells(x0, y0, x1 - x0, height);
        return;
    }
    if (dirty_x1 >= 0 && dirty_y1 < y1 && dirty_y2 > y0 && dirty_x1 < x1 && dirty_x2 > x0) {
        int ny1 = INT32_MAX, ny2 = INT32_MIN;
        auto add = [&](int a, int b) {
            if (a < b) {
                ny1 = std::min(ny1, a);
                ny2 = std::max(ny2, b);
            }
        };
        // The part inside the rectangle moves with the content; what lies
        // beside it (lines above or below, columns outside) stays.
        add(std::clamp(std::max(dirty_y1, y0) + dy, y0, y1), std::clamp(std::min(dirty_y2, y1) + dy, y0, y1));
        if (dirty_x1 < x0 || dirty_x2 > x1) {
            add(dirty_y1, dirty_y2);
        } else {
            add(dirty_y1, std::min(dirty_y2, y0));
            add(std::max(dirty_y1, y1), dirty_y2);
        }
        if (ny1 < ny2) {
            dirty_y1 = ny1;
            dirty_y2 = ny2;
        } else {
            dirty_x1 = -1;
        }
    }
    move_dy += dy;
    int n = dy < 0 ? -dy : dy;
    UpdateCells(x0, dy < 0 ? y1 - n : y0, x1 - x0, n);
    if (std::abs(move_dy) >= height)
        UpdateCells(x0, y0, x1 - x0, height);
}

void CConsole::store_line(const std::vector<ScreenCell>& line, int y)
{
    write_span(0, y, columns, [&](int i) { return line[i]; });
}

void CConsole::Write(const char* utf8)
{
    if (utf8)
        Write(utf8, std::strlen(utf8));
}

void CConsole::Write(const char* data, size_t length)
{
    if (!data)
        return;
    // No terminal mutex here: only this thread replaces the terminal, and
    // the emulator paints, which takes the GDK lock that the toolkit thread
    // holds while it waits for the mutex to hand over a key.
    if (terminal) {
        terminal->WriteOutput(data, length);
        return;
    }
    Estring text;
    for (size_t i = 0; i < length; i++)
        if (data[i] != 0)
            text += data[i];
    write_text(Westring(text.c_str()));
}

// Control characters (C0, DEL and C1) other than the four handled are
// ignored; everything else is printable. This keeps Write independent of
// the C library's locale.
void CConsole::write_text(const Westring& text)
{
    BeginPaint();
    int saved_type = cursor_type;
    if (saved_type != 0) {
        cursor_type = 0;
        UpdateCells(cursor_x, cursor_y, 1, 1);
    }
    int x = std::clamp(cursor_x, 0, columns);
    int y = std::clamp(cursor_y, 0, lines - 1);
    std::vector<ScreenCell> line(Row(y), Row(y) + columns);
    auto next_line = [&] {
        store_line(line, y);
        x = 0;
        if (y == lines - 1) {
            if (scroll_back_sink)
                scroll_back_sink(0);
            ScrollUp(0, 0, columns, lines, 1, default_attr);
        } else {
            y++;
        }
        std::copy_n(Row(y), columns, line.begin());
    };
    for (const wchar_t* p = text.c_str(); *p; p++) {
        wchar_t c = *p;
        if (x >= columns)
            next_line();
        if (c == L'\t')
            x = (x | 7) + 1;
        else if (c == L'\r')
            x = 0;
        else if (c == L'\b')
            x = x > 0 ? x - 1 : 0;
        else if (c == L'\n')
            next_line();
        else if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F))
            line[x++] = ScreenCell(c, default_attr);
        if (x >= columns)
            next_line();
    }
    store_line(line, y);
    cursor_type = saved_type;
    // Even at the same place: the cursor comes back after being hidden.
    move_cursor(x, y);
    EndPaint();
}

namespace {

// UTF-8 for the window system: what cannot be encoded shows as U+FFFD.
Estring display_utf8(const wchar_t* s)
{
    Westring w(s ? s : L"");
    for (int i = 0; i < w.strlen(); i++)
        if (w[i] < 0 || w[i] > 0x10FFFF || (w[i] >= 0xD800 && w[i] <= 0xDFFF))
            w[i] = Replacement;
    return w.ToUTF8();
}

}

void CConsole::SetTitle(const wchar_t* t)
{
    title = t ? t : L"";
    revision++;
    display->SetTitle(display_utf8(title.c_str()));
}

void CConsole::SetTitle(const char* t)
{
    Westring w;
    if (t && !w.FromCodePage(t, code_page) && w.empty())
        w = Westring(Estring(t));
    SetTitle(w.c_str());
}

void CConsole::SetIcon(const Westring& file)
{
    SetIcons(std::span<const Westring>(&file, 1));
}

void CConsole::SetIcons(std::span<const Westring> files)
{
    std::vector<Estring> paths;
    for (const Westring& f : files)
        paths.push_back(FileNameToSys(f));
    display->SetIcons(paths.data(), static_cast<int>(paths.size()));
}

bool CConsole::GetEvent(TEvent& ev, int timeout_ms)
{
    if (timeout_ms != 0 && idle_hook && queue.Length() == 0)
        idle_hook();
    if (timeout_ms != 0 && queue.Length() == 0)
        DumpScreenIfChanged();
    return queue.Get(ev, timeout_ms);
}

void CConsole::DumpScreenIfChanged()
{
    if (!dump_path.empty() && revision != dumped_revision)
        (void)WriteScreenDump();
}

void CConsole::PutClipText(const char* utf8)
{
    display->PutClipText(Estring(utf8 ? utf8 : ""));
}

void CConsole::PutClipText(const wchar_t* text)
{
    display->PutClipText(display_utf8(text));
}

void CConsole::PutClipTextNoLock(const wchar_t* text)
{
    PutClipText(text);
}

bool CConsole::GetClipText(Westring& out)
{
    out.FromUTF8(display->GetClipText().c_str());
    return true;
}

void CConsole::Beep()
{
    display->Beep();
}

void CConsole::SyncDisplay()
{
    display->Sync();
}

void CConsole::SetPty(int master_fd)
{
    EndPty();
    if (!terminal_factory)
        return;
    CConsoleTerminal* t = terminal_factory(*this, master_fd);
    std::lock_guard<std::mutex> lock(terminal_mutex);
    terminal.reset(t);
}

void CConsole::EndPty()
{
    std::unique_ptr<CConsoleTerminal> old;
    {
        std::lock_guard<std::mutex> lock(terminal_mutex);
        old = std::move(terminal);
    }
}

bool CConsole::HasTerminal() const
{
    std::lock_guard<std::mutex> lock(terminal_mutex);
    return terminal != nullptr;
}

void CConsole::BeginPaint()
{
    if (paint_nesting++ == 0)
        dirty_x1 = -1;
}

void CConsole::EndPaint()
{
    if (paint_nesting == 0)
        return;
    if (--paint_nesting > 0)
        return;
    if (move_valid && move_dy != 0 && std::abs(move_dy) < move_y1 - move_y0) {
        display->MoveRect(move_x0, move_y0, move_x1 - 1, move_y1 - 1, move_dy);
        // The cursor did not move with the pixels: draw it where it is
        // (with the nesting up, UpdateCells only adds to the rectangle).
        paint_nesting = 1;
        UpdateCells(cursor_x, cursor_y, 1, 1);
        paint_nesting = 0;
    }
    if (dirty_x1 >= 0) {
        display->Paint(dirty_x1, dirty_y1, dirty_x2 - 1, dirty_y2 - 1);
        dirty_x1 = -1;
    }
    move_valid = false;
    move_cancelled = false;
    if (move_locked) {
        move_locked = false;
        display->Unlock();
    }
}

void CConsole::UpdateCells(int x, int y, int w, int h)
{
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, columns), y1 = std::min(y + h, lines);
    if (x0 >= x1 || y0 >= y1)
        return;
    revision++;
    if (paint_nesting == 0) {
        display->Paint(x0, y0, x1 - 1, y1 - 1);
        return;
    }
    if (dirty_x1 < 0) {
        dirty_x1 = x0;
        dirty_y1 = y0;
        dirty_x2 = x1;
        dirty_y2 = y1;
        return;
    }
    dirty_x1 = std::min(dirty_x1, x0);
    dirty_y1 = std::min(dirty_y1, y0);
    dirty_x2 = std::max(dirty_x2, x1);
    dirty_y2 = std::max(dirty_y2, y1);
}

void CConsole::PaintCells(const Rect& r)
{
    int x0 = std::max(r.x1, 0), y0 = std::max(r.y1, 0);
    int x1 = std::min(r.x2, columns - 1), y1 = std::min(r.y2, lines - 1);
    if (x0 <= x1 && y0 <= y1)
        display->Paint(x0, y0, x1, y1);
}

void CConsole::BreakHandler()
{
    int running = 1;
    break_status.compare_exchange_strong(running, 2);
}

bool CConsole::FlashTick()
{
    int f = flash;
    flash = f + 1 >= 10 ? 0 : f + 1;
    return f == 0 || f == 5;
}
