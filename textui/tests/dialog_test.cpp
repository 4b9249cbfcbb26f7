#include "textui/dialog.h"

#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "textui/list_box.h"
#include "textui/textui_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetSize(80, 25, Estring(), 0);
        console.SetDisplay(&display);
        *field_history = CFieldHistory();
    }
    void TearDown() override
    {
        script_keys(console, {}, 0);
        console.SetDisplay(nullptr);
    }

    CRecordingDisplay display;
};

// A form like the option dialogs: a field, two check boxes, a group of three
// radio buttons and OK/Cancel.
struct Form
{
    Westring text = L"abc";
    char first = 0, second = 1;
    int choice = 1;
    std::vector<int> focus_seen;
};

// Plays the keys, then Enter, to the dialog; its result.
int play(Dialog& d, std::vector<int> keys)
{
    keys.push_back(KEY_RETURN);
    script_keys(console, keys, KEY_ESC);
    return d.Process();
}

int run_form(Form& f, const std::vector<int>& keys, int* last_focus = nullptr)
{
    Dialog d(-1, -2, 50, 12, 0x70);
    d.AddStringField(1, 1, 1, f.text, 20, 40);
    d.AddCheckBox(1, 3, 1, f.first, "_First", 1);
    d.AddCheckBox(1, 4, 1, f.second, "_Second", 1);
    d.AddRadioButton(25, 3, 2, f.choice, 0, "_Zip");
    d.AddRadioButton(25, 4, 0, f.choice, 1, "_Tar");
    d.AddRadioButton(25, 5, 0, f.choice, 2, "_Gzip");
    d.AddOkCancel(10, 8, 1);
    script_keys(console, keys, KEY_ESC);
    int r = d.Process();
    if (last_focus)
        *last_focus = d.Focus();
    return r;
}

}

TEST_F(DialogTest, KeysMoveTheFocusAndSetTheControls)
{
    const struct {
        const char* what;
        std::vector<int> keys;
        int result;
        char first, second;
        int choice;
        int focus;
    } rows[] = {
        {"Enter accepts at once", {KEY_RETURN}, RESULT_ACCEPT, 0, 1, 1, 0},
        {"Esc cancels", {KEY_ESC}, RESULT_CANCEL, 0, 1, 1, 0},
        {"Tab, Space toggles the first box", {KEY_TAB, ' ', KEY_RETURN}, RESULT_ACCEPT, 1, 1, 1, 1},
        {"Insert sets, Delete clears", {KEY_TAB, KEY_INS, KEY_INS, KEY_TAB, KEY_DEL, KEY_RETURN},
         RESULT_ACCEPT, 1, 0, 1, 2},
        // Tab enters the radio group at the selected button, not its first.
        {"Tab lands on the selected radio", {KEY_TAB, KEY_TAB, KEY_TAB, KEY_RETURN}, RESULT_ACCEPT, 0, 1, 1, 4},
        {"arrows move the choice", {KEY_TAB, KEY_TAB, KEY_TAB, KEY_DOWN, KEY_RETURN}, RESULT_ACCEPT, 0, 1, 2, 5},
        {"Up from the buttons' side", {KEY_SHIFT_TAB, KEY_SHIFT_TAB, KEY_UP, KEY_RETURN}, RESULT_ACCEPT, 0, 1, 0, 3},
        {"the choice wraps within its group",
         {KEY_SHIFT_TAB, KEY_SHIFT_TAB, KEY_UP, KEY_UP, KEY_RETURN}, RESULT_ACCEPT, 0, 1, 2, 5},
        {"Shift+Tab from the field wraps to the buttons", {KEY_SHIFT_TAB, KEY_RETURN}, RESULT_ACCEPT, 0, 1, 1, 6},
        // Accelerators: Alt+letter anywhere, the letter alone only where
        // the focused control takes no text.
        {"Alt+S toggles Second", {KEY_ALT_S, KEY_RETURN}, RESULT_ACCEPT, 0, 0, 1, 2},
        {"Alt+G picks Gzip", {KEY_ALT_G, KEY_RETURN}, RESULT_ACCEPT, 0, 1, 2, 5},
    };
    for (const auto& r : rows) {
        Form f;
        int focus = -1;
        EXPECT_EQ(run_form(f, r.keys, &focus), r.result) << r.what;
        EXPECT_EQ(f.first, r.first) << r.what;
        EXPECT_EQ(f.second, r.second) << r.what;
        EXPECT_EQ(f.choice, r.choice) << r.what;
        EXPECT_EQ(focus, r.focus) << r.what;
    }
}

TEST_F(DialogTest, ThreeStateBoxStepsThroughItsStates)
{
    const struct { std::vector<int> keys; char value; wchar_t mark; } rows[] = {
        // Shown as a blank, a middle dot and X.
        {{}, 0, L' '},
        {{' '}, 1, L'\u00B7'},
        {{' ', ' '}, 2, L'X'},
        {{' ', ' ', ' '}, 0, L' '},
        {{KEY_DEL}, 0, L' '},   // Delete has no meaning with three states
        {{KEY_INS}, 1, L'\u00B7'},
    };
    for (const auto& r : rows) {
        char value = 0;
        Dialog d(-1, -2, 30, 5, 0x70);
        d.AddCheckBox3S(1, 1, 1, value, "_Read", 1);
        EXPECT_EQ(play(d, r.keys), RESULT_ACCEPT);
        EXPECT_EQ(value, r.value) << r.keys.size();
        const wchar_t box[] = {L'[', r.mark, L']', 0};
        EXPECT_STREQ(Westring(screen_text(console, d.origin_y + 1, d.origin_x + 1, 3).c_str()).c_str(), box);
    }
}

TEST_F(DialogTest, ListBoxMovesAndSearches)
{
    const char* items[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota", "kappa"};
    const struct { const char* what; std::vector<int> keys; int selection; } rows[] = {
        {"Down and Up", {KEY_DOWN, KEY_DOWN, KEY_UP}, 1},
        {"Up stops at the first", {KEY_UP, KEY_UP}, 0},
        {"End and Home", {KEY_END}, 9},
        {"Down stops at the last", {KEY_END, KEY_DOWN}, 9},
        {"PgDn by a page", {KEY_PGDN}, 4},
        {"PgDn stops at the last", {KEY_PGDN, KEY_PGDN, KEY_PGDN, KEY_PGDN}, 9},
        {"PgUp stops at the first", {KEY_DOWN, KEY_PGUP}, 0},
    };
    for (const auto& r : rows) {
        int selection = 0;
        Dialog d(-1, -2, 30, 8, 0x70);
        d.AddListBox(1, 1, 1, 20, 4, items, 10, selection, 0);
        EXPECT_EQ(play(d, r.keys), RESULT_ACCEPT) << r.what;
        EXPECT_EQ(selection, r.selection) << r.what;
    }
}

TEST_F(DialogTest, ListBoxSearchIsIncrementalAndWraps)
{
    TObjectStore<Westring> items;
    for (const wchar_t* s : {L"Makefile", L"main.c", L"README", L"readme.txt", L"src", L"Mail"})
        items.AddObject(new Westring(s));
    const struct { const char* what; int start; std::vector<int> keys; int selection; } rows[] = {
        {"first match from the selection on", 0, {'r'}, 2},
        {"case is ignored", 0, {'R', 'E', 'A', 'D', 'M', 'E', '.'}, 3},
        {"wraps to the top", 4, {'m'}, 5},
        {"wraps past the end", 5, {'m', 'a', 'k'}, 0},
        {"a character that matches nothing is dropped", 0, {'s', 'x', 'r'}, 4},
    };
    for (const auto& r : rows) {
        int selection = r.start;
        Dialog d(-1, -2, 30, 9, 0x70);
        d.AddListBox(1, 1, 1, 20, 6, items, selection, 0);
        EXPECT_EQ(play(d, r.keys), RESULT_ACCEPT) << r.what;
        EXPECT_EQ(selection, r.selection) << r.what;
    }
}

TEST_F(DialogTest, AListWithExitCodeMinusOneEndsWithTheKey)
{
    const char* items[] = {"one", "two", "three"};
    int selection = 0;
    Dialog d(-1, -2, 30, 7, 0x70);
    d.AddListBox(1, 1, 1, 20, 3, items, 3, selection, -1);
    script_keys(console, {KEY_DOWN, KEY_F1 + 4}, KEY_ESC);
    EXPECT_EQ(d.Process(), KEY_F1 + 4);
    EXPECT_EQ(selection, 1);
}

TEST_F(DialogTest, IntegerFieldTakesOnlyDigitsUpToItsWidth)
{
    const struct { std::vector<int> keys; int value; } rows[] = {
        {{KEY_END, '5'}, 425},
        {{KEY_END, 'x', '7'}, 427},
        // The first key typed replaces the number; the fifth digit does
        // not fit.
        {{'9', '9', '9', '9', '9'}, 9999},
        {{'1', 'a', '2'}, 12},
    };
    for (const auto& r : rows) {
        int value = 42;
        Dialog d(-1, -2, 30, 5, 0x70);
        d.AddIntField(1, 1, 1, value, 4, 0);
        EXPECT_EQ(play(d, r.keys), RESULT_ACCEPT);
        EXPECT_EQ(value, r.value);
    }
}

TEST_F(DialogTest, CancelledFieldsStayOutOfTheirHistory)
{
    for (int accept : {0, 1}) {
        *field_history = CFieldHistory();
        Westring text = L"kept";
        {
            Dialog d(-1, -2, 30, 5, 0x70);
            d.AddStringField(1, 1, 1, text, 20, 40, static_cast<HistoryIndex>(3));
            script_keys(console, {accept ? KEY_RETURN : KEY_ESC}, KEY_ESC);
            d.Process();
        }
        EXPECT_EQ(field_history->Entries(3).count, accept) << accept;
    }
}
