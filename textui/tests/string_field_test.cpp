#include "textui/string_field.h"

#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "textui/textui_settings.h"

#include <gtest/gtest.h>

namespace {

constexpr int CTRL_C = 0x03, CTRL_Q = 0x11, CTRL_V = 0x16, CTRL_X = 0x18;
constexpr int SHIFT = KEY_SHIFT_FLAG;

class StringFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetSize(80, 25, Estring(), 0);
        console.SetDisplay(&display);
        textui_settings.brief_word_right = &brief;
        *field_history = CFieldHistory();
    }
    void TearDown() override
    {
        script_keys(console, {}, 0);
        console.SetDisplay(nullptr);
    }

    // Types keys into a field holding text; Escape ends the dialog.
    Westring edit(const wchar_t* text, int max_length, const std::vector<int>& keys)
    {
        Westring s = text;
        Dialog d(-1, -2, 40, 6, 0x70);
        d.AddStringField(1, 1, 1, s, 20, max_length);
        script_keys(console, keys, KEY_ESC);
        EXPECT_EQ(d.Process(), RESULT_CANCEL);
        return s;
    }

    CRecordingDisplay display;
    bool brief = true;
};

}

TEST_F(StringFieldTest, Editing)
{
    const struct { const wchar_t* text; std::vector<int> keys; const wchar_t* result; } rows[] = {
        {L"old", {'n', 'e', 'w'}, L"new"},                    // the first key replaces the text
        {L"old", {KEY_END, 'x'}, L"oldx"},
        {L"abc", {KEY_BACKSPACE, 'x'}, L"abx"},               // any other key first keeps it
        {L"", {'a', CTRL_Q, 0x01, 'b'}, L"a\x01" L"b"},        // Ctrl+Q: a control character
        {L"one two three", {KEY_HOME, KEY_CTRL_RIGHT, 'X'}, L"oneX two three"},
        {L"one two three", {KEY_END, KEY_CTRL_LEFT, 'X'}, L"one two Xthree"},
        {L"hello world", {KEY_HOME, KEY_RIGHT | SHIFT, KEY_RIGHT | SHIFT, 'J'}, L"Jllo world"},
        {L"abcdef", {KEY_HOME, KEY_RIGHT, KEY_END | SHIFT, KEY_DEL}, L"a"},
        {L"abcdef", {KEY_END, KEY_LEFT | SHIFT, KEY_LEFT, 'x'}, L"abcdxef"},  // a plain move drops it
        {L"one two three", {KEY_END, KEY_CTRL_BACKSPACE}, L"one two "},
        {L"one two three", {KEY_HOME, KEY_CTRL_DEL}, L" two three"},
        {L"hello world", {KEY_HOME, KEY_CTRL_RIGHT | SHIFT, CTRL_X, KEY_END, CTRL_V}, L" worldhello"},
        {L"abc", {KEY_HOME, KEY_RIGHT | SHIFT, CTRL_C, KEY_END, KEY_INS | SHIFT}, L"abca"},
        {L"abc", {KEY_HOME, KEY_RIGHT | SHIFT, KEY_DEL | SHIFT, KEY_END, CTRL_V}, L"bca"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(edit(r.text, -1, r.keys).c_str(), r.result) << r.text << " with " << r.keys.size() << " keys";
}

TEST_F(StringFieldTest, WordRightFollowsTheSetting)
{
    EXPECT_EQ(WordRight(L"one two"), 3);
    EXPECT_EQ(WordRight(L"  two"), 5);
    brief = false;
    EXPECT_EQ(WordRight(L"one two"), 4);
    EXPECT_EQ(WordRight(L"one"), 3);
    EXPECT_STREQ(edit(L"one two three", -1, {KEY_HOME, KEY_CTRL_RIGHT, 'X'}).c_str(), L"one Xtwo three");
}

TEST_F(StringFieldTest, HistoryListAndSaving)
{
    field_history->Add(HistorySearch, L"first");
    field_history->Add(HistorySearch, L"second");
    Westring s = L"typed";
    {
        Dialog d(-1, -2, 40, 6, 0x70);
        d.AddStringField(1, 1, 1, s, 20, -1, HistorySearch);
        // The list opens on the newest entry; Up picks the older one.
        script_keys(console, {KEY_ALT_DOWN, KEY_UP, KEY_RETURN, KEY_RETURN}, KEY_ESC);
        EXPECT_EQ(d.Process(), RESULT_ACCEPT);
        EXPECT_STREQ(s.c_str(), L"first");
    }
    const TObjectStore<Westring>& h = field_history->Entries(HistorySearch);
    ASSERT_EQ(h.count, 2);
    EXPECT_STREQ(h.At(1)->c_str(), L"first") << "kept on leaving the dialog";
}
