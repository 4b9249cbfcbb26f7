#include "command/ansi_terminal.h"

#include "command/scroll_back.h"
#include "console/console_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

constexpr int Columns = 20, Lines = 6;

// The emulator on a fresh 20 x 6 windowless console in 0x07.
std::unique_ptr<CAnsiTerminalEmulator> fresh_terminal()
{
    console.SetDisplay(nullptr);
    console.SetSize(Columns, Lines, Estring(), 0);
    console.SetAttr(0x07);
    console.SetCursorPos(0, 0);
    console.SetCursorType(15);
    return std::make_unique<CAnsiTerminalEmulator>(console, -1);
}

// The rows as painted, trailing blanks cut, joined by "|", trailing empty
// rows cut.
std::string rows()
{
    std::string out;
    for (int y = 0; y < Lines; y++) {
        std::string row = screen_text(console, y);
        row.erase(row.find_last_not_of(' ') + 1);
        out += (y ? "|" : "") + row;
    }
    out.erase(out.find_last_not_of('|') + 1);
    return out;
}

// Everything a script leaves behind, to compare whole and split feeding.
struct Outcome
{
    std::vector<ScreenCell> cells;
    int column, line, console_x, console_y, cursor_type, top, bottom;
    bool operator==(const Outcome&) const = default;
};

Outcome outcome(const CAnsiTerminalEmulator& t)
{
    Outcome o;
    for (int y = 0; y < Lines; y++)
        o.cells.insert(o.cells.end(), console.Row(y), console.Row(y) + Columns);
    o.column = t.CursorColumn();
    o.line = t.CursorLine();
    console.GetCursorPos(o.console_x, o.console_y);
    o.cursor_type = console.GetCursorType();
    o.top = t.ScrollTop();
    o.bottom = t.ScrollBottom();
    return o;
}

const std::string six_lines = "1\r\n2\r\n3\r\n4\r\n5\r\n6";

struct Script
{
    std::string bytes;
    const char* screen;
    int x, y;  // the emulator's cursor
    // An attribute to check: the cell (ax, ay) holds attr; ax < 0: none.
    int ax = -1, ay = 0, attr = 0;
};

// "A" after an SGR sequence of params, and the attribute it is drawn in.
Script sgr(const std::string& params, int attr)
{
    return {"\x1b[" + params + "mA", "A", 1, 0, 0, 0, attr};
}

const Script scripts[] = {
    // Text and the control bytes.
    {"abc", "abc", 3, 0}, {"ab\bc", "ac", 2, 0}, {"\b\bx", "x", 1, 0}, {"a\ab", "ab", 2, 0},
    {"a\tb", "a       b", 9, 0}, {"abcdefghijklmnop\tX", "abcdefghijklmnop|X", 1, 1},
    {"0123456789012345678\tX", "0123456789012345678|X", 1, 1},  // TAB at the edge
    {"ab\r\ncd", "ab|cd", 2, 1}, {"ab\ncd", "ab|  cd", 4, 1},     // LF keeps the column
    {"a\0b\x01\x7f"s + "c", "abc", 3, 0},                          // NUL and others dropped
    {"01234567890123456789", "01234567890123456789", 20, 0},       // exactly the width
    {"01234567890123456789X", "01234567890123456789|X", 1, 1},     // the next one wraps
    {six_lines + "\r\n7", "2|3|4|5|6|7", 1, 5},
    {"\x1b[6;1H01234567890123456789X", "||||01234567890123456789|X", 1, 5},  // wrap scrolls
    // UTF-8, and bytes that are none.
    {"\xc3\xa4x", "\u00e4x", 2, 0}, {"\xe2\x94\x8c\xf0\x9f\x98\x80", "\u250c\U0001F600", 2, 0},
    {"\xc3x\x9c", "\u00c3x\u2302", 3, 0}, {"\xc3\x1b[1Cx", "\u00c3 x", 3, 0},
    // Escapes.
    {"ab\x1b" "7cd\r\n\x1b" "8X", "abXd", 3, 0},
    {"\x1b(0lqqk\x1b(Bq", "\u250c\u2500\u2500\u2510q", 5, 0}, {"\x1b(0_`a~\x1b(A", " \u25c6\u2592\u00b7", 4, 0},
    {"\x1b=a\x1b>b", "ab", 2, 0}, {"\x1bZab", "Zab", 3, 0}, {"a\x1b\nb", "a| b", 2, 1},
    {"a\r\nb\x1bM\x1bMc", " c|a|b", 2, 0},                        // ESC M moves, then scrolls at the top
    {"a\x1b]0;title\ab", "ab", 2, 0},
    {"a\x1b]8;;file:///\xc3\x9c\x1b\\b\x1b]8;;\x1b\\c", "abc", 3, 0},  // a 0x9C inside does not end it
    {"a\x1b[1\x18mb\x1b]0;t\x1a" "c", "ambc", 4, 0},                   // CAN and SUB abort
    {"a\x1b]0;x\x1b[31mB", "aB", 2, 0, 1, 0, 0x04},
    // CSI finals; counts far past the screen are clamped, else each loops billions of times.
    {"abcdef\r\x1b[2@", "  abcdef", 0, 0}, {"abc\r\x1b[999999999@", "", 0, 0},
    {"\x1b[3;5H\x1b[2A\x1b[3C\x1b[DX", "      X", 7, 0}, {"\x1b[3;5H\x1b[0AX", "||    X", 5, 2},
    {"\x1b[99B\x1b[99CX", "|||||                   X", 20, 5}, {"\x1b[999999999A\x1b[999999999DX", "X", 1, 0},
    {"\x1b[99999999999999999999CX", "                   X", 20, 0},
    {"abc\x1b[10GX\x1b[0GY", "Ybc      X", 1, 0}, {"\x1b[2HX\x1b[HY\x1b[0;0HZ", "Z|X", 1, 0},
    {"\x1b[999999999;999999999HW", "|||||                   W", 20, 5}, {"\x1b[3;7fX", "||      X", 7, 2},
    {"aaaa\r\nbbbb\r\ncccc\x1b[2;3H\x1b[J", "aaaa|bb", 2, 1}, {"aaaa\r\nbbbb\r\ncccc\x1b[2;3H\x1b[2J", "", 2, 1},
    {"aaaa\r\nbbbb\r\ncccc\x1b[2;3H\x1b[1J", "|  bb|cccc", 2, 1},
    {"aaaa\r\nbbbb\r\ncccc\x1b[2;3H\x1b[3J", "aaaa||cccc", 2, 1},
    {"abcdef\x1b[1;3H\x1b[K", "ab", 2, 0}, {"abcdef\x1b[1;3H\x1b[1K", "  cdef", 2, 0},
    {"abcdef\x1b[1;3H\x1b[2K", "", 2, 0},
    {six_lines + "\x1b[2;4r\x1b[3;1H\x1b[L", "1|2||3|5|6", 0, 2},     // L inside the region
    {six_lines + "\x1b[2;4r\x1b[5;1H\x1b[L", "1|2|3|4||5", 0, 4},     // L below it
    {six_lines + "\x1b[2;4r\x1b[2;1H\x1b[M", "1|3|4||5|6", 0, 1},     // M inside
    {six_lines + "\x1b[2;4r\x1b[5;1H\x1b[M", "1|2|3|4|6", 0, 4},      // M below
    {six_lines + "\x1b[H\x1b[999999999L", "", 0, 0}, {six_lines + "\x1b[3;1H\x1b[999999999M", "1|2", 0, 2},
    {"abcdef\r\x1b[2P", "cdef", 0, 0}, {"abcdef\r\x1b[999999999P", "", 0, 0},
    {six_lines + "\x1b[2S", "3|4|5|6", 1, 5}, {six_lines + "\x1b[0S", "1|2|3|4|5|6", 1, 5},
    {six_lines + "\x1b[T", "|1|2|3|4|5", 1, 5}, {six_lines + "\x1b[999999999S\x1b[999999999T", "", 1, 5},
    {"abcdef\r\x1b[3X", "   def", 0, 0}, {"abcdef\r\x1b[X", " bcdef", 0, 0},
    {"abcdef\x1b[1;5H\x1b[999999999X", "abcd", 4, 0},
    {"a\x1b[3b", "aaaa", 4, 0}, {"\x1b[5b", "", 0, 0},              // nothing to repeat yet
    {"x\x1b[999999999b",
     "xxxxxxxxxxxxxxxxxxxx|xxxxxxxxxxxxxxxxxxxx|xxxxxxxxxxxxxxxxxxxx|xxxxxxxxxxxxxxxxxxxx|xxxxxxxxxxxxxxxxxxxx|x", 1,
     5},
    {"\x1b[4dX\x1b[99dY", "|||X|| Y", 2, 5},
    {"abcd\r\x1b[4hXY\x1b[4lZ", "XYZbcd", 3, 0},                    // insert mode
    {"abcdefghijklmnopqrst\r\x1b[4hX", "Xabcdefghijklmnopqrs", 1, 0},
    {six_lines + "\x1b[2;4r\x1b[4;1H\n\nX", "1|4||X|5|6", 1, 3},   // a region scrolls alone
    {six_lines + "\x1b[2;4r\x1b[6;1H\nX", "1|2|3|4|5|X", 1, 5},    // below it nothing scrolls
    {six_lines + "\x1b[2;4r\x1b[r\x1b[6;1H\nX", "2|3|4|5|6|X", 1, 5},
    {six_lines + "\x1b[5;2r\x1b[6;1H\nX", "2|3|4|5|6|X", 1, 5},    // an inverted region is the screen
    // Private modes.
    {"abc\x1b[2;3H\x1b[?1049hXYZ\x1b[5;5H\x1b[?1049l", "abc", 2, 1}, {"abc\x1b[?1047hXYZ\x1b[?1047l", "abc", 3, 0},
    {"abc\x1b[2;3H\x1b[?47hXYZ\x1b[?47lQ", "abcQ", 4, 0},
    {"\x1b[2;3H\x1b[?1048h\x1b[5;5H\x1b[?1048lX", "|  X", 3, 1},
    {"\x1b[?1049h\x1b[?1049hX\x1b[?1049l\x1b[?1049lY", "Y", 1, 0},
    {"\x1b[>1;2cX\x1b[5nY\x1b[2 qZ\x1b[?12hW", "XYZW", 4, 0},
    // SGR, checked at the cell of "A".
    sgr("1;31", 0x0C), sgr("7", 0x70), sgr("1;31m\x1b[0", 0x07), sgr("31m\x1b[", 0x07), sgr("101", 0xC7),
    sgr("4", 0x87), sgr("4;24;7;27;1;22", 0x07), sgr("92;44", 0x1A), sgr("31;39;44;49;10", 0x07), sgr("34;7", 0x10),
    sgr("38;5;1", 0x04), sgr("38;5;4", 0x01),  // neither bold nor underlined
    sgr("38;5;196;48;5;21", 0x9C), sgr("38;2;255;255;0;1", 0x0E), sgr("48;2;0;0;0;38;5;250", 0x07), sgr("38;5", 0x07),
    sgr("1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;31", 0xF8),  // the 17th is dropped
    {"\x1b[1\x1b[31mA", "A", 1, 0, 0, 0, 0x04},
    {"ab\x1b[44m\x1b[2J", "", 2, 0, 5, 5, 0x17},                   // erasing in the attribute
    {"\x1b[41m\n", "", 0, 1, 0, 0, 0x07},
    {six_lines + "\x1b[41m\n", "2|3|4|5|6", 1, 5, 0, 5, 0x47},
    // Sequences longer than the pending cap are dropped whole.
    {"a\x1b]8;;" + std::string(5000, 'u') + "\ab", "ab", 2, 0},
    {"a\x1b[" + std::string(5000, '1') + "mb", "ab", 2, 0, 1, 0, 0x07},
    {"a\x1b]8;;" + std::string(5000, 'u') + "\x1b\\b", "ab", 2, 0},
};

void feed(CAnsiTerminalEmulator& t, const std::string& s, size_t from, size_t to)
{
    t.WriteOutput(s.data() + from, to - from);
}

}

TEST(AnsiTerminal, ByteScripts)
{
    for (const Script& s : scripts) {
        auto t = fresh_terminal();
        feed(*t, s.bytes, 0, s.bytes.size());
        SCOPED_TRACE(testing::PrintToString(s.bytes));
        EXPECT_EQ(rows(), s.screen);
        EXPECT_EQ(t->CursorColumn(), s.x);
        EXPECT_EQ(t->CursorLine(), s.y);
        EXPECT_EQ(t->PendingLength(), 0u);
        if (s.ax >= 0) {
            EXPECT_EQ(console.Cell(s.ax, s.ay).attr, s.attr);
        }
    }
}

// Output arrives cut anywhere: every split of a script, and one byte at a
// time, must leave the same screen, cursor and region.
TEST(AnsiTerminal, SplitAnywhereGivesTheSameResult)
{
    for (const Script& s : scripts) {
        auto whole = fresh_terminal();
        feed(*whole, s.bytes, 0, s.bytes.size());
        Outcome expected = outcome(*whole);
        whole.reset();
        // The long ones only byte by byte.
        for (size_t k = 1; k < s.bytes.size() && s.bytes.size() <= 300; k++) {
            auto t = fresh_terminal();
            feed(*t, s.bytes, 0, k);
            feed(*t, s.bytes, k, s.bytes.size());
            ASSERT_TRUE(outcome(*t) == expected) << testing::PrintToString(s.bytes) << " split at " << k;
        }
        auto t = fresh_terminal();
        for (size_t k = 0; k < s.bytes.size(); k++) {
            feed(*t, s.bytes, k, k + 1);
            ASSERT_LE(t->PendingLength(), CAnsiTerminalEmulator::MaxPending);
        }
        ASSERT_TRUE(outcome(*t) == expected) << testing::PrintToString(s.bytes) << " byte by byte";
    }
}

TEST(AnsiTerminal, CursorAndItsTypeReachTheConsoleAtTheEndOfAChunk)
{
    auto t = fresh_terminal();
    t->WriteOutput("\x1b[?25l01234567890123456789", 26);
    int x, y;
    console.GetCursorPos(x, y);
    EXPECT_EQ(x, Columns - 1) << "a filled line shows the cursor on its last cell";
    EXPECT_EQ(y, 0);
    EXPECT_EQ(console.GetCursorType(), 0);
    t->WriteOutput("\x1b[?25h\x1b[3;4H", 12);
    console.GetCursorPos(x, y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(console.GetCursorType(), 15);
    t->WriteOutput("\x1b[?1h", 5);
    EXPECT_TRUE(t->ApplicationCursorKeys());
}

TEST(AnsiTerminal, EndingOnTheAlternateScreenRestoresTheNormalOne)
{
    auto t = fresh_terminal();
    const char text[] = "shell\r\n\x1b[?1049h\x1b[44m\x1b[2Jfull screen";
    t->WriteOutput(text, sizeof text - 1);
    EXPECT_TRUE(t->AlternateScreen());
    EXPECT_EQ(rows(), "full screen");
    t.reset();
    EXPECT_EQ(rows(), "shell");
    EXPECT_EQ(console.Cell(10, 3).attr, 0x07);
}

TEST(AnsiTerminal, ResizeFollowsTheConsoleAndTellsThePty)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);

    console.SetSize(Columns, Lines, Estring(), 0);
    console.SetCursorPos(0, 0);
    install_terminal_emulator();
    console.SetPty(master);
    terminal_factory = nullptr;
    struct winsize ws = {};
    ASSERT_EQ(ioctl(slave, TIOCGWINSZ, &ws), 0);
    EXPECT_EQ(ws.ws_col, Columns);
    EXPECT_EQ(ws.ws_row, Lines);

    const char text[] = "\x1b[2;4r\x1b[6;20Hx";
    console.Write(text, sizeof text - 1);
    console.SetSize(132, 10, Estring(), 0);
    ASSERT_EQ(ioctl(slave, TIOCGWINSZ, &ws), 0);
    EXPECT_EQ(ws.ws_col, 132);
    EXPECT_EQ(ws.ws_row, 10);
    // The region is the new screen: a LF on its last line scrolls.
    const char more[] = "\x1b[10;1Hlast\n";
    console.Write(more, sizeof more - 1);
    EXPECT_EQ(screen_text(console, 8, 0, 4), "last");
    console.SetSize(10, 3, Estring(), 0);
    const char tail[] = "\rabc";
    console.Write(tail, 4);
    EXPECT_EQ(screen_text(console, 2, 0, 3), "abc") << "the cursor was kept on the smaller screen";
    console.EndPty();
    close(slave);
    close(master);
}

// Random bytes, with the bytes of sequences made likely, in random chunks:
// the cursor and the region stay on the screen and what is held for the
// next chunk stays under its cap. The fuzz target checks the same.
TEST(AnsiTerminal, RandomBytesKeepTheStateOnTheScreen)
{
    static const char alphabet[] = "\x1b\x1b\x1b[[[]()0B;;;?>\a\b\t\n\r\x18\x1a 0123456789"
                                   "@ABCDGHJKLMPSTXbdhlmr78=M\\\xc3\xa4\x9c\xe2\xff\x80";
    unsigned seed = 20240601;
    auto next = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    auto t = fresh_terminal();
    std::string chunk;
    for (int round = 0; round < 20000; round++) {
        chunk.clear();
        for (unsigned i = 0, n = next(64); i < n; i++)
            chunk += next(4) ? alphabet[next(sizeof alphabet - 1)] : static_cast<char>(next(256));
        t->WriteOutput(chunk.data(), chunk.size());
        ASSERT_GE(t->CursorColumn(), 0);
        ASSERT_LE(t->CursorColumn(), Columns);
        ASSERT_GE(t->CursorLine(), 0);
        ASSERT_LT(t->CursorLine(), Lines);
        ASSERT_LE(0, t->ScrollTop());
        ASSERT_LE(t->ScrollTop(), t->ScrollBottom());
        ASSERT_LT(t->ScrollBottom(), Lines);
        ASSERT_LE(t->PendingLength(), CAnsiTerminalEmulator::MaxPending + 4);
        int x, y;
        console.GetCursorPos(x, y);
        ASSERT_TRUE(x >= 0 && x < Columns && y >= 0 && y < Lines);
        if (round % 5000 == 4999) {
            t.reset();  // leaves an alternate screen behind cleanly
            t = fresh_terminal();
        }
    }
}
