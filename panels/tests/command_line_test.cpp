#include "config/command_history.h"
#include "config/config.h"
#include "console/console.h"
#include "console/console_test_support.h"
#include "panels/command_line.h"
#include "panels/startup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        set_config_defaults(config);
        connect_settings();
        console.SetDisplay(&display);
        console.SetSize(80, 25, "", 0);
        history.DestroyAll();
    }
    void TearDown() override
    {
        console.SetDisplay(nullptr);
        history.DestroyAll();
    }
    static std::wstring text(const COMMANDLINE& cl) { return cl.text.c_str(); }

    CRecordingDisplay display;
};

}

TEST_F(CommandLine, PromptAndOffsetAtTheEdges)
{
    COMMANDLINE cl;
    Westring prompt = command_prompt(L"/home/ann");
    EXPECT_STREQ(prompt.c_str(), L"/home/ann>");
    draw_command_line(cl, prompt);
    EXPECT_EQ(screen_text(console, 23), "/home/ann>" + std::string(70, ' '));

    // 100 characters with the cursor at the end: the offset keeps the
    // cursor on the last column.
    cl.text = String(L'x', 90) + L"0123456789";
    cl.cursor = 100;
    draw_command_line(cl, prompt);
    EXPECT_EQ(screen_text(console, 23), "/home/ann>" + std::string(59, 'x') + "0123456789 ");
    int x, y;
    console.GetCursorPos(x, y);
    EXPECT_EQ(x, 79);
    EXPECT_EQ(y, 23);

    // Back at the start the offset follows the cursor.
    cl.cursor = 0;
    draw_command_line(cl, prompt);
    EXPECT_EQ(cl.offset, 0);
    // A cursor past the end is clamped; the offset never shows less than
    // 40 characters of a long line.
    cl.cursor = 500;
    cl.offset = 99;
    draw_command_line(cl, prompt);
    EXPECT_EQ(cl.cursor, 100);
    EXPECT_EQ(cl.offset, 60);

    config.PathPrompt = false;
    EXPECT_STREQ(command_prompt(L"/usr/local/bin/").c_str(), L"bin>");
    EXPECT_STREQ(command_prompt(L"/").c_str(), L"/>");
}

TEST_F(CommandLine, EditingKeys)
{
    COMMANDLINE cl;
    for (wchar_t c : std::wstring(L"cp a  b"))
        cl_insert(cl, c);
    EXPECT_EQ(text(cl), L"cp a  b");
    cl_word_left(cl);
    EXPECT_EQ(cl.cursor, 6);
    cl_word_left(cl);
    EXPECT_EQ(cl.cursor, 3);
    cl_delete_word_right(cl);  // to the start of the next word
    EXPECT_EQ(text(cl), L"cp b");
    cl_move(cl, 4);
    cl_delete_word_left(cl);
    EXPECT_EQ(text(cl), L"cp ");
    cl_backspace(cl);
    cl_move(cl, 0);
    cl_delete(cl);
    EXPECT_EQ(text(cl), L"p");

    cl.text = L"one two three";
    cl.cursor = 0;
    config.BriefWordRight = true;  // to the end of the next word
    cl_word_right(cl);
    EXPECT_EQ(cl.cursor, 3);
    cl_word_right(cl);
    EXPECT_EQ(cl.cursor, 7);
    config.BriefWordRight = false;  // to the start of the next word
    cl_word_right(cl);
    EXPECT_EQ(cl.cursor, 8);
}

TEST_F(CommandLine, TheLengthLimitHoldsForTypingPastingAndCLPaste)
{
    COMMANDLINE cl;
    for (int i = 0; i < 600; i++)
        cl_insert(cl, L'a');
    EXPECT_EQ(cl.text.strlen(), MaxCommandLine - 1);

    cl.text = String(L'a', 500);
    cl.cursor = 500;
    display.clipboard = "0123456789AB\nsecond line";
    EXPECT_FALSE(cl_paste_clipboard(cl));  // 512 would be too long
    display.clipboard = "0123456789A\nsecond line";
    EXPECT_TRUE(cl_paste_clipboard(cl));   // only the first line
    EXPECT_EQ(cl.text.strlen(), 511);

    Westring line = String(L'a', 500);
    int cursor = 0;
    EXPECT_EQ(CLPaste(line, L"0123456789", cursor), 1);  // with its blank: 511
    EXPECT_EQ(cursor, 11);
    EXPECT_EQ(CLPaste(line, L"x", cursor), 0);
    EXPECT_EQ(line.strlen(), 511);

    line = L"ls ";
    cursor = 3;
    CLPaste(line, L"my file!", cursor);
    EXPECT_STREQ(line.c_str(), L"ls my\\ file\\!! ");  // quoted, "!" doubled
    CLPaste(line, L"/tmp/", cursor);
    EXPECT_STREQ(line.c_str(), L"ls my\\ file\\!! /tmp/");  // no blank after "/"

    cl_copy_clipboard(cl);
    EXPECT_EQ(display.clipboard.strlen(), 511);
}

TEST_F(CommandLine, HistoryBrowsingWrapsThroughTheTypedText)
{
    COMMANDLINE cl;
    EXPECT_FALSE(hist_previous(cl));  // nothing to browse
    for (const wchar_t* c : {L"make", L"ls -l", L"git status"})
        add_hist(c);
    cl.text = L"typed";
    cl.cursor = 2;
    const wchar_t* back[] = {L"git status", L"ls -l", L"make", L"typed", L"git status"};
    for (const wchar_t* want : back) {
        hist_previous(cl);
        EXPECT_EQ(text(cl), want);
        EXPECT_EQ(cl.cursor, cl.text.strlen());
    }
    const wchar_t* forward[] = {L"typed", L"make", L"ls -l", L"git status", L"typed"};
    for (const wchar_t* want : forward) {
        hist_next(cl);
        EXPECT_EQ(text(cl), want);
    }
}

TEST_F(CommandLine, PrefixSearchBothWays)
{
    for (const wchar_t* c : {L"gcc a.c", L"ls", L"git log", L"gdb px", L"git diff"})
        add_hist(c);
    COMMANDLINE cl;
    cl.text = L"gi";
    cl.cursor = 2;
    const wchar_t* older[] = {L"git diff", L"git log", L"gi", L"git diff"};
    for (const wchar_t* want : older) {
        EXPECT_TRUE(hist_prefix_search(cl, false));
        EXPECT_EQ(text(cl), want);
        EXPECT_EQ(cl.cursor, 2);  // the cursor stays
    }
    EXPECT_TRUE(hist_prefix_search(cl, true));  // newer, wrapping to the typed text
    EXPECT_EQ(text(cl), L"gi");
    EXPECT_TRUE(hist_prefix_search(cl, true));
    EXPECT_EQ(text(cl), L"git log");

    // The line is cut at the cursor before searching; case counts.
    cl_clear(cl);
    cl.text = L"Gdb and more";
    cl.cursor = 1;
    EXPECT_TRUE(hist_prefix_search(cl, false));
    EXPECT_EQ(text(cl), L"G");
    // Not after a blank or at the start.
    cl.text = L"gdb ";
    cl.cursor = 4;
    EXPECT_FALSE(hist_prefix_search(cl, false));
    cl.cursor = 0;
    EXPECT_FALSE(hist_prefix_search(cl, false));
}
