#include "config/config.h"
#include "console/key_codes.h"
#include "editor/editor.h"
#include "editor/search_settings.h"
#include "fileops/global_clip.h"
#include "textui/textui_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Texts with markers: "|" the cursor, "«" and "»" the selection's ends.
void set(PXEditor& e, const std::wstring& marked)
{
    std::wstring plain;
    EPOS at, pos, a{-1, 0}, b{-1, 0};
    for (wchar_t c : marked) {
        if (c == L'|')
            at = pos;
        else if (c == L'«')
            a = pos;
        else if (c == L'»')
            b = pos;
        else {
            plain += c;
            if (c == L'\n')
                pos = {pos.line + 1, 0};
            else
                pos.index++;
        }
    }
    e.SetText(plain);
    e.MoveToPos(at.index, at.line);
    if (a.line >= 0)
        e.Select(a, b);
}

std::wstring get(PXEditor& e)
{
    std::wstring t = e.Text(), out;
    EPOS pos, cur = e.Cursor();
    const SELECTION& s = e.Selection();
    auto marks = [&] {
        if (s.active && pos == EPOS{s.startLine, s.startIndex})
            out += L'«';
        if (s.active && pos == EPOS{s.endLine, s.endIndex})
            out += L'»';
        if (pos == cur)
            out += L'|';
    };
    for (wchar_t c : t) {
        marks();
        out += c;
        if (c == L'\n')
            pos = {pos.line + 1, 0};
        else
            pos.index++;
    }
    marks();
    return out;
}

std::string narrow(const std::wstring& w)
{
    std::string s;
    edit_utf8::Encode(w.data(), w.size(), s);
    return s;
}

class EditorOps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config.AutoIndent = false;
        config.OverStrike = false;
        config.IndentWidth = 4;
        config.TabWidth = 8;
        config.BriefWordRight = false;
        textui_settings.brief_word_right = &config.BriefWordRight;
        word = L"";
        replaceWord = L"";
        casesense = reverse = wholeWord = 0;
        clip.DestroyAll();
    }
    void TearDown() override
    {
        config.AutoIndent = false;
        config.OverStrike = false;
    }
};

}

TEST_F(EditorOps, OneKeyTable)
{
    const struct {
        const wchar_t* before;
        std::vector<int> keys;
        const wchar_t* after;
        bool autoIndent;
        bool overStrike;
    } rows[] = {
        {L"ab|", {'x'}, L"abx|", false, false},
        {L"a\nb|", {'x', KEY_RETURN}, L"a\nbx\n|", false, false},
        {L"ab|\ncd", {KEY_DEL}, L"ab|cd", false, false},
        {L"ab\n|cd", {KEY_BACKSPACE}, L"ab|cd", false, false},
        {L"ab\ncd|", {KEY_DEL}, L"ab\ncd|", false, false},         // last line, at its end
        {L"|ab", {KEY_BACKSPACE}, L"|ab", false, false},           // start of the text
        {L"|ab\ncd", {KEY_LEFT}, L"|ab\ncd", false, false},
        {L"ab\n|cd", {KEY_LEFT}, L"ab|\ncd", false, false},
        {L"ab|\ncd", {KEY_RIGHT}, L"ab\n|cd", false, false},
        {L"ab\ncd|", {KEY_RIGHT}, L"ab\ncd|", false, false},
        {L"a|b\ncd", {KEY_UP}, L"|ab\ncd", false, false},          // first line: its start
        {L"ab\nc|d", {KEY_DOWN}, L"ab\ncd|", false, false},        // last line: its end
        {L"abcdef\nx\nabcdef|", {KEY_UP, KEY_UP}, L"a|bcdef\nx\nabcdef", false, false},
        {L"ab|cd", {KEY_HOME}, L"|abcd", false, false},
        {L"ab|cd", {KEY_END}, L"abcd|", false, false},
        {L"a\nb|\nc", {KEY_CTRL_PGUP}, L"|a\nb\nc", false, false},
        {L"a\nb|\nc", {KEY_CTRL_PGDN}, L"a\nb\nc|", false, false},
        {L"    foo|  bar", {KEY_RETURN}, L"    foo\n    |bar", true, false},
        {L"\tfoo|", {KEY_RETURN}, L"\tfoo\n\t|", true, false},     // tabs stay tabs
        {L"  a\n\n|", {KEY_RETURN}, L"  a\n\n\n  |", true, false},   // blank lines are passed over
        {L"ab|cd", {KEY_RETURN}, L"ab\n|cd", false, false},
        {L"a\nb|c", {0x19}, L"a\n|", false, false},                 // Ctrl+Y on the last line
        {L"a|\nb\nc", {0x19}, L"|b\nc", false, false},
        {L"a|b\nc", {0x04}, L"a|b\nab\nc", false, false},            // Ctrl+D
        {L"a«bc»|d", {'X'}, L"aX|d", false, false},
        {L"a«b\nc»|d", {'X'}, L"aX|d", false, false},
        {L"a|bc", {'X'}, L"aX|c", false, true},
        {L"ab|", {'X'}, L"abX|", false, true},
        {L"a«bc»|d", {KEY_DEL}, L"a|d", false, false},
        {L"|\tx", {KEY_RIGHT, 'y'}, L"\ty|x", false, false},        // Right in a tab: to its stop
        {L"a|b", {KEY_ALT_RIGHT}, L"    a|b", false, false},
        {L"      x|", {KEY_ALT_LEFT}, L"  x|", false, false},
        {L"  x|", {KEY_ALT_LEFT}, L"  x|", false, false},           // would go below column 0
        {L"«a\n  b\n»|c", {KEY_ALT_RIGHT}, L"«    a\n      b\n»|c", false, false},
        {L"a|(b(c)d)e", {KEY_ALT_LBRACKET}, L"a(b(c)d|)e", false, false},
        {L"a(b(c)d|)e", {KEY_ALT_M}, L"a|(b(c)d)e", false, false},
        {L"(\n[x]\n|)", {KEY_ALT_M}, L"|(\n[x]\n)", false, false},
        {L"a|bc", {KEY_ALT_LBRACKET}, L"a|bc", false, false},
        {L"äö|\nüß", {KEY_DEL}, L"äö|üß", false, false},
        {L"ä«ö\n😀»|ß", {'X'}, L"äX|ß", false, false},
        {L"€|ö", {KEY_RETURN}, L"€\n|ö", false, false},
        {L"one tw|o three", {KEY_CTRL_LEFT}, L"one |two three", false, false},
        {L"one |two three", {KEY_CTRL_RIGHT}, L"one two |three", false, false},
        {L"one two|\nx", {KEY_CTRL_RIGHT}, L"one two\n|x", false, false},
        {L"one two|", {KEY_CTRL_BACKSPACE}, L"one |", false, false},
        {L"one |two three", {KEY_CTRL_DEL}, L"one |three", false, false},
        {L"a|b", {KEY_RIGHT | KEY_SHIFT_FLAG}, L"a«b»|", false, false},
        {L"ab\nc|d", {KEY_UP | KEY_SHIFT_FLAG}, L"a«|b\nc»d", false, false},
        {L"a«b»|c", {KEY_LEFT}, L"a|bc", false, false},              // a plain move ends it
        {L"x|y", {KEY_ALT_S, KEY_RIGHT, KEY_HOME}, L"«|x»y", false, false},
        {L"abc\nd|", {' '}, L"abc\nd |", false, false},
        {L"ab|", {KEY_CTRL_A}, L"«ab»|", false, false},
        {L"h|", {0x11, 0x01}, L"h\x01|", false, false},               // Ctrl+Q, Ctrl+A
        {L"|", {0x1F600}, L"\U0001F600|", false, false},             // beyond U+FFFF
    };
    for (const auto& r : rows) {
        config.AutoIndent = r.autoIndent;
        config.OverStrike = r.overStrike;
        PXEditor e;
        set(e, r.before);
        for (int k : r.keys)
            (void)e.Key(k);
        EXPECT_EQ(narrow(get(e)), narrow(r.after)) << narrow(r.before);
    }
}

TEST_F(EditorOps, CtrlSpaceCopiesTheCharacterAbove)
{
    PXEditor e;
    set(e, L"abc\n|");
    _MEVENT m{};
    m.state = STATE_CONTROL;
    (void)e.Key(' ', &m);
    (void)e.Key(' ', &m);
    EXPECT_EQ(narrow(get(e)), "abc\nab|");
}

TEST_F(EditorOps, UndoFirstMovesThenUndoesAndRedoes)
{
    PXEditor e;
    set(e, L"one\ntwo|");
    for (int k : {int('!'), KEY_RETURN, int('x')})
        (void)e.Key(k);
    EXPECT_EQ(narrow(get(e)), "one\ntwo!\nx|");
    (void)e.Key(KEY_CTRL_PGUP);
    // The first press only goes to the change.
    (void)e.Key(KEY_ALT_BACKSPACE);
    EXPECT_EQ(narrow(get(e)), "one\ntwo!\nx|");
    const struct {
        int key;
        const char* after;
    } steps[] = {
        {KEY_ALT_BACKSPACE, "one\ntwo!\n|"},
        {KEY_ALT_BACKSPACE, "one\ntwo!|"},
        {KEY_ALT_BACKSPACE, "one\ntwo|"},
        {KEY_ALT_BACKSPACE, "one\ntwo|"},   // nothing more
        {KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG, "one\ntwo!|"},
        {KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG, "one\ntwo!\n|"},
        {KEY_ALT_BACKSPACE, "one\ntwo!|"},
        {KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG, "one\ntwo!\n|"},
        {KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG, "one\ntwo!\nx|"},
    };
    for (const auto& s : steps) {
        (void)e.Key(s.key);
        EXPECT_EQ(narrow(get(e)), s.after) << s.key;
    }
    // A new change empties the redo stack.
    (void)e.Key(KEY_ALT_BACKSPACE);
    (void)e.Key('y');
    EXPECT_EQ(e.RedoStack().Count(), 0);
}

TEST_F(EditorOps, UndoOfJoinsDeletionsAndPastesRestoresTheText)
{
    const struct {
        const wchar_t* before;
        std::vector<int> keys;
    } rows[] = {
        {L"ab|\ncd\nef", {KEY_DEL, KEY_DEL, KEY_DEL}},
        {L"«ab\ncd\ne»|f", {KEY_DEL}},
        {L"ab\n|cd", {0x19, 0x19}},
        {L"x|y", {KEY_RETURN, KEY_RETURN, 'z', KEY_BACKSPACE, KEY_BACKSPACE}},
        {L"«a\nb\n»|c", {0x18, KEY_CTRL_PGDN, 0x16, 0x16}},           // cut, paste twice
        // Changes over lines work on the stored bytes: wide characters
        // must land on their own boundaries.
        {L"ä«ö€\n😀ü»|ß\nçx", {0x18, KEY_DOWN, KEY_END, 0x16, KEY_HOME, KEY_RETURN, KEY_DEL}},
        {L"äö|\nüß\n€", {KEY_DEL, KEY_RIGHT, KEY_RETURN, KEY_BACKSPACE, 0x19, 0x04}},
    };
    for (const auto& r : rows) {
        PXEditor e;
        set(e, r.before);
        std::wstring original = e.Text();
        for (int k : r.keys)
            (void)e.Key(k);
        std::wstring changed = e.Text();
        EXPECT_NE(narrow(changed), narrow(original));
        for (int i = 0; i < 40 && e.UndoStack().Count() > 0; i++)
            (void)e.Key(KEY_ALT_BACKSPACE);
        EXPECT_EQ(narrow(e.Text()), narrow(original)) << narrow(r.before);
        while (e.RedoStack().Count() > 0)
            (void)e.Key(KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG);
        EXPECT_EQ(narrow(e.Text()), narrow(changed)) << narrow(r.before);
    }
}

TEST_F(EditorOps, TheThousandAndFirstChangeDropsTheOldest)
{
    PXEditor e;
    set(e, L"|");
    for (int i = 0; i < 1001; i++)
        (void)e.Key(i == 0 ? 'A' : 'b');
    EXPECT_EQ(e.UndoStack().Count(), 1000);
    for (int i = 0; i < 1100; i++)
        (void)e.Key(KEY_ALT_BACKSPACE);
    // The first change, typing "A", can no longer be taken back.
    EXPECT_EQ(narrow(get(e)), "A|");
}

TEST_F(EditorOps, UndoMemoryKeepsTheNewestWhateverItsSize)
{
    TUndoStack s;
    s.SetLimit(1000);
    for (int i = 0; i < 5; i++) {
        UndoItem item;
        item.text.assign(400, 'a' + static_cast<char>(i));
        s.Push(item);
    }
    EXPECT_LE(s.Bytes(), 1000u + sizeof(UndoItem) * 2);
    UndoItem top;
    ASSERT_EQ(s.Top(top), 0);
    EXPECT_EQ(top.text[0], 'e');
    UndoItem big;
    big.text.assign(5000, 'z');
    s.Push(big);
    EXPECT_EQ(s.Count(), 1);
    ASSERT_EQ(s.Top(top), 0);
    EXPECT_EQ(top.text.size(), 5000u);
}

TEST_F(EditorOps, BookmarksMoveWithTheText)
{
    PXEditor e;
    std::wstring text;
    for (int i = 1; i <= 20; i++)
        text += L"line " + std::to_wstring(i) + L"\n";
    set(e, L"|" + text);
    e.MoveToPos(3, 9);
    e.SetBookmark(1);
    // Two whole lines onto the clipboard, pasted at the top.
    TextToClip(L"new a\nnew b\n", clip);
    PutGlobalClip(clip);
    e.MoveToPos(0, 0);
    (void)e.Key(0x16);
    EXPECT_EQ(e.Bookmark(1), (EPOS{11, 3}));
    // Typing on the bookmark's line before it shifts its index.
    e.MoveToPos(0, 11);
    (void)e.Key('x');
    EXPECT_EQ(e.Bookmark(1), (EPOS{11, 4}));
    // Undoing both puts it back.
    (void)e.Key(KEY_ALT_BACKSPACE);
    (void)e.Key(KEY_ALT_BACKSPACE);
    (void)e.Key(KEY_ALT_BACKSPACE);
    EXPECT_EQ(e.Bookmark(1), (EPOS{9, 3}));
    // Ctrl+digit goes there; Ctrl+Shift+digit sets one.
    e.MoveToPos(0, 0);
    (void)e.Key(KEY_CTRL_DIGIT | 1);
    EXPECT_EQ(e.Cursor(), (EPOS{9, 3}));
    e.MoveToPos(2, 4);
    (void)e.Key(KEY_CTRL_DIGIT | KEY_SHIFT_FLAG | 5);
    EXPECT_EQ(e.Bookmark(5), (EPOS{4, 2}));
}

TEST_F(EditorOps, ReplaceAllIsOneStepAndEnds)
{
    PXEditor e;
    set(e, L"|a ba\nxyz\nca");
    word = L"a";
    EXPECT_EQ(e.ReplaceAll(L"aa"), 3);
    EXPECT_EQ(narrow(e.Text()), "aa baa\nxyz\ncaa");
    EXPECT_EQ(e.UndoStack().Count(), 1);
    (void)e.Key(KEY_ALT_BACKSPACE);
    (void)e.Key(KEY_ALT_BACKSPACE);
    EXPECT_EQ(narrow(e.Text()), "a ba\nxyz\nca");
    // Whole words and case.
    set(e, L"|Cat cat concat");
    word = L"cat";
    wholeWord = 1;
    EXPECT_EQ(e.ReplaceAll(L"dog"), 2);
    EXPECT_EQ(narrow(e.Text()), "dog dog concat");
    set(e, L"|Cat cat concat");
    casesense = 1;
    EXPECT_EQ(e.ReplaceAll(L"dog"), 1);
    EXPECT_EQ(narrow(e.Text()), "Cat dog concat");
}

TEST_F(EditorOps, CopyAndPasteGoThroughTheSharedClipboard)
{
    PXEditor e;
    set(e, L"«ab\nc»|d");
    (void)e.Key(0x03);
    ASSERT_EQ(clip.count, 2);
    EXPECT_EQ(Westring(clip.At(0)->c_str()), Westring(L"ab"));
    TObjectStore<Westring> shared;
    (void)GetGlobalClip(shared);
    set(e, L"x|y");
    (void)e.Key(0x16);
    EXPECT_EQ(narrow(get(e)), "xab\nc|y");
    // Copy without a selection keeps the clipboard.
    set(e, L"q|");
    (void)e.Key(0x03);
    EXPECT_EQ(clip.count, 2);
}

TEST_F(EditorOps, LongLinesAreEditedWhole)
{
    PXEditor e;
    std::wstring big(70000, L'a');
    set(e, big + L"|\n" + big);
    // A join makes a line past the typing limit; it stays whole.
    (void)e.Key(KEY_DEL);
    EXPECT_EQ(e.Text().size(), 140000u);
    // Typing into it is what stops.
    (void)e.Key('b');
    EXPECT_EQ(e.Text().size(), 140000u);
    (void)e.Key(KEY_ALT_BACKSPACE);
    EXPECT_EQ(e.Text().size(), 140001u);
}
