#include "editor/editor.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "foundation/estring.h"
#include "foundation/nls.h"
#include "text/code_page_table.h"
#include "text/text_settings.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Lines and bytes above the page that restoring the colouring state reads
// at most.
constexpr int SyntaxLines = 1000;
constexpr size_t SyntaxBytes = size_t{1} << 20;
constexpr int ScrollStep = 4;
constexpr int ScrollKeep = 8;

}

void PXEditor::keep_visible()
{
    int h = H();
    if (curLine < top)
        top = curLine;
    else if (curLine >= top + h)
        top = curLine - h + 1;
    int col = calc_col(curLine, curIndex);
    int width = calc_col(curLine, line_length(curLine));
    while (col - scroll >= W())
        scroll += ScrollStep;
    while (scroll > 0 && (col - scroll < 0 || width - scroll < ScrollKeep))
        scroll = std::max(0, scroll - ScrollStep);
}

void PXEditor::reestablish_syntax_state()
{
    if (stateTop == top && stateChanges == aboveChanges)
        return;
    hl.Reset();
    int from = top;
    size_t bytes = 0;
    while (from > 0 && top - from < SyntaxLines) {
        size_t n;
        (void)text.Bytes(from - 1, n);
        if (bytes + n > SyntaxBytes)
            break;
        bytes += n;
        from--;
    }
    std::wstring s;
    for (int l = from; l < top; l++) {
        line_text(l, s);
        hl.ProcessLine(s.c_str(), static_cast<int>(s.size()), nullptr);
    }
    topState = hl;
    stateTop = top;
    stateChanges = aboveChanges;
}

void PXEditor::show()
{
    keep_visible();
    const int w = W(), h = H();
    const unsigned char colour = ui_colour(ColourFileViewer);
    const unsigned char mark = ui_colour(ColourHighlight);
    const bool coloured = colouring && hl.Enabled();
    console.BeginPaint();
    if (coloured) {
        reestablish_syntax_state();
        static_cast<SyntaxHighlighterState&>(hl) = topState;
    }
    std::vector<ScreenCell> row(static_cast<size_t>(w) + 1);
    row[static_cast<size_t>(w)] = ScreenCell(0, 0);
    std::wstring s;
    for (int y = 0; y < h; y++) {
        int line = top + y;
        cells.SetLength(0);
        cells.SetAttr(colour);
        bool here = line < text.Count();
        if (here) {
            line_text(line, s);
            if (coloured)
                hl.ProcessLine(s.c_str(), static_cast<int>(s.size()), &cells);
            else
                // Uncoloured, a long line is laid out only as far as it shows.
                for (size_t i = 0; i < s.size() && cells.length() < scroll + w; i++)
                    AddChar(cells, s[i], colour);
        }
        int n = cells.length();
        for (int x = 0; x < w; x++) {
            int k = scroll + x;
            row[static_cast<size_t>(x)] = k < n ? cells[k] : ScreenCell(L' ', colour);
        }
        if (here && sel.active && line >= sel.startLine && line <= sel.endLine) {
            int from = line == sel.startLine ? calc_col(line, sel.startIndex) : 0;
            int to = line == sel.endLine ? calc_col(line, sel.endIndex) : scroll + w;
            for (int c = std::max(from, scroll); c < std::min(to, scroll + w); c++)
                row[static_cast<size_t>(c - scroll)].attr = mark;
        }
        win->putcs_at(0, y, row.data());
    }
    status_line();
    console.SetCursorType(config.OverStrike ? 80 : 15);
    console.SetCursorPos(calc_col(curLine, curIndex) - scroll, curLine - top + 1);
    console.EndPaint();
}

void PXEditor::status_line()
{
    const int cols = columns;
    Westring name = fileName;
    int room = std::max(1, cols - 52);
    collapse_path(name, room);
    Westring text_ = Westring(L"Edit: ") + name.left(room).pad(room, L' ');
    const std::wstring& s = line_ref(curLine);
    Estring what;
    if (curIndex >= static_cast<int>(s.size()))
        what = "EOL";
    else {
        wchar_t c = s[static_cast<size_t>(curIndex)];
        unsigned code = static_cast<unsigned>(c);
        if (IsRawTextByte(c))
            code = static_cast<unsigned>(c - RawByteBase);
        else if (format == FormatCodePage) {
            const CCodePageTable* t = GetCodePageTable(codePage ? codePage : DefaultTextCodePage());
            int b = t ? t->ByteOf(c) : -1;
            if (b >= 0)
                code = static_cast<unsigned>(b);
        }
        what = esprintf("%3u x%02X", code, code);
    }
    Estring tail = esprintf(" %c%c%c%c Line %-5d Col %-4d %-11s %s", newLineEnd == LineEndLF ? 'U' : ' ',
                            config.AutoIndent ? 'I' : ' ', modified ? '*' : ' ', literal ? '"' : ' ', curLine + 1,
                            calc_col(curLine, curIndex) + 1, what.c_str(),
                            CTextFile::GetFormatDesc(format, codePage ? codePage : DefaultTextCodePage()).c_str());
    text_ += Westring(tail.c_str());
    console.PutStringAt(0, 0, text_.left(cols).pad(cols, L' ').c_str(), ui_colour(ColourMenu));
}

void PXEditor::key_bar()
{
    const int cols = columns;
    const int slot = cols / 10;
    const unsigned char bar = ui_colour(ColourMenuBar);
    const unsigned char number = ui_colour(ColourCommandLine);
    const char* labels[10] = {"1Help", "2Save", "3SaveAs", "4Cut", "5Copy", "6Paste", "7Search", "8Rplace", "", "10Quit"};
    std::vector<ScreenCell> row(static_cast<size_t>(cols) + 1, ScreenCell(L' ', bar));
    row[static_cast<size_t>(cols)] = ScreenCell(0, 0);
    for (int i = 0; i < 10; i++) {
        int x = i * slot;
        int digits = i == 9 ? 2 : 1;
        if (i > 0)
            row[static_cast<size_t>(x - 1)].attr = number;
        for (int k = 0; k < digits && x + k < cols; k++)
            row[static_cast<size_t>(x + k)].attr = number;
        int n = std::min(static_cast<int>(std::strlen(labels[i])), cols - x);
        for (int k = 0; k < n; k++)
            row[static_cast<size_t>(x + k)].ch = static_cast<unsigned char>(labels[i][k]);
    }
    console.PutStringAt(0, screenLines - 1, row.data());
}

std::wstring PXEditor::selected_text()
{
    std::wstring out, s;
    for (int l = sel.startLine; l <= sel.endLine; l++) {
        line_text(l, s);
        size_t a = l == sel.startLine ? std::min(s.size(), static_cast<size_t>(sel.startIndex)) : 0;
        size_t b = l == sel.endLine ? std::min(s.size(), static_cast<size_t>(sel.endIndex)) : s.size();
        if (l > sel.startLine)
            out.push_back(L'\n');
        if (b > a)
            out.append(s, a, b - a);
    }
    return out;
}
