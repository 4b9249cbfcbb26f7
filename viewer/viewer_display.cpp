#include "viewer/file_viewer.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "text/code_page_table.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr wchar_t MoreMark = 0x00BB;
constexpr wchar_t HexBar = 0x2502;
// Hex rows: the offset and sixteen bytes take this many cells before the
// characters start.
constexpr int HexCharColumn = 64;
// Characters a line is read in at most when colouring catches up.
constexpr long long CatchUpLine = 65536;

}

void CFileViewer::showpage()
{
    console.BeginPaint();
    if (hex)
        show_hex();
    else
        show_text();
    heading();
    console.EndPaint();
}

void CFileViewer::show_text()
{
    const int h = text_rows();
    const long long w = screenColumns;
    align_top();
    const unsigned char colour = ui_colour(ColourFileViewer);
    // The mark of a line going on to the right: "Tagged" on the viewer's
    // background.
    const unsigned char more = static_cast<unsigned char>((ui_colour(ColourTagged) & 0x0F) | (colour & 0xF0));
    const unsigned char match = ui_colour(ColourHighlight);
    const bool colouring = hl.Enabled();
    const bool wrap = config.ViewerWrap;
    if (colouring)
        states.CatchUp(*this, hl, top, CatchUpLine);

    std::vector<ScreenCell> row(static_cast<size_t>(w) + 1);
    row[static_cast<size_t>(w)] = ScreenCell(0, 0);
    // Row y of the text area from cell `from` of the cells.
    auto put = [&](int y, long long from, bool marked) {
        int n = cells.length();
        for (long long i = 0; i < w; i++) {
            long long k = from + i;
            row[static_cast<size_t>(i)] = k < n ? cells[static_cast<int>(k)] : ScreenCell(L' ', colour);
        }
        if (marked)
            row[static_cast<size_t>(w - 1)] = ScreenCell(MoreMark, more);
        win->putcs_at(0, y, row.data());
    };

    long long pos = top;
    int y = 0;
    bool first = true;
    long long lastStart = -1, lastNext = top, lastShown = 0, lastCells = 0;
    bool lastWhole = true;
    while (y < h) {
        long long next;
        // Unwrapped and uncoloured, a long piece is read only as far as it
        // shows.
        long long limit = !wrap && !colouring ? hscroll + w : 0;
        if (!read_piece(pos, next, limit))
            break;
        line.push_back(0);
        cells.SetLength(0);
        cells.SetAttr(colour);
        const int len = static_cast<int>(line.size()) - 1;
        if (colouring)
            hl.ProcessLine(line.data(), len, &cells);
        else
            for (int i = 0; i < len; i++)
                AddChar(cells, line[static_cast<size_t>(i)], colour);
        const long long n = cells.length();
        if (first && limit == 0) {
            countedTop = pos;
            countedCells = n;
        }
        int firstRow = y;
        long long firstCell = 0;
        if (wrap) {
            long long rows = std::max(1LL, (n + w - 1) / w);
            long long r = first ? std::min(wrapOffset / w, rows - 1) : 0;
            firstCell = r * w;
            for (; r < rows && y < h; r++, y++)
                put(y, r * w, false);
            lastShown = std::min(n, r * w);
            lastWhole = r >= rows;
        } else {
            firstCell = hscroll;
            put(y++, hscroll, n > hscroll + w);
            lastShown = n;
            lastWhole = true;
        }
        // The match, when this line holds it.
        if (searchPos >= pos && searchPos < std::max(next, pos + 1)) {
            long long from, to;
            cell_span(pos, searchPos, std::max(1, matchChars), from, to);
            for (long long c = from; c < to; c++) {
                long long k = c - firstCell;
                if (k < 0)
                    continue;
                int ry = wrap ? firstRow + static_cast<int>(k / w) : firstRow;
                long long rx = wrap ? k % w : k;
                if (ry < y && rx < w)
                    console.FillAttr(static_cast<int>(rx), ry + 1, 1, match);
            }
        }
        lastStart = pos;
        lastNext = next;
        lastCells = n;
        first = false;
        pos = next;
    }
    emptyLines = h - y;
    for (; y < h; y++) {
        cells.SetLength(0);
        put(y, 0, false);
    }
    // The page reaches past the end when rows are left empty, or when its
    // last line is shown whole and nothing follows it.
    long long te, nx;
    if (emptyLines > 0 || lastStart < 0 || (lastWhole && !lines.Next(lastNext, te, nx))) {
        bottomStart = -1;
        bottomEnd = lastNext;
    } else {
        bottomStart = lastStart;
        bottomEnd = lastNext;
        bottomShown = lastShown;
        bottomCells = lastCells;
    }
    if (colouring)
        states.PageEnd(pos, hl);
}

void CFileViewer::show_hex()
{
    const int h = text_rows();
    const int w = screenColumns;
    const unsigned char colour = ui_colour(ColourFileViewer);
    const unsigned char match = ui_colour(ColourHighlight);
    const CCodePageTable* table = GetCodePageTable(GetCodePage());
    if (!table)
        table = &RawCodePageTable();
    int want = 16 * h;
    auto bytes = std::make_unique<unsigned char[]>(static_cast<size_t>(want));
    int got = want;
    if (GetBlock(top, bytes.get(), got) != 0)
        got = 0;
    emptyLines = 0;
    for (int y = 0; y < h; y++) {
        int count = std::clamp(got - 16 * y, 0, 16);
        Westring text;
        // Where each byte's digits and character stand in the row.
        int digitAt[16], charAt[16];
        if (count > 0) {
            long long offset = top + 16LL * y;
            text = Westring(esprintf("%08llX ", offset).c_str());
            for (int i = 0; i < count; i++) {
                digitAt[i] = text.strlen();
                text += Westring(esprintf("%02X ", bytes[static_cast<size_t>(16 * y + i)]).c_str());
                if (i == 3 || i == 7 || i == 11) {
                    text += HexBar;
                    text += L' ';
                }
            }
            text = text.pad(HexCharColumn, L' ');
            for (int i = 0; i < count; i++) {
                unsigned char b = bytes[static_cast<size_t>(16 * y + i)];
                charAt[i] = text.strlen();
                text += b == 0 ? L'.' : table->chars[b];
            }
        } else {
            emptyLines++;
        }
        text = text.left(w).pad(w, L' ');
        win->puts_at(0, y, text.c_str(), colour);
        for (int i = 0; i < count; i++) {
            long long at = top + 16LL * y + i;
            if (searchPos >= 0 && at >= searchPos && at < std::max(searchEnd, searchPos + 1)) {
                console.FillAttr(digitAt[i], y + 1, 2, match);
                if (charAt[i] < w)
                    console.FillAttr(charAt[i], y + 1, 1, match);
            }
        }
    }
    long long end = top + static_cast<long long>(got);
    if (got < want || end >= fileSize) {
        bottomStart = -1;
        bottomEnd = end;
    } else {
        bottomStart = top + 16LL * (h - 1);
        bottomEnd = end;
        bottomShown = bottomCells = 1;
    }
}

void CFileViewer::heading()
{
    const int cols = screenColumns;
    Westring name = fileName;
    collapse_path(name, cols - 22);
    Westring text = (Westring(L"View: ") + name).pad(cols - 15, L' ');
    text = (text + Westring(GetFormatDesc())).pad(cols - 7, L' ');
    // The offset the page reaches, as a share of the file: the bottom
    // line's start and as much of its bytes as of its cells is shown.
    long long percent = 10000;
    if (bottomStart >= 0 && fileSize > 0) {
        long long reach = bottomStart;
        if (bottomCells > 0)
            reach += static_cast<long long>(static_cast<__int128>(bottomEnd - bottomStart) * bottomShown / bottomCells);
        else
            reach = bottomEnd;
        percent = std::min<long long>(10000, static_cast<long long>(static_cast<__int128>(reach) * 10000 / fileSize));
    }
    text += Westring(esprintf("%3d.%02d%%", static_cast<int>(percent / 100), static_cast<int>(percent % 100)).c_str());
    console.PutStringAt(0, 0, text.left(cols).c_str(), ui_colour(ColourMenu));
}

void CFileViewer::key_bar()
{
    const int cols = screenColumns;
    const int slot = cols / 10;
    const unsigned char bar = ui_colour(ColourMenuBar);
    const unsigned char number = ui_colour(ColourCommandLine);
    const char* labels[10] = {"1Help", config.ViewerWrap ? "2Unwrap" : "2Wrap", "3", hex ? "4ASCII" : "4Hex", "5",
                              "6", "7Search", "8Home", "9End", "10Quit"};
    std::vector<ScreenCell> row(static_cast<size_t>(cols) + 1, ScreenCell(L' ', bar));
    row[static_cast<size_t>(cols)] = ScreenCell(0, 0);
    for (int i = 0; i < 10; i++) {
        int x = i * slot;
        int digits = i == 9 ? 2 : 1;
        if (i > 0)
            row[static_cast<size_t>(x - 1)].attr = number;
        for (int k = 0; k < digits; k++)
            row[static_cast<size_t>(x + k)].attr = number;
        int n = std::min(static_cast<int>(std::strlen(labels[i])), cols - x);
        for (int k = 0; k < n; k++)
            row[static_cast<size_t>(x + k)].ch = static_cast<unsigned char>(labels[i][k]);
    }
    // The follow box sits on the bar's row: it steps aside while the bar
    // is drawn.
    if (followBox)
        followBox->hide(1);
    console.PutStringAt(0, screenLines - 1, row.data());
    if (followBox)
        followBox->hide(0);
}
