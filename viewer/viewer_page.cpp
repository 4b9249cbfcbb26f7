#include "viewer/file_viewer.h"

#include "config/config.h"
#include "text/text_settings.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// Cells after adding c to a row of n cells: a tab reaches the next
// multiple of the tab width, as the highlighter's AddChar makes it.
inline long long advance(long long n, wchar_t c, int tab)
{
    return c == L'\t' ? n + (tab - n % tab) : n + 1;
}

}

long long CFileViewer::unit_size() const
{
    EFileFormat f = GetFormat();
    return f == FormatUTF16LE || f == FormatUTF16BE ? 2 : f == FormatUTF32LE || f == FormatUTF32BE ? 4 : 1;
}

void CFileViewer::align_top()
{
    long long start = TextStart();
    if (top < start)
        top = start;
    top -= (top - start) % unit_size();
}

bool CFileViewer::read_piece(long long pos, long long& next, long long cellLimit)
{
    long long textEnd;
    if (!lines.Next(pos, textEnd, next))
        return false;
    line.clear();
    SetReadPos(pos);
    if (textEnd < next) {
        // A whole line: the fast reader stops at its line end.
        int len;
        if (const wchar_t* p = ReadTextLine(len))
            line.assign(p, p + len);
    } else {
        // A piece of a long line (or a last line without a line end):
        // characters up to the cut, which lies between two of them.
        const int tab = text_tab_width();
        long long n = 0;
        while (GetReadPos() < textEnd) {
            int c = ReadChar();
            if (c < 0)
                break;
            line.push_back(static_cast<wchar_t>(c));
            if (cellLimit > 0) {
                n = advance(n, static_cast<wchar_t>(c), tab);
                if (n > cellLimit)
                    break;
            }
        }
    }
    // NUL shows as "." in 8-bit text (as hex mode shows it) and as a blank
    // in the Unicode formats.
    const wchar_t nul = GetFormat() == FormatCodePage ? L'.' : L' ';
    for (wchar_t& c : line)
        if (c == 0)
            c = nul;
    return true;
}

long long CFileViewer::piece_cells(long long pos)
{
    long long next;
    if (!read_piece(pos, next))
        return 0;
    const int tab = text_tab_width();
    long long n = 0;
    for (wchar_t c : line)
        n = advance(n, c, tab);
    return n;
}

long long CFileViewer::top_cells()
{
    if (countedTop != top) {
        countedCells = piece_cells(top);
        countedTop = top;
    }
    return countedCells;
}

void CFileViewer::cell_span(long long pos, long long at, int chars, long long& from, long long& to)
{
    const int tab = text_tab_width();
    long long n = 0;
    SetReadPos(pos);
    while (GetReadPos() < at) {
        int c = ReadChar();
        if (c < 0)
            break;
        n = advance(n, static_cast<wchar_t>(c), tab);
    }
    from = n;
    for (int i = 0; i < chars; i++) {
        int c = ReadChar();
        if (c < 0)
            break;
        n = advance(n, static_cast<wchar_t>(c), tab);
    }
    to = n;
}

long long CFileViewer::piece_start(long long pos)
{
    long long start = TextStart();
    if (pos <= start)
        return start;
    long long unit = unit_size();
    pos -= (pos - start) % unit;
    // The piece before the next unit is the one holding pos.
    return lines.Prev(pos + unit);
}

bool CFileViewer::refresh_size()
{
    long long old = fileSize;
    struct stat st;
    if (fstat(handle(), &st) != 0)
        return false;
    long long size = st.st_size;
    unsigned char probe[65536];
    auto holds = [&](long long at) {
        int n = 1;
        return GetBlock(at, probe, n) == 0 && n == 1;
    };
    if (size == 0) {
        // /proc files claim nothing and hold their text all the same: they
        // are read until a read returns nothing.
        for (;;) {
            int n = static_cast<int>(sizeof probe);
            if (GetBlock(size, probe, n) != 0 || n == 0)
                break;
            size += n;
        }
    } else if (!holds(size - 1)) {
        // The file claims more than it holds (a sysfs file claims a page):
        // its real end lies where bytes stop, found by halving.
        long long lo = -1, hi = size - 1;
        while (hi - lo > 1) {
            long long mid = lo + (hi - lo) / 2;
            if (holds(mid))
                lo = mid;
            else
                hi = mid;
        }
        size = lo + 1;
    }
    fileSize = size;
    if (fileSize != old)
        countedTop = -1;
    return fileSize != old;
}

void CFileViewer::down_row()
{
    if (hex) {
        if (top + 16 < fileSize)
            top += 16;
        return;
    }
    // Nothing below a page that reaches the end, unless the file grew.
    if (bottomStart < 0 && !refresh_size())
        return;
    const long long w = screenColumns;
    if (config.ViewerWrap && wrapOffset + w < top_cells()) {
        wrapOffset += w;
        return;
    }
    long long textEnd, next, after;
    if (!lines.Next(top, textEnd, next) || next <= top || !lines.Next(next, textEnd, after))
        return;
    top = next;
    wrapOffset = 0;
}

bool CFileViewer::up_row()
{
    if (hex) {
        if (top == 0)
            return false;
        top = std::max(0LL, top - 16);
        return true;
    }
    const long long w = screenColumns;
    if (config.ViewerWrap && wrapOffset > 0) {
        wrapOffset = std::max(0LL, wrapOffset - w);
        return true;
    }
    if (top <= TextStart())
        return false;
    long long prev = lines.Prev(top);
    if (prev >= top)
        return false;
    top = prev;
    wrapOffset = 0;
    if (config.ViewerWrap) {
        // Into the line above at its last row.
        long long n = top_cells();
        wrapOffset = n > 0 ? (n - 1) / w * w : 0;
    }
    return true;
}

void CFileViewer::page_down()
{
    const int h = text_rows();
    if (bottomStart < 0) {
        // The end is shown: only growth of the file means anything.
        if (refresh_size())
            redraw = true;
        return;
    }
    if (hex) {
        top += 16LL * (h - 1);
        return;
    }
    top = bottomStart;
    const long long w = screenColumns;
    wrapOffset = config.ViewerWrap && bottomShown > 0 ? (bottomShown - 1) / w * w : 0;
}

void CFileViewer::page_up()
{
    for (int i = 0; i < text_rows() - 1; i++)
        if (!up_row())
            break;
}

void CFileViewer::go_home()
{
    top = hex ? 0 : TextStart();
    wrapOffset = 0;
}

void CFileViewer::go_end(bool always)
{
    bool grown = refresh_size();
    if (!always && !grown && bottomStart < 0)
        return;
    const int h = text_rows();
    if (hex) {
        top = std::max(0LL, fileSize - 16LL * h);
        return;
    }
    // The end of the file, then a page of rows up from it.
    top = std::max(fileSize, TextStart());
    wrapOffset = 0;
    for (int i = 0; i < h; i++)
        if (!up_row())
            break;
}
