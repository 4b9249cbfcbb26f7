#include "screen_fixture.h"

#include "tests/screen/screen_helpers.h"
#include "textui/dialog.h"

#include <chrono>
#include <thread>

namespace {

// Records where the focus went.
class TrackingDialog : public Dialog
{
public:
    using Dialog::Dialog;
    void PostFocusChange() override { path.push_back(Focus()); }
    std::vector<int> path;
};

}

TEST_F(ScreenTest, TabAndShiftTabAcrossGroups)
{
    Westring name = L"x";
    int choice = 2;
    char flag = 0;
    TrackingDialog d(-1, -2, 50, 12, 0x70);
    d.AddStringField(1, 0, 1, name, 20, -1);        // 0
    d.AddRadioButton(1, 2, 2, choice, 1, "_One");   // 1: Tab enters at the selected button
    d.AddRadioButton(1, 3, 0, choice, 2, "_Two");   // 2
    d.AddRadioButton(1, 4, 0, choice, 3, "T_hree"); // 3
    d.AddCheckBox(1, 6, 1, flag, "_Flag", 1);       // 4
    d.AddOkCancel(-1, -1, 1);                       // 5, 6
    keys({KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB, KEY_SHIFT_TAB, KEY_SHIFT_TAB, KEY_SHIFT_TAB, KEY_DOWN, KEY_TAB,
          KEY_SHIFT_TAB});
    fallback(KEY_ESC);
    EXPECT_EQ(d.Process(), RESULT_CANCEL);
    EXPECT_EQ(d.path, (std::vector<int>{2, 4, 5, 0, 5, 4, 2, 3, 4, 3}));
    EXPECT_EQ(choice, 3) << "moving within the group selects";
    show(-1);
    // The bullet moved with the focus.
    EXPECT_EQ(screen_text(shot, 9, 17, 9), "( ) One  ");
    EXPECT_EQ(screen_text(shot, 11, 17, 10), "(•) Three ");
}

TEST_F(ScreenTest, EnterEscapeAndDefaults)
{
    const struct { int buttons; int set_default; int key; int result; } rows[] = {
        {0, -1, KEY_RETURN, RESULT_ACCEPT},   // no button at all
        {1, -1, KEY_RETURN, 'y'},             // the first button is the default
        {1, 2, KEY_RETURN, 'n'},              // SetDefault moves it
        {1, 0, KEY_RETURN, 'y'},              // only push buttons can be the default
        {2, -1, KEY_RETURN, RESULT_ACCEPT},   // OK and Cancel
        {1, -1, KEY_ESC, RESULT_CANCEL},
        {0, -1, KEY_ESC, RESULT_CANCEL},
    };
    for (const auto& r : rows) {
        SetUp();
        Westring text;
        Dialog d(-1, -2, 40, 8, 0x70);
        d.AddStringField(1, 0, 1, text, 20, -1);
        if (r.buttons == 1) {
            d.AddPushButton(1, 3, 1, 'y', "_Yes");
            d.AddPushButton(10, 3, 0, 'n', "_No");
        } else if (r.buttons == 2) {
            d.AddOkCancel(-1, 3, 1);
        }
        if (r.set_default >= 0)
            d.SetDefault(r.set_default);
        keys({r.key});
        fallback(KEY_F10);
        EXPECT_EQ(d.Process(), r.result) << r.buttons << " " << r.set_default;
    }

    // An empty dialog ends only with Escape.
    Dialog empty(-1, -2, 20, 5, 0x70);
    keys({'x', KEY_F1, KEY_ESC});
    fallback(KEY_F10);
    EXPECT_EQ(empty.Process(), RESULT_CANCEL);
}

TEST_F(ScreenTest, KeyEqualToAButtonResultPressesIt)
{
    // focus: which element has the focus when "s" is typed.
    const struct { int focus; int result; const wchar_t* text; int number; } rows[] = {
        {0, RESULT_CANCEL, L"s", 7},    // the string field inserts it
        {1, 's', L"old", 7},            // the number field refuses it
        {2, 's', L"old", 7},            // so does a check box
        {3, 's', L"old", 7},            // a button that is not Skip
    };
    for (const auto& r : rows) {
        SetUp();
        Westring text = L"old";
        int number = 7;
        char flag = 0;
        Dialog d(-1, -2, 40, 10, 0x70);
        d.AddStringField(1, 0, 1, text, 20, -1);
        d.AddIntField(1, 1, 1, number, 5, 0);
        d.AddCheckBox(1, 2, 1, flag, "Flag", 1);
        d.AddPushButton(1, 5, 1, 'y', "_OK");
        d.AddPushButton(10, 5, 0, 's', "Skip");
        for (int i = 0; i < r.focus; i++)
            keys({KEY_TAB});
        keys({'s'});
        fallback(KEY_ESC);
        EXPECT_EQ(d.Process(), r.result) << r.focus;
        EXPECT_EQ(text, r.text);
        EXPECT_EQ(number, r.number);
    }
}

TEST_F(ScreenTest, AltLettersFocusToggleOrPress)
{
    Westring name = L"old";
    char archive = 0;
    int choice = 1;
    TrackingDialog d(-1, -2, 50, 12, 0x70);
    d.AddStringField(1, 0, 1, name, 20, -1);        // 0, letter n from SetAccelerators
    d.AddCheckBox(1, 2, 1, archive, "_Archive", 1); // 1
    d.AddRadioButton(1, 4, 2, choice, 1, "_One");   // 2
    d.AddRadioButton(1, 5, 0, choice, 2, "_Two");   // 3
    d.AddPushButton(1, 8, 1, 100, "_Delete");       // 4
    d.SetAccelerators("n", 1);
    keys({KEY_ALT_A, KEY_ALT_T, KEY_ALT_N, 'z', KEY_ALT_D});
    fallback(KEY_ESC);
    EXPECT_EQ(d.Process(), 100) << "Alt+D presses the button";
    EXPECT_EQ(archive, 1) << "Alt+A toggles the check box";
    EXPECT_EQ(choice, 2) << "Alt+T selects the radio button";
    EXPECT_EQ(name, L"z") << "Alt+N focused the field, which took the z";
    EXPECT_EQ(d.path, (std::vector<int>{1, 3, 0}));
}

TEST_F(ScreenTest, IntegerFieldTakesDigitsOnly)
{
    const struct { std::vector<int> script; int result; int value; } rows[] = {
        {{'1', '2', 'a', '3', KEY_RETURN}, RESULT_ACCEPT, 123},
        {{'1', 'b', '4'}, 'b', 1},              // the refused b is a button's key
        {{KEY_END, '5', KEY_RETURN}, RESULT_ACCEPT, 425},
        {{KEY_BACKSPACE, KEY_BACKSPACE, '9', KEY_RETURN}, RESULT_ACCEPT, 9},
    };
    for (const auto& r : rows) {
        SetUp();
        int value = 42;
        Dialog d(-1, -2, 40, 8, 0x70);
        d.AddIntField(1, 0, 1, value, 6, 1);
        d.AddOkCancel(-1, 3, 1);
        d.AddPushButton(1, 4, 1, 'b', "Back");
        for (int k : r.script)
            keys({k});
        fallback(KEY_ESC);
        EXPECT_EQ(d.Process(), r.result);
        EXPECT_EQ(value, r.value);
    }
}

TEST_F(ScreenTest, LengthLimitRefusesTypingAndPasting)
{
    Westring text;
    Dialog d(-1, -2, 40, 8, 0x70);
    d.AddStringField(1, 0, 1, text, 10, 5);
    display.clipboard = "xy";
    keys({'a', 'b', 'c', 'd', 'e', 'f', 0x16, KEY_BACKSPACE, KEY_BACKSPACE, 0x16, 'z'});
    fallback(KEY_ESC);
    (void)d.Process();
    EXPECT_EQ(text, L"abcxy");

    // A new field's first paste replaces the text, if it fits.
    Westring full = L"12345";
    Dialog d2(-1, -2, 40, 8, 0x70);
    d2.AddStringField(1, 0, 1, full, 10, 5);
    display.clipboard = "toolong";
    keys({KEY_INS | KEY_SHIFT_FLAG});
    (void)d2.Process();
    EXPECT_EQ(full, L"12345");
}

TEST_F(ScreenTest, ListBoxSearchWrapsAndDropsWhatMatchesNothing)
{
    TObjectStore<Westring> items;
    for (const wchar_t* s : {L"alpha", L"Beta", L"bravo", L"Delta", L"dog", L"echo"})
        items.AddObject(new Westring(s));
    int selection = 5;
    Dialog d(20, 5, 49, 14, 0x70);
    d.AddListBox(1, 1, 1, 20, 6, items, selection, 0);
    d.AddPushButton(1, 7, 1, 'x', "E_xit");
    keys({'b', 'r', 'x', KEY_DOWN, 'D', 'O', KEY_RETURN});
    fallback(KEY_ESC);
    EXPECT_EQ(d.Process(), 'x') << "the default button's result";
    EXPECT_EQ(selection, 4);

    // After b, r and the x that matched nothing: bravo, and "br" in the
    // dialog's bottom line.
    show(3);
    EXPECT_EQ(screen_text(shot, 14, 20, 30), "╚" + repeat("═", 26) + "br╝");
    EXPECT_EQ(screen_attrs(shot, 14, {{0x70, 'w'}, {0x30, 'i'}}, 46, 4), "wiiw");
    EXPECT_EQ(screen_text(shot, 9, 22, 20), "bravo               ");
    EXPECT_EQ(screen_attrs(shot, 9, {{0x0F, 'h'}}, 22, 1), "h");
    // Down cleared the search; D and O found dog.
    show(-1);
    EXPECT_EQ(screen_text(shot, 14, 44, 6), "═══DO╝");

    // A list of plain texts has nothing to search: the keys are taken.
    const char* plain[] = {"one", "two", "three"};
    int at = 0;
    Dialog d2(20, 5, 49, 14, 0x70);
    d2.AddListBox(1, 1, 1, 20, 6, plain, 3, at, 0);
    d2.AddPushButton(1, 7, 1, 't', "Stop");
    keys({'t', KEY_DOWN, KEY_RETURN});
    EXPECT_EQ(d2.Process(), 't');
    EXPECT_EQ(at, 1);
}

TEST_F(ScreenTest, ListBoxScrollsWhilePressedBelowIt)
{
    TObjectStore<Westring> items;
    for (int i = 0; i < 10; i++)
        items.AddObject(new Westring(IntToStr(i)));
    int selection = 0;
    Dialog d(20, 5, 49, 14, 0x70);
    d.AddListBox(1, 1, 1, 20, 4, items, selection, 0);
    // The list covers screen lines 7-10; line 11 is just below it. With no
    // input following, the scrolling runs to the end of the list.
    press(25, 11);
    fallback(KEY_ESC);
    EXPECT_EQ(d.Process(), RESULT_CANCEL);
    EXPECT_EQ(selection, 9);
    EXPECT_EQ(screen_text(console, 10, 22, 2), "9 ");
}

TEST_F(ScreenTest, PressAndReleaseOutsideCancel)
{
    const struct { int press_x, press_y, release_x, release_y, result; } rows[] = {
        {2, 1, 3, 2, RESULT_CANCEL},      // both outside
        {2, 1, 25, 7, 'g'},               // released inside: the fallback Enter ends it
        {25, 7, 2, 1, 'g'},               // pressed inside
        {27, 9, 23, 9, 'g'},              // a click on a button is its result
    };
    for (const auto& r : rows) {
        SetUp();
        Dialog d(20, 5, 49, 14, 0x70);
        d.AddStaticText(1, 1, "Click");
        d.AddPushButton(1, 3, 1, 'g', "Go");
        press(r.press_x, r.press_y);
        release(r.release_x, r.release_y);
        fallback(KEY_RETURN);
        EXPECT_EQ(d.Process(), r.result) << r.press_x << "," << r.release_x;
    }
}

TEST_F(ScreenTest, WorkerFillsAListWhileProcessWaits)
{
    TObjectStore<Westring> items;
    int selection = 0;
    Dialog d(20, 5, 49, 14, 0x70);
    int list = d.AddListBox(1, 1, 1, 20, 6, items, selection, 0);
    std::thread worker([&] {
        while (waits_started() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 0; i < 10; i++) {
            std::lock_guard<std::recursive_mutex> hold(d.Mutex());
            items.AddObject(new Westring(L"item " + Westring(IntToStr(i))));
        }
        Event ev;
        ev.type = EventListLength;
        ev.key = items.count;
        EXPECT_EQ(d.SendMessage(list, ev), 1);
        keys({KEY_DOWN, KEY_DOWN, KEY_RETURN});
    });
    // Without input for 5 s Process gives up with 0 rather than hang.
    int result = d.Process(5000);
    worker.join();
    EXPECT_EQ(result, RESULT_ACCEPT);
    EXPECT_EQ(selection, 2);
    show(-1);
    EXPECT_EQ(screen_text(shot, 7, 22, 20), "item 0              ");
    EXPECT_EQ(screen_text(shot, 12, 22, 20), "item 5              ");
    EXPECT_EQ(screen_attrs(shot, 9, {{0x0F, 'h'}, {0x3F, 'm'}}, 22, 2), "hh");
}
