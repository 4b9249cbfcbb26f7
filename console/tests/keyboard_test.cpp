#include "console/keyboard.h"

#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "console/key_symbols.h"
#include "console/key_translate.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

class KeyboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.Queue().Clear();
        console.Queue().SetFallbackKey(0);
        lastShiftState = alt_on = 0;
    }
    void TearDown() override { SetUp(); }

    // What the window does with a key press.
    static void press(unsigned sym, unsigned state, int hw, bool release = false)
    {
        KeyTranslation t = translate_key(sym, state, hw, release);
        if (t.action == KeyQueue)
            console.InputKey(t.code, t.state, hw);
    }
};

int clock_refreshes = 0;
int layouts = 0;

}

TEST_F(KeyboardTest, GetkeyWithoutWaitingReturnsAtOnce)
{
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(getkey(nullptr, nullptr, 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(CheckEvent());
    EXPECT_FALSE(check_esc());
}

TEST_F(KeyboardTest, KeysComeOutFinished)
{
    press('1', STATE_CONTROL, 10);
    press('!', STATE_CONTROL | STATE_SHIFT, 10);
    press(KS_KP_End, STATE_CONTROL, 87);
    press(KS_Return, STATE_SHIFT, 36);
    press('F', STATE_CONTROL | STATE_SHIFT, 41);
    unsigned char scan = 99;
    _MEVENT mev{};
    EXPECT_EQ(getkey(&scan, &mev, 0), 0x40001);
    EXPECT_EQ(scan, 0);
    EXPECT_EQ(mev.state, STATE_CONTROL);
    EXPECT_EQ(getkey(nullptr, nullptr, 0), 0x60001);
    EXPECT_EQ(getkey(nullptr, nullptr, 0), 0x40031);
    EXPECT_EQ(getkey(nullptr, nullptr, 0), 0x0D);
    EXPECT_EQ(getkey(nullptr, nullptr, 0), 0x20006);
    console.InputClose();
    EXPECT_EQ(getkey(nullptr, nullptr, 0), KEY_F10);
    console.InputText("\xc3\xa4!");
    EXPECT_EQ(getkey(nullptr, &mev, 0), 0xE4);
    EXPECT_EQ(mev.state, 0);
    EXPECT_EQ(getkey(nullptr, nullptr, 0), '!');
}

TEST_F(KeyboardTest, ShiftAloneGivesTwoModifierChanges)
{
    press(KS_Shift_L, 0, 50);
    press(KS_Shift_L, STATE_SHIFT, 50, true);
    _MEVENT mev{};
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MODIFIERS);
    EXPECT_EQ(mev.state, STATE_SHIFT);
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MODIFIERS);
    EXPECT_EQ(mev.state, 0);

    // A change consumed by check_esc is still reported by the next getkey.
    press(KS_Control_L, 0, 37);
    EXPECT_FALSE(check_esc());
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MODIFIERS);
    EXPECT_EQ(mev.state, STATE_CONTROL);
    console.InputText("x");
    EXPECT_FALSE(check_esc());
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MODIFIERS) << "the x came without Control";
    EXPECT_EQ(mev.state, 0);
    EXPECT_EQ(getkey(nullptr, nullptr, 0), 0) << "the x is consumed";
    console.InputKey(KEY_ESC, 0, 9);
    EXPECT_TRUE(check_esc());
}

TEST_F(KeyboardTest, MouseEventsBecomeMouseRecords)
{
    using C = CConsole;
    const struct { C::EType type; int key; int kind; } rows[] = {
        {C::EvButtonPress, 1, MouseLeftPress},     {C::EvButtonPress, 2, MouseRightPress},
        {C::EvButtonRelease, 1, MouseLeftRelease}, {C::EvButtonRelease, 2, MouseRightRelease},
        {C::EvMotion, 1, MouseLeftDrag},           {C::EvMotion, 2, MouseRightDrag},
        {C::EvDoubleClick, 1, MouseLeftDouble},    {C::EvDoubleClick, 2, MouseRightPress},
        {C::EvWheel, -1, MouseWheel},
    };
    for (const auto& r : rows) {
        C::TEvent ev{r.type, r.key, STATE_SHIFT, 0, 7, 3};
        _MEVENT mev{};
        ASSERT_TRUE(ConvertMouseEvent(ev, &mev)) << r.type << "/" << r.key;
        EXPECT_EQ(mev.kind, r.kind) << r.type << "/" << r.key;
        EXPECT_EQ(mev.x, 7);
        EXPECT_EQ(mev.y, 3);
        EXPECT_EQ(mev.state, STATE_SHIFT);
    }
    C::TEvent middle{C::EvButtonPress, 3, 0, 0, 1, 1};
    _MEVENT mev{};
    EXPECT_FALSE(ConvertMouseEvent(middle, &mev));
    EXPECT_TRUE(ConvertMouseEvent(middle, nullptr));

    // Through getkey, from what the window reports.
    console.InputButton(C::EvButtonPress, 2, 4, 6, 0);  // middle button
    console.InputWheel(1, 4, 6, STATE_CONTROL);
    console.InputButton(C::EvDoubleClick, 1, 4, 6, 0);
    EXPECT_EQ(getkey(nullptr, &mev, 0), 0);
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MOUSE);
    EXPECT_EQ(mev.kind, MouseWheel);
    EXPECT_EQ(mev.wheel, 1);
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MODIFIERS) << "Control went away";
    EXPECT_EQ(getkey(nullptr, &mev, 0), KEY_MOUSE);
    EXPECT_EQ(mev.kind, MouseLeftDouble);
}

TEST_F(KeyboardTest, UnAlt)
{
    _MEVENT mev{};
    const struct { int key; int ch; } rows[] = {
        {0x1001E, 'a'}, {0x1002C, 'z'}, {0x10081, '0'}, {0x10029, '`'},  // '`' and '~' share a code
        {0x30078, '!'}, {0x30028, '"'}, {0x1002B, '\\'}, {0x1003B, 0x1003B}, {'q', 'q'},
    };
    for (const auto& r : rows)
        EXPECT_EQ(un_alt(r.key, mev), r.ch) << std::hex << r.key;
}

TEST_F(KeyboardTest, AScriptEndsInItsFallbackKey)
{
    script_keys(console, {'a', KEY_F1}, KEY_ESC);
    clock_refreshes = 0;
    clock_refresh_hook = [] { clock_refreshes++; };
    EXPECT_EQ(getkey(), 'a');
    EXPECT_EQ(getkey(), KEY_F1);
    EXPECT_FALSE(check_esc()) << "polls do not see the fallback";
    EXPECT_EQ(getkey(), KEY_ESC);
    EXPECT_EQ(getkey(nullptr, nullptr, 500), KEY_ESC);
    clock_refresh_hook = nullptr;
    EXPECT_EQ(clock_refreshes, 4);
}

TEST_F(KeyboardTest, SetLinesResizesAndLetsTheLayoutFollow)
{
    CRecordingDisplay display;
    console.SetDisplay(&display);
    layouts = 0;
    screen_size_hook = [] { layouts++; };
    set_lines(50, 132);
    screen_size_hook = nullptr;
    EXPECT_EQ(console.Columns(), 132);
    EXPECT_EQ(console.Lines(), 50);
    EXPECT_EQ(layouts, 1);
    EXPECT_STREQ(display.font_family.c_str(), "DejaVu Sans Mono");
    EXPECT_EQ(display.font_size, 12);
    set_lines(25, 80);
    console.SetDisplay(nullptr);
}
