#include "console/colours.h"
#include "editor/file_status_store.h"
#include "editor/search_settings.h"
#include "tests/screen/screen_helpers.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

std::string hex(const std::string& s)
{
    std::string out;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    return out;
}

// F3, the target's name, more keys, Enter: Save As.
std::vector<int> save_as(const std::string& target, std::vector<int> more = {})
{
    more.push_back(KEY_RETURN);
    return typed({F(3)}, target, more);
}

class EditorScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.empty() || conf.path.empty());
        settings("");
        word = L"";
        replaceWord = L"";
        casesense = reverse = wholeWord = 0;
        fileStatusStore.Clear();
    }
    void TearDown() override { fileStatusStore.Clear(); }

    std::string write(const std::string& name, const std::string& bytes)
    {
        write_file(dir + "/" + name, bytes);
        return dir + "/" + name;
    }
    static std::string read(const std::string& path) { return read_file(path); }
    // The settings (and syntax.ini) live apart from the files edited.
    void settings(const std::string& lines)
    {
        write_file(ini, "[General Options]\nAutoIndent=off\nOverStrike=off\nXClipboard=off\n" + lines);
    }
    PX_RUN edit(const std::string& file, std::vector<ScreenStep> steps)
    {
        return run_px({ini.c_str(), "-e", file.c_str()}, std::move(steps));
    }

    ScratchDir files{"pxes."}, conf{"pxec."};
    std::string dir = files.path, ini = conf.sys("px.ini");
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
                    EXPECT_EQ(cursor_at(), "9,2");
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
                    EXPECT_EQ(cursor_at(), "2,1");
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
    write_file(conf.sys("syntax.ini"), "[C:*.c]\nblockcomment : bright green : /* : */\n");
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

namespace {

// What iconv makes of text (UTF-8) in encoding to.
std::string iconv_to(const std::string& dir, const std::string& text, const std::string& to)
{
    write_file(dir + "/iconv.in", text);
    std::string out;
    if (FILE* p = popen(("iconv -f UTF-8 -t " + to + " '" + dir + "/iconv.in'").c_str(), "r")) {
        char b[4096];
        size_t n;
        while ((n = std::fread(b, 1, sizeof b, p)) > 0)
            out.append(b, n);
        pclose(p);
    }
    return out;
}

}

TEST_F(EditorScreen, SavingUnchangedGivesTheSameBytes)
{
    const struct { const char* what; std::string bytes; bool warns; } rows[] = {
        {"UTF-8", "h\xC3\xA9llo\nw\xC3\xB6rld\n", false},
        {"UTF-8 with BOM", "\xEF\xBB\xBFh\xC3\xA9llo\n", false},
        {"UTF-16LE", std::string("\xFF\xFEh\0i\0\n\0", 8), false},
        {"UTF-16BE", std::string("\xFE\xFF\0h\0i\0\n", 8), false},
        {"UTF-32LE", std::string("\xFF\xFE\0\0h\0\0\0\n\0\0\0", 12), false},
        {"UTF-32BE", std::string("\0\0\xFE\xFF\0\0\0h\0\0\0\n", 12), false},
        {"CP1252", "caf\xE9 \x80 \x97\r\n", false},
        {"CP866", "\x8F\xE0\xA8\xA2\xA5\xE2\n", false},
        {"CP1251 read as another code page", "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\n", false},
        {"CR LF", "one\r\ntwo\r\n", false},
        {"mixed line ends", "a\r\nb\nc\rd\n\re", false},
        {"CR only", "a\rb\rc\r", false},
        {"no final line end", "last", false},
        {"empty", "", false},
        {"NUL bytes", std::string("a\0b\nc\0\n", 7), false},
        {"invalid UTF-8 after 40 KiB", std::string(40960, 'x') + "\nbad \xFF\xFE here\xC3\n", true},
    };
    for (const auto& r : rows) {
        std::string file = write("same", r.bytes);
        bool warned = false;
        // Escape leaves the warning, when there is one.
        edit(file, {CHECK([&] {
                        warned = screen_row_of("Warning: Invalid encoding found on 1 lines. Saving this file will cause") >= 0;
                        if (warned)
                            console.Queue().Put({CConsole::EvKey, KEY_ESC, 0, 0, 0, 0});
                    }),
                    KEYS({F(2), KEY_ESC}), EXITS()});
        EXPECT_EQ(warned, r.warns) << r.what;
        EXPECT_EQ(hex(read(file)), hex(r.bytes)) << r.what;
        fileStatusStore.Clear();
    }
}

TEST_F(EditorScreen, AltUSetsEveryLineEnd)
{
    std::string file = write("ends", "a\r\nb\nc\rd\r\n");
    edit(file, {KEYS({KEY_ALT_U}), CHECK([] { EXPECT_EQ(row(0).substr(34, 5), " U * "); }),
                KEYS({F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "a\nb\nc\nd\n");
    edit(file, {KEYS({KEY_ALT_U, F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "a\r\nb\r\nc\r\nd\r\n");
}

TEST_F(EditorScreen, SaveAsWritesWhatIconvWrites)
{
    const std::string text = "h\xC3\xA9llo w\xC3\xB6rld \xE2\x82\xAC\nzweite Zeile\n";
    const struct { const char* what; std::vector<int> keys; std::string mark; const char* iconv; } rows[] = {
        {"UTF-16LE", {KEY_ALT_1 + 5}, "\xFF\xFE", "UTF-16LE"},
        {"UTF-16BE", {KEY_ALT_1 + 5, KEY_ALT_E}, "\xFE\xFF", "UTF-16BE"},
        {"UTF-32LE", {KEY_ALT_1 + 2}, std::string("\xFF\xFE\0\0", 4), "UTF-32LE"},
        {"UTF-32BE", {KEY_ALT_1 + 2, KEY_ALT_E}, std::string("\0\0\xFE\xFF", 4), "UTF-32BE"},
        {"UTF-16LE without a mark", {KEY_ALT_1 + 5, KEY_ALT_B}, "", "UTF-16LE"},
        {"CP1252", {KEY_ALT_C, KEY_ALT_P, '1', '2', '5', '2'}, "", "CP1252"},
    };
    for (const auto& r : rows) {
        std::string file = write("source.txt", text);
        std::string target = dir + "/target";
        edit(file, {KEYS(save_as(target, r.keys)),
                    CHECK([&] { EXPECT_NE(row(0).find("target"), std::string::npos) << r.what; }), KEYS({KEY_ESC}),
                    EXITS()});
        EXPECT_EQ(hex(read(target)), hex(r.mark + iconv_to(dir, text, r.iconv))) << r.what;
        EXPECT_EQ(read(file), text) << r.what;
        std::remove(target.c_str());
        fileStatusStore.Clear();
    }
}

TEST_F(EditorScreen, AstralCharactersBecomeSurrogatePairs)
{
    std::string target = dir + "/smile16";
    edit(write("smile", "\xF0\x9F\x98\x80\n"), {KEYS(save_as(target, {KEY_ALT_1 + 5})), KEYS({KEY_ESC}), EXITS()});
    EXPECT_EQ(hex(read(target)), "FF FE 3D D8 00 DE 0A 00 ");
    // Typed, too: beyond U+FFFF is a character like any other.
    std::string typed = write("typed", "");
    edit(typed, {KEYS({0x1F600, F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(typed), "\xF0\x9F\x98\x80");
}

TEST_F(EditorScreen, CharactersTheCodePageLacksAreListedFirst)
{
    // Latin-1 has no dash: saving asks, Cancel writes nothing, Replace
    // writes "?".
    std::string file = write("latin1", "a\xE9z\n");
    edit(file, {KEYS({KEY_RIGHT, 0x2014, F(2)}), CHECK([&] {
                    int y = screen_row_of(" Encoding ");
                    ASSERT_GE(y, 0);
                    EXPECT_NE(row(y + 1).find("1 characters cannot be saved as CP819:"), std::string::npos) << row(y + 1);
                    EXPECT_NE(row(y + 2).find("—"), std::string::npos);
                    EXPECT_NE(row(y + 3).find("line 1"), std::string::npos);
                    EXPECT_EQ(colours(y + 1, 40, 1), "e");
                }),
                KEYS({KEY_RETURN}), CHECK([&] {
                    EXPECT_EQ(read(file), "a\xE9z\n");
                    EXPECT_EQ(row(0).substr(34, 5), " U * ");
                }),
                KEYS({F(2), 'r', KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "a?\xE9z\n");
}

TEST_F(EditorScreen, SaveAsOverAnotherFileAsksFirst)
{
    std::string file = write("mine.txt", "mine\n");
    std::string other = write("other.txt", "other\n");
    edit(file, {KEYS({'x'}), KEYS(save_as(other)), CHECK([] { EXPECT_GE(screen_row_of("File exists. Overwrite?"), 0); }),
                // No: the other file is left as it was, the dialog again.
                KEYS({KEY_ESC}), CHECK([&] {
                    EXPECT_EQ(read(other), "other\n");
                    EXPECT_GE(screen_row_of(" Save As "), 0);
                }),
                KEYS({KEY_ESC, KEY_ESC, 'd'}), EXITS()});
    EXPECT_EQ(read(other), "other\n");
    EXPECT_EQ(read(file), "mine\n");
}

TEST_F(EditorScreen, AFileChangedOnDiskIsCaughtEvenWhenOlder)
{
    std::string file = write("changed", "text\n");
    auto older = [&] {
        // Put back from an older copy: same size, an earlier time.
        std::ofstream(file, std::ios::binary) << "TEXT\n";
        struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    };
    edit(file, {CHECK(older), KEYS({'x', F(2)}), CHECK([] {
                    EXPECT_GE(screen_row_of("File has been modified since it was loaded. Overwrite anyway?"), 0);
                }),
                KEYS({KEY_ESC}), CHECK([&] { EXPECT_EQ(read(file), "TEXT\n"); }),
                KEYS({F(2), KEY_RETURN, KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "xtext\n");
}

TEST_F(EditorScreen, UndoSurvivesReopeningButNotAnOutsideChange)
{
    std::string file = write("hist", "abc\n");
    edit(file, {KEYS({KEY_END, 'x', 'y', F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "abcxy\n");
    edit(file, {CHECK([] { EXPECT_EQ(row(0).substr(34, 20), " U    Line 1     Col"); }),
                KEYS({KEY_ALT_BACKSPACE}), CHECK([] { EXPECT_EQ(text_row(0), pad("abcx", 80)); }),
                KEYS({KEY_ALT_BACKSPACE | KEY_SHIFT_FLAG}), CHECK([] { EXPECT_EQ(text_row(0), pad("abcxy", 80)); }),
                KEYS({KEY_ESC, 'd'}), EXITS()});
    // Left with Discard: the history is as it was before that run.
    edit(file, {KEYS({KEY_ALT_BACKSPACE}), CHECK([] { EXPECT_EQ(text_row(0), pad("abcx", 80)); }),
                KEYS({KEY_ESC, 'd'}), EXITS()});
    // Changed outside: the old history would garble the new text.
    std::ofstream(file, std::ios::binary) << "new text\n";
    edit(file, {KEYS({KEY_ALT_BACKSPACE, KEY_ALT_BACKSPACE}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("new text", 80));
                    EXPECT_EQ(row(0).substr(34, 5), " U   ");
                }),
                KEYS({KEY_ESC}), EXITS()});
}

TEST_F(EditorScreen, AFullDiskLeavesTheFileWholeUntilThereIsRoom)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    std::string mnt = dir + "/small";
    ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=12m") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    std::string original;
    for (int i = 0; original.size() < 5000000; i++)
        original += "line " + std::to_string(i) + " of the text that fills the file\n";
    std::string file = mnt + "/big.txt";
    std::ofstream(file, std::ios::binary) << original;
    std::string filler = mnt + "/filler";
    auto fill = [&] {
        // What is left is less than a second copy of the text.
        std::ofstream(filler, std::ios::binary) << std::string(12 * 1024 * 1024 - original.size() - 2 * 1024 * 1024, 'f');
    };
    edit(file, {CHECK(fill), KEYS({'x', F(2)}), CHECK([&] {
                    int y = screen_row_of("Error writing text file: No space left on device");
                    EXPECT_GE(y, 0);
                    EXPECT_EQ(read(file), original);
                    EXPECT_EQ(names_in(mnt), "big.txt filler") << "no temporary file is left";
                }),
                KEYS({KEY_ESC}), CHECK([&] {
                    EXPECT_EQ(row(0).substr(34, 5), " U * ");
                    std::remove(filler.c_str());
                }),
                KEYS({F(2), KEY_ESC}), EXITS()});
    EXPECT_EQ(read(file), "x" + original);
    umount2(mnt.c_str(), MNT_DETACH);
}

TEST_F(EditorScreen, SavingKeepsLinksModesAndOwners)
{
    std::string target = write("target.txt", "old\n");
    std::string link = dir + "/link.txt";
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    edit(link, {KEYS({'a', F(2), KEY_ESC}), EXITS()});
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read(target), "aold\n");

    std::string script = write("run.sh", "#!/bin/sh\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    edit(script, {KEYS({KEY_CTRL_PGDN, 'e', 'x', 'i', 't', F(2), KEY_ESC}), EXITS()});
    ASSERT_EQ(stat(script.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(read(script), "#!/bin/sh\nexit");

    // Read-only, saved with override: still read-only afterwards.
    std::string locked = write("locked.txt", "locked\n");
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    if (geteuid() == 0)
        edit(locked, {KEYS({'z', F(2), KEY_ESC}), EXITS()});
    else
        edit(locked, {KEYS({'z', F(2)}), CHECK([] { EXPECT_GE(screen_row_of("File is Read Only, override?"), 0); }),
                      KEYS({KEY_RETURN, KEY_ESC}), EXITS()});
    ASSERT_EQ(stat(locked.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(read(locked), "zlocked\n");

    if (geteuid() == 0) {
        std::string theirs = write("theirs.txt", "theirs\n");
        ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
        edit(theirs, {KEYS({'y', F(2), KEY_ESC}), EXITS()});
        ASSERT_EQ(stat(theirs.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
        EXPECT_EQ(read(theirs), "ytheirs\n");
    }
}

TEST_F(EditorScreen, NineMillionLinesLoadAndSave)
{
    std::string file = dir + "/seq";
    ASSERT_EQ(std::system(("seq 9000000 > '" + file + "'").c_str()), 0);
    edit(file, {KEYS({KEY_CTRL_PGDN}), CHECK([] { EXPECT_EQ(row(0).substr(34, 20), " U    Line 9000001 C"); }),
                KEYS({KEY_UP, KEY_END, '!', F(2), KEY_ESC}), EXITS()});
    std::string text = read(file);
    EXPECT_EQ(text.size(), 70888897u);
    EXPECT_EQ(text.substr(text.size() - 17), "8999999\n9000000!\n");
}
