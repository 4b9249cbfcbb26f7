#include "editor/editor.h"

#include "config/config.h"
#include "console/colours.h"
#include "config/px_filename.h"
#include "console/key_codes.h"
#include "editor/search_settings.h"
#include "foundation/nls.h"
#include "foundation/word_chars.h"
#include "text/text_settings.h"
#include "textui/dialog.h"
#include "textui/field_history.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <algorithm>

namespace {

constexpr int KEY_CTRL_C = 0x03;
constexpr int KEY_CTRL_D = 0x04;
constexpr int KEY_CTRL_Q = 0x11;
constexpr int KEY_CTRL_V = 0x16;
constexpr int KEY_CTRL_W = 0x17;
constexpr int KEY_CTRL_X = 0x18;
constexpr int KEY_CTRL_Y = 0x19;
// NumLock in the modifier state (GDK's second modifier).
constexpr unsigned STATE_NUMLOCK = 0x10;

constexpr int HelpTopicMenu = 10;
constexpr int HelpTopicConfig = 11;
constexpr int HelpTopicEditor = 3;

// The movement a key stands for with Shift taken off, or 0.
int plain_movement(int key)
{
    int k = key & ~KEY_SHIFT_FLAG;
    switch (k) {
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_UP:
    case KEY_DOWN:
    case KEY_HOME:
    case KEY_END:
    case KEY_PGUP:
    case KEY_PGDN:
    case KEY_CTRL_LEFT:
    case KEY_CTRL_RIGHT:
    case KEY_CTRL_HOME:
    case KEY_CTRL_END:
    case KEY_CTRL_PGUP:
    case KEY_CTRL_PGDN:
        return k;
    }
    // Control with keypad digits 1, 3, 4, 6, 7, 9.
    if (k >= KEY_CTRL_KEYPAD_0 && k <= KEY_CTRL_KEYPAD_0 + 9) {
        static const int pad[10] = {0, KEY_CTRL_END, 0, KEY_CTRL_PGDN, KEY_CTRL_LEFT, 0, KEY_CTRL_RIGHT,
                                    KEY_CTRL_HOME, 0, KEY_CTRL_PGUP};
        return pad[k - KEY_CTRL_KEYPAD_0];
    }
    return 0;
}

}

void (*editor_help_hook)(int topic) = nullptr;

void PXEditor::word_left()
{
    // To the start of the word before the cursor, over the line start.
    for (;;) {
        const std::wstring& s = line_ref(curLine);
        int i = std::min(curIndex, static_cast<int>(s.size()));
        if (i == 0) {
            if (curLine == 0)
                return;
            curLine--;
            curIndex = line_length(curLine);
            continue;
        }
        while (i > 0 && !iswordchar(s[static_cast<size_t>(i - 1)]))
            i--;
        if (i == 0 && curLine > 0 && curIndex > 0) {
            curIndex = 0;
            return;
        }
        while (i > 0 && iswordchar(s[static_cast<size_t>(i - 1)]))
            i--;
        curIndex = i;
        return;
    }
}

void PXEditor::word_right()
{
    const std::wstring& s = line_ref(curLine);
    if (curIndex >= static_cast<int>(s.size())) {
        // At the end of a line: the start of the next one.
        if (curLine + 1 < text.Count()) {
            curLine++;
            curIndex = 0;
        }
        return;
    }
    int i = curIndex;
    if (*textui_settings.brief_word_right) {
        while (i < static_cast<int>(s.size()) && !iswordchar(s[static_cast<size_t>(i)]))
            i++;
        while (i < static_cast<int>(s.size()) && iswordchar(s[static_cast<size_t>(i)]))
            i++;
    } else {
        while (i < static_cast<int>(s.size()) && iswordchar(s[static_cast<size_t>(i)]))
            i++;
        while (i < static_cast<int>(s.size()) && !iswordchar(s[static_cast<size_t>(i)]))
            i++;
    }
    curIndex = i;
}

void PXEditor::page(int dir)
{
    int step = std::max(1, H() - 2);
    int row = curLine - top;
    int last = text.Count() - 1;
    int col = calc_col(curLine, curIndex);
    if (dir < 0) {
        if (top == 0) {
            curLine = 0;
            curIndex = 0;
            return;
        }
        top = std::max(0, top - step);
    } else {
        if (top + H() > last) {
            curLine = last;
            curIndex = line_length(last);
            return;
        }
        top = std::min(top + step, std::max(0, last - H() + 1));
    }
    curLine = std::min(top + row, last);
    curIndex = calc_pos(curLine, col);
}

bool PXEditor::movement(int key)
{
    int k = plain_movement(key);
    if (!k)
        return false;
    bool extend = (key & KEY_SHIFT_FLAG) || sel.extending;
    EPOS before{curLine, curIndex};
    int last = text.Count() - 1;
    switch (k) {
    case KEY_LEFT:
        if (curIndex > 0)
            curIndex--;
        else if (curLine > 0) {
            curLine--;
            curIndex = line_length(curLine);
        }
        break;
    case KEY_RIGHT:
        // Inside a tab the cursor goes on to the tab stop: the index moves
        // past the tab character.
        if (curIndex < line_length(curLine))
            curIndex++;
        else if (curLine < last) {
            curLine++;
            curIndex = 0;
        }
        break;
    case KEY_UP:
    case KEY_DOWN: {
        int to = curLine + (k == KEY_UP ? -1 : 1);
        if (to < 0 || to > last) {
            // At the first or last line the cursor goes to its start or end.
            curIndex = to < 0 ? 0 : line_length(curLine);
            break;
        }
        int col = calc_col(curLine, curIndex);
        curLine = to;
        curIndex = calc_pos(curLine, col);
        break;
    }
    case KEY_HOME:
        curIndex = 0;
        break;
    case KEY_END:
        curIndex = line_length(curLine);
        break;
    case KEY_PGUP:
        page(-1);
        break;
    case KEY_PGDN:
        page(1);
        break;
    case KEY_CTRL_LEFT:
        word_left();
        break;
    case KEY_CTRL_RIGHT:
        word_right();
        break;
    case KEY_CTRL_HOME:
        curLine = top;
        curIndex = 0;
        break;
    case KEY_CTRL_END:
        curLine = std::min(top + H() - 1, last);
        curIndex = line_length(curLine);
        break;
    case KEY_CTRL_PGUP:
        curLine = curIndex = 0;
        break;
    case KEY_CTRL_PGDN:
        curLine = last;
        curIndex = line_length(last);
        break;
    }
    clamp_cursor();
    EPOS after{curLine, curIndex};
    if (extend) {
        EPOS anchor = sel.active ? sel.anchor : before;
        Select(anchor, after);
        sel.anchor = anchor;
    } else if (sel.active) {
        // Chosen here: selections are not persistent; a plain
        // movement ends one, so typing never replaces text out of sight.
        sel.active = false;
        redraw = true;
    }
    return true;
}

void PXEditor::bookmark_key(int key, unsigned)
{
    int digit = key & 0xF;
    if (digit > 9)
        return;
    if (key & KEY_SHIFT_FLAG) {
        bookmarks[digit] = {curLine, curIndex};
        return;
    }
    EPOS b = bookmarks[digit];
    if (b.line < 0 || b.line >= text.Count())
        return;
    sel.active = false;
    MoveToPos(b.index, b.line);
}

void PXEditor::goto_line()
{
    int line = 0;
    {
        Dialog d(-1, -2, 27, 6, ui_colour(ColourMessages));
        d.PutCentre(-1, L" Goto Line ");
        d.puts_at(1, 1, L"Line to go to:");
        d.AddIntField(16, 1, 1, line, 8, 0, NoHistory);
        d.puts_at(1, 2, (L"1-" + std::to_wstring(text.Count())).c_str());
        if (d.Process() != RESULT_ACCEPT || line <= 0)
            return;
    }
    line = std::min(line, text.Count());
    sel.active = false;
    MoveToPos(0, line - 1);
    // The line goes to the top of the page unless it is on it.
    if (line - 1 < top || line - 1 >= top + H())
        top = std::max(0, line - 1 - H() / 2);
}

int PXEditor::Key(int key, _MEVENT* mev)
{
    _MEVENT none{};
    _MEVENT& m = mev ? *mev : none;
    if (key == KEY_MOUSE && !mouse(m, key))
        return 0;
    clamp_cursor();
    if (literal) {
        // Ctrl+Q: the next key goes in as it is, when it is a character.
        literal = false;
        redraw = true;
        if (key > 0 && key <= 0x10FFFF)
            InsertChar(static_cast<wchar_t>(key));
        return 0;
    }
    if (movement(key)) {
        redraw = true;
        return 0;
    }
    if ((key & ~(KEY_SHIFT_FLAG | 0xF)) == KEY_CTRL_DIGIT) {
        bookmark_key(key, m.state & STATE_NUMLOCK);
        return 0;
    }
    redraw = true;
    switch (key) {
    case KEY_ESC:
    case KEY_F10:
        return leave() ? KEY_ESC : 0;
    case KEY_F1: {
        int topic = HelpTopicEditor;
        Westring ext = fileName.filename();
        int dot = ext.rchr(L'.');
        if (dot >= 0 && nls_stricmp(ext.c_str() + dot + 1, L"mnu") == 0)
            topic = HelpTopicMenu;
        else if (fncompare(fileName.c_str(), PXFilename(PXConfig).c_str()) == 0 ||
                 (!config.IniFile.empty() && fncompare(fileName.c_str(), config.IniFile.c_str()) == 0))
            topic = HelpTopicConfig;
        if (editor_help_hook)
            editor_help_hook(topic);
        return 0;
    }
    case KEY_F1 + 1:
        if (save_text(fileName.c_str()) == 0) {
            modified = false;
            newFile = false;
        }
        return 0;
    case KEY_F1 + 2: {
        Westring name = fileName;
        (void)SaveAs(name);
        return 0;
    }
    case KEY_F1 + 3:
    case KEY_CTRL_X:
    case KEY_DEL | KEY_SHIFT_FLAG:
        clipcut();
        return 0;
    case KEY_F1 + 4:
    case KEY_CTRL_C:
    case KEY_CTRL_INS:
        clipcopy(false);
        return 0;
    case KEY_CTRL_INS | KEY_SHIFT_FLAG:
        clipcopy(true);
        return 0;
    case KEY_F1 + 5:
    case KEY_CTRL_V:
    case KEY_INS | KEY_SHIFT_FLAG:
        clippaste();
        return 0;
    case KEY_F1 + 6: {
        int l = curLine, i = curIndex;
        (void)findstr(l, i, false, true, false);
        return 0;
    }
    case KEY_SHIFT_F1 + 6: {
        int l = curLine, i = curIndex;
        (void)findstr(l, i, false, false, true);
        return 0;
    }
    case KEY_ALT_F1 + 6: {
        int l = curLine, i = curIndex;
        reverse = !reverse;
        (void)findstr(l, i, false, false, true);
        reverse = !reverse;
        return 0;
    }
    case KEY_F1 + 7: {
        int l = curLine, i = curIndex;
        (void)findstr(l, i, true, true, false);
        return 0;
    }
    case KEY_ALT_COMMA:
    case KEY_ALT_PERIOD: {
        const std::wstring& s = line_ref(curLine);
        int a = curIndex, b = curIndex;
        while (a > 0 && iswordchar(s[static_cast<size_t>(a - 1)]))
            a--;
        while (b < static_cast<int>(s.size()) && iswordchar(s[static_cast<size_t>(b)]))
            b++;
        if (a == b)
            return 0;
        std::wstring w = s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a));
        word = Westring(w.c_str());
        char saved = reverse;
        reverse = key == KEY_ALT_COMMA;
        // Searching from the word's start backwards, or from its end
        // forwards, finds the next occurrence, not this one.
        curIndex = key == KEY_ALT_COMMA ? a : b;
        int l = curLine, i = curIndex;
        (void)findstr(l, i, false, false, true);
        reverse = saved;
        return 0;
    }
    case KEY_ALT_BACKSPACE:
        (void)UndoRedo(true);
        return 0;
    case KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG:
        (void)UndoRedo(false);
        return 0;
    case KEY_CTRL_A: {
        int last = text.Count() - 1;
        Select({0, 0}, {last, line_length(last)});
        return 0;
    }
    case KEY_CTRL_D:
        DuplicateLine();
        return 0;
    case KEY_CTRL_Y:
        DeleteLine();
        return 0;
    case KEY_CTRL_W: {
        SELECTION saved = sel;
        int at = curIndex;
        MarkWord();
        if (sel.active)
            clipcopy(false);
        sel = saved;
        curIndex = at;
        return 0;
    }
    case KEY_CTRL_Q:
        literal = true;
        return 0;
    case KEY_INS:
        config.OverStrike = !config.OverStrike;
        return 0;
    case KEY_DEL:
        DeleteChar(false);
        return 0;
    case KEY_BACKSPACE:
        if (sel.active)
            DeleteSelection();
        else
            DeleteChar(true);
        return 0;
    case KEY_CTRL_BACKSPACE:
        DeleteWordLeft();
        return 0;
    case KEY_CTRL_DEL:
        DeleteWordRight();
        return 0;
    case KEY_ALT_S:
        sel.extending = !sel.extending;
        if (sel.extending && !sel.active)
            sel.anchor = {curLine, curIndex};
        return 0;
    case KEY_ALT_H:
        colouring = !colouring;
        stateTop = -1;
        return 0;
    case KEY_ALT_I:
        config.AutoIndent = !config.AutoIndent;
        return 0;
    case KEY_ALT_L:
        goto_line();
        return 0;
    case KEY_ALT_U: {
        // Every line's end becomes the other style, and so do new lines.
        TLineEnd to = newLineEnd == LineEndLF ? LineEndCRLF : LineEndLF;
        if (flush() != 0)
            return 0;
        for (int l = 0; l + 1 < text.Count(); l++)
            if (text.End(l) != LineEndNone && text.SetEnd(l, to) != 0) {
                (void)::error(L"out of memory");
                break;
            }
        newLineEnd = to;
        modified = true;
        return 0;
    }
    case KEY_ALT_LBRACKET:
    case KEY_ALT_M:
        MatchBracket();
        return 0;
    case KEY_ALT_E:
        select_format();
        return 0;
    case KEY_ALT_C:
        next_code_page(true);
        return 0;
    case KEY_ALT_T:
        next_code_page(false);
        return 0;
    case KEY_ALT_LEFT:
        IndentBlock(-config.IndentWidth);
        return 0;
    case KEY_ALT_RIGHT:
        IndentBlock(config.IndentWidth);
        return 0;
    case KEY_RETURN:
        BreakLine(config.AutoIndent);
        return 0;
    }
    if (key >= KEY_ALT_1 && key < KEY_ALT_1 + 8) {
        config.TabWidth = key - KEY_ALT_1 + 1;
        return 0;
    }
    if (key == L' ' && (m.state & STATE_CONTROL)) {
        CopyCharAbove();
        return 0;
    }
    // Typing: printable characters, Tab and everything up to U+10FFFF
    // (the raw-byte range is no character a key can give).
    if (key == KEY_TAB || (key >= 0x20 && key < 0x7F) || (key >= 0x80 && key <= 0x10FFFF && !IsRawTextByte(key))) {
        sel.extending = false;
        InsertChar(static_cast<wchar_t>(key));
    }
    return 0;
}

bool PXEditor::mouse(_MEVENT& m, int& key)
{
    const int slot = std::max(1, columns / 10);
    if (m.y == screenLines - 1) {
        // The key bar: press and release on the same label.
        int label = std::min(m.x / slot, 9) + 1;
        if (m.kind == MouseLeftPress) {
            barPress = label;
            return false;
        }
        if (m.kind == MouseLeftRelease && barPress == label) {
            barPress = 0;
            key = label == 10 ? KEY_F10 : KEY_F1 + label - 1;
            return true;
        }
        barPress = 0;
        return false;
    }
    barPress = 0;
    if (m.kind == MouseWheel) {
        int step = m.wheel > 0 ? -3 : 3;
        top = std::clamp(top + step, 0, std::max(0, text.Count() - 1));
        curLine = std::clamp(curLine, top, std::min(text.Count() - 1, top + H() - 1));
        clamp_cursor();
        redraw = true;
        return false;
    }
    int y = m.y - 1;
    if (y < 0 || y >= H())
        return false;
    if (m.kind == MouseRightPress) {
        // Upper or lower third of the text pages up or down.
        if (y < H() / 3)
            key = KEY_PGUP;
        else if (y >= H() - H() / 3)
            key = KEY_PGDN;
        else
            return false;
        return true;
    }
    int line = std::min(top + y, text.Count() - 1);
    int col = m.x + scroll;
    int index = calc_pos(line, col);
    if (m.kind == MouseLeftPress) {
        sel.active = false;
        sel.anchor = {line, index};
        dragging = true;
        MoveToPos(index, line);
    } else if (m.kind == MouseLeftDrag && dragging) {
        MoveToPos(index, line);
        EPOS anchor = sel.anchor;
        Select(anchor, {curLine, curIndex});
        sel.anchor = anchor;
    } else if (m.kind == MouseLeftRelease) {
        dragging = false;
    } else if (m.kind == MouseLeftDouble) {
        MoveToPos(index, line);
        MarkWord();
    }
    return false;
}
