#include "config/config.h"
#include "console/colours.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "editor/file_status_store.h"
#include "editor/search_settings.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr int F(int n)
{
    return KEY_F1 + n - 1;
}

std::string pad(const std::string& s, size_t width)
{
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

// Row y of the text area (screen row y + 1).
std::string text_row(int y)
{
    return row(y + 1);
}

// One letter per colour: the text, the status line, a selection, the
// error and message boxes.
std::string colours(int y, int x = 0, int width = -1)
{
    const unsigned char* c = config.Colours;
    return screen_attrs(console, y,
                        {{c[ColourFileViewer], '.'}, {c[ColourMenu], 'm'}, {c[ColourHighlight], 'h'},
                         {c[ColourErrors], 'e'}, {c[ColourMessages], 'g'}},
                        x, width);
}

class EditorScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxes.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        char conf[] = "/tmp/pxec.XXXXXX";
        ASSERT_NE(mkdtemp(conf), nullptr);
        confdir = conf;
        settings("");
        word = L"";
        replaceWord = L"";
        casesense = reverse = wholeWord = 0;
        fileStatusStore.Clear();
    }
    void TearDown() override
    {
        fileStatusStore.Clear();
        std::system(("rm -rf '" + dir + "' '" + confdir + "'").c_str());
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string read(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    void settings(const std::string& lines)
    {
        ini = configure("px.ini", "[General Options]\nAutoIndent=off\nOverStrike=off\nXClipboard=off\n" + lines);
    }
    std::string configure(const std::string& name, const std::string& text)
    {
        std::string path = confdir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    PX_RUN edit(const std::string& file, std::vector<ScreenStep> steps)
    {
        return run_px({ini.c_str(), "-e", file.c_str()}, std::move(steps));
    }

    std::string dir, confdir, ini;
};

}

TEST_F(EditorScreen, StatusLineAndKeyBarCellExact)
{
    std::string file = write("notes.txt", "alpha\nbeta\tx\n");
    edit(file, {CHECK([&] {
                    EXPECT_EQ(row(0), pad("Edit: " + file, 34) + " U    Line 1     Col 1     97 x61     UTF-8   ");
                    EXPECT_EQ(colours(0), std::string(80, 'm'));
                    EXPECT_EQ(text_row(0), pad("alpha", 80));
                    EXPECT_EQ(text_row(1), pad("beta    x", 80));
                    EXPECT_EQ(text_row(2), pad("", 80));
                    EXPECT_EQ(row(24), "1Help   2Save   3SaveAs 4Cut    5Copy   6Paste  7Search 8Rplace         10Quit  ");
                    EXPECT_EQ(console.GetCursorType(), 15);
                }),
                // The tab is one character of eight columns; EOL at the end.
                KEYS({KEY_DOWN, KEY_END}), CHECK([&] {
                    EXPECT_EQ(row(0).substr(34), " U    Line 2     Col 10   EOL         UTF-8   ");
                    int x, y;
                    console.GetCursorPos(x, y);
                    EXPECT_EQ(x, 9);
                    EXPECT_EQ(y, 2);
                }),
                KEYS({KEY_LEFT, KEY_LEFT}), CHECK([&] {
                    EXPECT_EQ(row(0).substr(34), " U    Line 2     Col 5      9 x09     UTF-8   ");
                }),
                KEYS({KEY_INS, KEY_ALT_I}), CHECK([&] {
                    EXPECT_EQ(console.GetCursorType(), 80);
                    EXPECT_EQ(row(0).substr(34, 5), " UI  ");
                }),
                KEYS({KEY_INS, KEY_ESC}), EXITS()});
}

TEST_F(EditorScreen, TypingSelectingPastingAndUndoAsCells)
{
    std::string file = write("a.txt", "one\ntwo\nthree\n");
    edit(file, {KEYS({'X', 'y'}), CHECK([&] {
                    EXPECT_EQ(text_row(0), pad("Xyone", 80));
                    EXPECT_EQ(row(0).substr(34, 5), " U * ");
                    int x, y;
                    console.GetCursorPos(x, y);
                    EXPECT_EQ(x, 2);
                }),
                // Shift+Down twice from column 2: a stream over lines.
                KEYS({KEY_DOWN | KEY_SHIFT_FLAG, KEY_DOWN | KEY_SHIFT_FLAG}), CHECK([&] {
                    EXPECT_EQ(colours(1), ".." + std::string(78, 'h'));
                    EXPECT_EQ(colours(2), std::string(80, 'h'));
                    EXPECT_EQ(colours(3), "hh" + std::string(78, '.'));
                }),
                // Cut, then paste at the end of the text.
                KEYS({0x18}), CHECK([&] {
                    EXPECT_EQ(text_row(0), pad("Xyree", 80));
                    EXPECT_EQ(colours(1), std::string(80, '.'));
                }),
                KEYS({KEY_CTRL_PGDN, 0x16}), CHECK([&] {
                    EXPECT_EQ(text_row(0), pad("Xyree", 80));
                    EXPECT_EQ(text_row(1), pad("one", 80));
                    EXPECT_EQ(text_row(2), pad("two", 80));
                    EXPECT_EQ(text_row(3), pad("th", 80));
                }),
                // Undo the paste and the cut: the text is back.
                KEYS({KEY_ALT_BACKSPACE, KEY_ALT_BACKSPACE, KEY_ALT_BACKSPACE}), CHECK([&] {
                    EXPECT_EQ(text_row(0), pad("Xyone", 80));
                    EXPECT_EQ(text_row(1), pad("two", 80));
                    EXPECT_EQ(text_row(2), pad("three", 80));
                }),
                KEYS({F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "Xyone\ntwo\nthree\n");
}

TEST_F(EditorScreen, SyntaxColoursFollowTyping)
{
    configure("syntax.ini", "[C:*.c]\nblockcomment : bright green : /* : */\n");
    std::string file = write("x.c", "int a;\nint b;\n*/ c;\n");
    auto comment = [](int y, int n) {
        const unsigned char* c = config.Colours;
        return screen_attrs(console, y + 1, {{c[ColourFileViewer], '.'}, {0x1A, 'c'}}, 0, n);
    };
    edit(file, {CHECK([&] { EXPECT_EQ(comment(0, 6), "......"); }),
                // Opening a comment on the first line colours the lines
                // below it up to the close.
                KEYS({'/', '*'}), CHECK([&] {
                    EXPECT_EQ(comment(0, 8), "cccccccc");
                    EXPECT_EQ(comment(1, 6), "cccccc");
                    EXPECT_EQ(comment(2, 5), "cc...");
                }),
                KEYS({KEY_ALT_H}), CHECK([&] { EXPECT_EQ(comment(1, 6), "......"); }),
                KEYS({KEY_ALT_H, KEY_ALT_BACKSPACE, KEY_ALT_BACKSPACE}), CHECK([&] {
                    EXPECT_EQ(text_row(0), pad("int a;", 80));
                    EXPECT_EQ(comment(1, 6), "......");
                }),
                KEYS({KEY_ESC, 'd'}), EXITS()});
}

TEST_F(EditorScreen, LeavingWithChangesAsks)
{
    std::string file = write("b.txt", "keep\n");
    edit(file, {KEYS({'z', KEY_ESC}), CHECK([&] {
                    int y = screen_row_of("There are unsaved changes");
                    ASSERT_GT(y, 0);
                    EXPECT_NE(row(y + 5).find("[ Save ]"), std::string::npos);
                    EXPECT_NE(row(y + 5).find("[ Discard ]"), std::string::npos);
                    EXPECT_NE(row(y + 5).find("[ Edit ]"), std::string::npos);
                }),
                // Edit goes back; Discard leaves the file alone.
                KEYS({'e'}), CHECK([&] { EXPECT_EQ(text_row(0), pad("zkeep", 80)); }),
                KEYS({KEY_ESC, 'd'}), EXITS()});
    EXPECT_EQ(read(file), "keep\n");
    edit(file, {KEYS({'q', KEY_F10, 's'}), EXITS()});
    EXPECT_EQ(read(file), "qkeep\n");
}

TEST_F(EditorScreen, GotoLineSearchAndReplaceDialogs)
{
    std::string text;
    for (int i = 1; i <= 60; i++)
        text += "line " + std::to_string(i) + "\n";
    std::string file = write("c.txt", text);
    edit(file, {KEYS({KEY_ALT_L}), CHECK([&] {
                    int y = screen_row_of("Line to go to:");
                    ASSERT_GT(y, 0);
                    EXPECT_NE(row(y + 1).find("1-61"), std::string::npos);
                    EXPECT_NE(row(y - 2).find(" Goto Line "), std::string::npos);
                }),
                KEYS({'4', '0', KEY_RETURN}), CHECK([&] { EXPECT_EQ(row(0).substr(34, 20), " U    Line 40    Col"); }),
                KEYS({F(7)}), CHECK([&] {
                    int y = screen_row_of("Search for:");
                    ASSERT_GT(y, 0);
                    EXPECT_NE(row(y + 1).find("Case Sensitive"), std::string::npos);
                }),
                KEYS({'l', 'i', 'n', 'e', ' ', '5', '9', KEY_RETURN}), CHECK([&] {
                    EXPECT_EQ(row(0).substr(34, 20), " U    Line 59    Col");
                }),
                KEYS({KEY_SHIFT_F1 + 6}), CHECK([&] { EXPECT_GT(screen_row_of("String not found"), 0); }),
                KEYS({KEY_ESC, KEY_CTRL_PGUP, F(8)}), CHECK([&] {
                    EXPECT_GT(screen_row_of("Replace with:"), 0);
                }),
                KEYS({0x19, 'l', 'i', 'n', 'e', ' ', '1', KEY_TAB, 'L', KEY_RETURN}), CHECK([&] {
                    int y = screen_row_of(" String Found ");
                    ASSERT_GT(y, 0);
                    std::string buttons = row(y + 2);
                    EXPECT_LT(buttons.find("Replace"), buttons.find("Skip"));
                    EXPECT_LT(buttons.find("Cancel"), buttons.find("All"));
                }),
                KEYS({'a'}), CHECK([&] { EXPECT_GT(screen_row_of("11 replacements"), 0); }),
                KEYS({KEY_ESC, KEY_CTRL_PGUP}), CHECK([&] { EXPECT_EQ(text_row(0), pad("L", 80)); }),
                KEYS({KEY_ALT_BACKSPACE, KEY_ALT_BACKSPACE}), CHECK([&] { EXPECT_EQ(text_row(0), pad("line 1", 80)); }),
                KEYS({KEY_ESC, 'd'}), EXITS()});
}

TEST_F(EditorScreen, NewFileIsOfferedAndSaved)
{
    std::string file = dir + "/new.txt";
    edit(file, {CHECK([&] { EXPECT_GT(screen_row_of("File does not exist, Create?"), 0); }),
                KEYS({KEY_RETURN, 'h', 'i', F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "hi");
}
