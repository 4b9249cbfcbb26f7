#include "editor/editor.h"

#include "config/config.h"
#include "foundation/word_chars.h"
#include "text/text_settings.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>

namespace {

// Typing stops at this many characters in a line; a longer line (loaded,
// joined or pasted) is still edited and saved whole.
constexpr int MaxTypedLine = 65535;

bool blank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

}

// ---- The edit buffer -------------------------------------------------

void PXEditor::load_line(int line)
{
    if (line == bufLine)
        return;
    (void)flush();
    text.Get(line, buf);
    bufLine = line;
}

int PXEditor::flush()
{
    if (bufLine < 0 || !bufDirty)
        return 0;
    int rc = text.Set(bufLine, buf.data(), buf.size(), text.End(bufLine));
    if (rc == 0)
        bufDirty = false;
    return rc;
}

std::wstring& PXEditor::cur()
{
    load_line(curLine);
    return buf;
}

void PXEditor::line_text(int line, std::wstring& out)
{
    if (line == bufLine)
        out = buf;
    else
        text.Get(line, out);
}

const std::wstring& PXEditor::line_ref(int line)
{
    if (line == bufLine)
        return buf;
    text.Get(line, scratch);
    return scratch;
}

int PXEditor::line_length(int line)
{
    if (line == bufLine)
        return static_cast<int>(buf.size());
    size_t n;
    const unsigned char* p = text.Bytes(line, n);
    return static_cast<int>(edit_utf8::Count(p, n));
}

int PXEditor::calc_col(int line, int index)
{
    const std::wstring& s = line_ref(line);
    int tab = text_tab_width();
    int col = 0;
    int n = std::min(index, static_cast<int>(s.size()));
    for (int i = 0; i < n; i++)
        col = s[static_cast<size_t>(i)] == L'\t' ? (col / tab + 1) * tab : col + 1;
    return col;
}

int PXEditor::calc_pos(int line, int& column)
{
    const std::wstring& s = line_ref(line);
    int tab = text_tab_width();
    int col = 0;
    for (size_t i = 0; i < s.size(); i++) {
        int next = s[i] == L'\t' ? (col / tab + 1) * tab : col + 1;
        if (next > column) {
            column = col;
            return static_cast<int>(i);
        }
        col = next;
    }
    column = col;
    return static_cast<int>(s.size());
}

void PXEditor::clamp_cursor()
{
    if (text.Count() == 0)
        (void)text.Insert(0, L"", 0, LineEndNone);
    curLine = std::clamp(curLine, 0, text.Count() - 1);
    curIndex = std::clamp(curIndex, 0, line_length(curLine));
}

void PXEditor::MoveToPos(int index, int line)
{
    curLine = line;
    curIndex = index;
    clamp_cursor();
    redraw = true;
}

void PXEditor::Select(EPOS from, EPOS to)
{
    sel.anchor = from;
    sel.active = from != to;
    EPOS a = std::min(from, to), b = std::max(from, to);
    sel.startLine = a.line;
    sel.startIndex = a.index;
    sel.endLine = b.line;
    sel.endIndex = b.index;
    redraw = true;
}

void PXEditor::touched(int line)
{
    modified = true;
    redraw = true;
    if (line < top || line < stateTop)
        aboveChanges++;
}

// ---- Changing the text ----------------------------------------------

namespace {

// The byte offset of character index in n encoded bytes (n past the end).
size_t byte_of(const unsigned char* p, size_t n, size_t index)
{
    size_t i = 0;
    for (; i < n && index > 0; index--) {
        i++;
        while (i < n && (p[i] & 0xC0) == 0x80)
            i++;
    }
    return i;
}

}

int PXEditor::replace_range(EPOS a, EPOS b, const std::wstring& ins, std::wstring* removed, EPOS& insEnd)
{
    std::string bytes, gone;
    edit_utf8::Encode(ins.data(), ins.size(), bytes);
    int rc = replace_bytes(a, b, bytes, removed ? &gone : nullptr, insEnd);
    if (rc == 0 && removed)
        edit_utf8::Decode(reinterpret_cast<const unsigned char*>(gone.data()), gone.size(), *removed);
    return rc;
}

int PXEditor::replace_bytes(EPOS a, EPOS b, const std::string& ins, std::string* removed, EPOS& insEnd)
{
    assert(a <= b);
    bool oneLine = a.line == b.line && ins.find('\n') == std::string::npos;
    if (oneLine) {
        // Typing and most keys: the edit buffer alone changes.
        load_line(a.line);
        int ai = std::min(a.index, static_cast<int>(buf.size()));
        int bi = std::clamp(b.index, ai, static_cast<int>(buf.size()));
        if (removed) {
            removed->clear();
            edit_utf8::Encode(buf.data() + ai, static_cast<size_t>(bi - ai), *removed);
        }
        std::wstring wide;
        edit_utf8::Decode(reinterpret_cast<const unsigned char*>(ins.data()), ins.size(), wide);
        buf.replace(static_cast<size_t>(ai), static_cast<size_t>(bi - ai), wide);
        bufDirty = true;
        insEnd = {a.line, ai + static_cast<int>(wide.size())};
        touched(a.line);
        return 0;
    }
    if (int rc = flush())
        return rc;
    // Lines over several lines are handled in their stored form: a
    // delete-all of a large text or its undo never holds it as wide
    // characters.
    size_t nf, nl;
    const unsigned char* pf = text.Bytes(a.line, nf);
    const unsigned char* pl = text.Bytes(b.line, nl);
    size_t ai = byte_of(pf, nf, static_cast<size_t>(a.index));
    size_t bi = byte_of(pl, nl, static_cast<size_t>(b.index));
    if (a.line == b.line)
        bi = std::max(bi, ai);
    if (removed) {
        removed->clear();
        if (a.line == b.line)
            removed->assign(reinterpret_cast<const char*>(pf) + ai, bi - ai);
        else {
            size_t total = nf - ai + bi + 1;
            for (int l = a.line + 1; l < b.line; l++) {
                size_t n;
                (void)text.Bytes(l, n);
                total += n + 1;
            }
            removed->reserve(total);
            removed->append(reinterpret_cast<const char*>(pf) + ai, nf - ai);
            for (int l = a.line + 1; l < b.line; l++) {
                size_t n;
                const unsigned char* p = text.Bytes(l, n);
                removed->push_back('\n');
                removed->append(reinterpret_cast<const char*>(p), n);
            }
            removed->push_back('\n');
            removed->append(reinterpret_cast<const char*>(pl), bi);
        }
    }
    // The new lines: the text before a, the inserted lines, the text
    // behind b. The last takes the line end the last old line had; the
    // others keep the first line's end, or the file's style when that
    // line had none (the last line of the file).
    TLineEnd endFirst = text.End(a.line), endLast = text.End(b.line);
    TLineEnd inner = endFirst != LineEndNone ? endFirst : newLineEnd;
    // The inserted lines are found where they are needed, never listed:
    // a list of a large paste's lines would cost as much memory again as
    // the line array it is going into.
    const char* const ib = ins.data();
    const char* const ie = ib + ins.size();
    int k = 1;
    for (const char* q = ib; (q = static_cast<const char*>(memchr(q, '\n', static_cast<size_t>(ie - q)))); q++)
        k++;
    const char* firstEnd = static_cast<const char*>(memchr(ib, '\n', ins.size()));
    if (!firstEnd)
        firstEnd = ie;
    const char* lastBegin = static_cast<const char*>(memrchr(ib, '\n', ins.size()));
    lastBegin = lastBegin ? lastBegin + 1 : ib;
    std::string head(reinterpret_cast<const char*>(pf), ai), tail(reinterpret_cast<const char*>(pl) + bi, nl - bi);
    std::string firstLine = head;
    firstLine.append(ib, firstEnd);
    if (k == 1)
        firstLine += tail;
    std::string lastLine;
    if (k > 1) {
        lastLine.assign(lastBegin, ie);
        lastLine += tail;
    }
    size_t lastChars =
        edit_utf8::Count(reinterpret_cast<const unsigned char*>(lastBegin), static_cast<size_t>(ie - lastBegin));
    insEnd = {a.line + k - 1, static_cast<int>(lastChars) + (k == 1 ? a.index : 0)};
    int oldCount = b.line - a.line + 1;
    // Keep the text as it was when memory runs out: room first.
    if (k > oldCount) {
        if (text.InsertEmpty(a.line + oldCount, k - oldCount) != 0)
            return ENOMEM;
    } else if (k < oldCount)
        text.Erase(a.line + k, oldCount - k);
    if (text.SetEncoded(a.line, firstLine.data(), firstLine.size(), k == 1 ? endLast : inner) != 0)
        return ENOMEM;
    const char* q = firstEnd;
    for (int i = 1; i < k - 1; i++) {
        const char* from = q + 1;
        q = static_cast<const char*>(memchr(from, '\n', static_cast<size_t>(ie - from)));
        if (text.SetEncoded(a.line + i, from, static_cast<size_t>(q - from), inner) != 0)
            return ENOMEM;
    }
    if (k > 1 && text.SetEncoded(a.line + k - 1, lastLine.data(), lastLine.size(), endLast) != 0)
        return ENOMEM;
    bufLine = -1;
    touched(a.line);
    // Dead copies of changed lines stay in their blocks: past the live
    // text's size they are dropped, so repeated large changes stay bounded.
    // Failing that only leaves them for later.
    (void)text.Compact();
    return 0;
}

void PXEditor::adjust_bookmarks(EPOS a, EPOS removedEnd, EPOS insEnd)
{
    for (EPOS& b : bookmarks) {
        if (b.line < 0 || b < a)
            continue;
        if (b < removedEnd)
            b = a;
        else if (b.line == removedEnd.line) {
            b.index = insEnd.index + (b.index - removedEnd.index);
            b.line = insEnd.line;
        } else
            b.line += insEnd.line - removedEnd.line;
    }
}

namespace {

// Where encoded text that starts at a ends.
EPOS end_of(EPOS a, const std::string& s)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t lf = s.rfind('\n');
    if (lf == std::string::npos)
        return {a.line, a.index + static_cast<int>(edit_utf8::Count(p, s.size()))};
    return {a.line + static_cast<int>(std::count(s.begin(), s.end(), '\n')),
            static_cast<int>(edit_utf8::Count(p + lf + 1, s.size() - lf - 1))};
}

}

int PXEditor::change(EPOS a, EPOS b, const std::wstring& ins, const EPOS* cursor)
{
    if (b < a)
        std::swap(a, b);
    UndoItem item;
    item.beforeLine = curLine;
    item.beforeIndex = curIndex;
    std::string bytes;
    edit_utf8::Encode(ins.data(), ins.size(), bytes);
    EPOS insEnd;
    if (int rc = replace_bytes(a, b, bytes, &item.text, insEnd))
        return rc;
    adjust_bookmarks(a, end_of(a, item.text), insEnd);
    item.startLine = a.line;
    item.startIndex = a.index;
    item.endLine = insEnd.line;
    item.endIndex = insEnd.index;
    EPOS to = cursor ? *cursor : insEnd;
    curLine = to.line;
    curIndex = to.index;
    clamp_cursor();
    item.afterLine = curLine;
    item.afterIndex = curIndex;
    StoreUndoItem(item);
    return 0;
}

void PXEditor::StoreUndoItem(UndoItem& item)
{
    undo.Push(std::move(item));
    redo.Clear();
}

int PXEditor::Undo(UndoItem& item, UndoItem& inverse)
{
    if (curLine != item.afterLine || curIndex != item.afterIndex) {
        // The first press shows where the change was.
        MoveToPos(item.afterIndex, item.afterLine);
        sel.active = false;
        return 1;
    }
    EPOS a{item.startLine, item.startIndex}, b{item.endLine, item.endIndex}, insEnd;
    inverse = UndoItem();
    if (replace_bytes(a, b, item.text, &inverse.text, insEnd) != 0)
        return -1;
    adjust_bookmarks(a, b, insEnd);
    inverse.startLine = a.line;
    inverse.startIndex = a.index;
    inverse.endLine = insEnd.line;
    inverse.endIndex = insEnd.index;
    inverse.beforeLine = item.afterLine;
    inverse.beforeIndex = item.afterIndex;
    inverse.afterLine = item.beforeLine;
    inverse.afterIndex = item.beforeIndex;
    inverse.inverse = !item.inverse;
    sel.active = false;
    MoveToPos(item.beforeIndex, item.beforeLine);
    // The cursor may stand elsewhere than before in a text that has
    // changed since; the inverse must start from where it really is.
    inverse.afterLine = curLine;
    inverse.afterIndex = curIndex;
    return 0;
}

int PXEditor::UndoRedo(bool undoing)
{
    TUndoStack& from = undoing ? undo : redo;
    TUndoStack& to = undoing ? redo : undo;
    UndoItem item, inverse;
    if (from.Take(item) != 0)
        return -1;
    int rc = Undo(item, inverse);
    if (rc != 0) {
        from.Push(std::move(item));
        return rc;
    }
    to.Push(std::move(inverse));
    return 0;
}

// ---- Editing commands -----------------------------------------------

void PXEditor::InsertChar(wchar_t c)
{
    if (sel.active) {
        EPOS a{sel.startLine, sel.startIndex}, b{sel.endLine, sel.endIndex};
        sel.active = sel.extending = false;
        (void)change(a, b, std::wstring(1, c));
        return;
    }
    std::wstring& line = cur();
    if (static_cast<int>(line.size()) >= MaxTypedLine)
        return;
    EPOS a{curLine, curIndex}, b = a;
    // Overstrike replaces the character under the cursor, never the line
    // end.
    if (config.OverStrike && curIndex < static_cast<int>(line.size()))
        b.index++;
    (void)change(a, b, std::wstring(1, c));
}

int PXEditor::CalcIndentPos(int line)
{
    for (int l = line; l >= 0; l--) {
        const std::wstring& s = line_ref(l);
        size_t i = 0;
        while (i < s.size() && blank(s[i]))
            i++;
        if (i < s.size())
            return calc_col(l, static_cast<int>(i));
    }
    return 0;
}

void PXEditor::BreakLine(bool indent)
{
    if (sel.active)
        DeleteSelection();
    std::wstring& line = cur();
    EPOS a{curLine, curIndex}, b = a;
    std::wstring ins = L"\n";
    if (indent) {
        // The blanks behind the cursor go; the new line starts at the
        // indentation of the nearest line above that has text.
        while (b.index < static_cast<int>(line.size()) && blank(line[static_cast<size_t>(b.index)]))
            b.index++;
        int col = CalcIndentPos(curLine);
        const std::wstring& s = line_ref(curLine);
        // The indentation is copied as it stands (tabs stay tabs) as far
        // as it reaches the column.
        int i = 0, c = 0, tab = text_tab_width();
        std::wstring lead;
        while (i < static_cast<int>(s.size()) && blank(s[static_cast<size_t>(i)]) && c < col) {
            lead += s[static_cast<size_t>(i)];
            c = s[static_cast<size_t>(i)] == L'\t' ? (c / tab + 1) * tab : c + 1;
            i++;
        }
        if (c < col)
            lead.append(static_cast<size_t>(col - c), L' ');
        ins += lead;
    }
    (void)change(a, b, ins);
}

void PXEditor::DeleteSelection()
{
    if (!sel.active)
        return;
    EPOS a{sel.startLine, sel.startIndex}, b{sel.endLine, sel.endIndex};
    sel.active = sel.extending = false;
    (void)change(a, b, L"", &a);
}

void PXEditor::DeleteChar(bool backwards)
{
    if (sel.active && !backwards) {
        DeleteSelection();
        return;
    }
    sel.active = sel.extending = false;
    EPOS a{curLine, curIndex};
    if (backwards) {
        if (a.index > 0)
            a.index--;
        else if (a.line > 0) {
            a.line--;
            a.index = line_length(a.line);
        } else
            return;
    }
    EPOS b = a;
    if (b.index < line_length(b.line))
        b.index++;
    else if (b.line + 1 < text.Count()) {
        b.line++;
        b.index = 0;
    } else
        return;
    (void)change(a, b, L"", &a);
}

void PXEditor::DuplicateLine()
{
    std::wstring s;
    line_text(curLine, s);
    EPOS at{curLine, static_cast<int>(s.size())}, keep{curLine, curIndex};
    (void)change(at, at, L"\n" + s, &keep);
}

void PXEditor::DeleteLine()
{
    sel.active = sel.extending = false;
    EPOS a{curLine, 0}, b{curLine + 1, 0};
    if (curLine + 1 >= text.Count())
        b = {curLine, line_length(curLine)};
    if (a == b)
        return;
    (void)change(a, b, L"", &a);
}

void PXEditor::IndentLine(int line, int delta)
{
    std::wstring s;
    line_text(line, s);
    size_t i = 0;
    while (i < s.size() && blank(s[i]))
        i++;
    if (i == s.size())
        return;
    int col = calc_col(line, static_cast<int>(i));
    int to = col + delta;
    if (to < 0)
        return;
    EPOS a{line, 0}, b{line, static_cast<int>(i)};
    EPOS keep{curLine, curLine == line ? std::max(0, curIndex - static_cast<int>(i) + to) : curIndex};
    (void)change(a, b, std::wstring(static_cast<size_t>(to), L' '), &keep);
}

void PXEditor::IndentBlock(int delta)
{
    if (!sel.active) {
        IndentLine(curLine, delta);
        return;
    }
    // A selection ending at the start of a line leaves that line alone.
    int last = sel.endIndex == 0 && sel.endLine > sel.startLine ? sel.endLine - 1 : sel.endLine;
    for (int l = sel.startLine; l <= last; l++)
        IndentLine(l, delta);
    sel.startIndex = 0;
    redraw = true;
}

void PXEditor::MatchBracket()
{
    static const wchar_t open[] = L"([{<", close[] = L")]}>";
    const std::wstring& here = line_ref(curLine);
    if (curIndex >= static_cast<int>(here.size()))
        return;
    wchar_t c = here[static_cast<size_t>(curIndex)];
    const wchar_t* o = std::wcschr(open, c);
    const wchar_t* cl = std::wcschr(close, c);
    if (!c || (!o && !cl))
        return;
    wchar_t mine = c, other = o ? close[o - open] : open[cl - close];
    int dir = o ? 1 : -1;
    int depth = 0;
    std::wstring s;
    for (int l = curLine; l >= 0 && l < text.Count(); l += dir) {
        line_text(l, s);
        int i = l == curLine ? curIndex : dir > 0 ? 0 : static_cast<int>(s.size()) - 1;
        for (; i >= 0 && i < static_cast<int>(s.size()); i += dir) {
            wchar_t ch = s[static_cast<size_t>(i)];
            if (ch == mine)
                depth++;
            else if (ch == other && --depth == 0) {
                MoveToPos(i, l);
                return;
            }
        }
    }
}

void PXEditor::MarkWord()
{
    const std::wstring& s = line_ref(curLine);
    int a = curIndex, b = curIndex;
    while (a > 0 && iswordchar(s[static_cast<size_t>(a - 1)]))
        a--;
    while (b < static_cast<int>(s.size()) && iswordchar(s[static_cast<size_t>(b)]))
        b++;
    if (a == b)
        return;
    Select({curLine, a}, {curLine, b});
    curIndex = b;
}

// Chosen here: Ctrl+Backspace deletes from the start of the
// word left of the cursor (where Ctrl+Left goes) to the cursor.
void PXEditor::DeleteWordLeft()
{
    if (sel.active) {
        DeleteSelection();
        return;
    }
    EPOS b{curLine, curIndex};
    word_left();
    EPOS a{curLine, curIndex};
    curLine = b.line;
    curIndex = b.index;
    if (a < b)
        (void)change(a, b, L"", &a);
}

void PXEditor::DeleteWordRight()
{
    if (sel.active) {
        DeleteSelection();
        return;
    }
    EPOS a{curLine, curIndex};
    word_right();
    EPOS b{curLine, curIndex};
    curLine = a.line;
    curIndex = a.index;
    if (a < b)
        (void)change(a, b, L"", &a);
}

// Chosen here: Ctrl+Space copies the character in the line
// above at the cursor's column, so that a column of text can be repeated
// key by key; nothing happens on the first line or past the line above.
void PXEditor::CopyCharAbove()
{
    if (curLine == 0)
        return;
    int col = calc_col(curLine, curIndex);
    int want = col;
    int i = calc_pos(curLine - 1, want);
    const std::wstring& above = line_ref(curLine - 1);
    if (i >= static_cast<int>(above.size()))
        return;
    InsertChar(above[static_cast<size_t>(i)]);
}
