#include "config/config.h"
#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "panels/clock.h"
#include "panels/key_bar.h"

#include <gtest/gtest.h>

TEST(KeyBar, RowsForEveryModifierCombination)
{
    set_config_defaults(config);
    console.SetSize(80, 25, "", 0);
    const struct { unsigned state; const char* row; } rows[] = {
        {0, "1Help   2Menu   3View   4Edit   5Copy   6RenMov 7Mkdir  8Delete 9PullDn 10Quit  "},
        {STATE_ALT, "1Left   2Right  3View.. 4Edit.. 5DStore 6Object 7Find   8Histry 9EGA Ln 10Tree  "},
        {STATE_CONTROL, "1Left   2Right  3Name   4Exten  5Time   6Size   7Unsort 8Revers 9       10      "},
        {STATE_ALT | STATE_CONTROL, "1       2       3       4       5       6       7       8       9       10      "},
        {STATE_SHIFT, "1Manual 2MnMenu 3View.. 4Edit.. 5Copy   6Rename 7MkArch 8DelOne 9SavSet 10MenuRe"},
        {STATE_ALT | STATE_SHIFT, "1Brief  2Full   3Wide   4BriefW 5Unix   6       7FindRC 8DirHst 9ColChg 10      "},
        {STATE_CONTROL | STATE_SHIFT, "1       2       3View.. 4Edit.. 5SymLnk 6       7       8       9       10      "},
        {STATE_MODIFIERS, "1       2       3       4       5       6       7       8       9       10      "},
    };
    for (const auto& r : rows) {
        puts_bar(r.state);
        EXPECT_EQ(screen_text(console, 24), r.row) << r.state;
    }
    // Key numbers and the gap before them in the "Command Line" colour.
    puts_bar(0);
    EXPECT_EQ(screen_attrs(console, 24, {{0x07, 'n'}, {0x30, '-'}}),
              "n------nn------nn------nn------nn------nn------nn------nn------nn------nnn------");
}

TEST(KeyBar, ValueByPosition)
{
    console.SetSize(80, 25, "", 0);
    const struct { int x; int kind; unsigned short state; int key; } rows[] = {
        {0, MouseLeftPress, 0, KEY_F1},
        {6, MouseLeftPress, 0, KEY_F1},
        {7, MouseLeftPress, 0, KEY_F1 + 1},    // (x + 1) / 8 picks the slot
        {79, MouseLeftRelease, 0, KEY_F10},
        {79, MouseRightPress, 0, KEY_ALT_F1 + 9},
        {16, MouseLeftPress, STATE_ALT, KEY_ALT_F1 + 2},
        {16, MouseLeftPress, STATE_SHIFT, KEY_SHIFT_F1 + 2},
        {16, MouseLeftPress, STATE_CONTROL, KEY_CTRL_F1 + 2},
    };
    for (const auto& r : rows) {
        _MEVENT m{r.kind, r.x, 24, r.state, 0};
        EXPECT_EQ(key_bar_value(m), r.key) << r.x;
    }
}

TEST(Clock, TwelveAndTwentyFourHours)
{
    const struct { int hour, minute, second, mode; const wchar_t* text; } rows[] = {
        {12, 0, 0, 12, L"12:00p"},   // noon
        {0, 0, 1, 12, L"12 00a"},    // midnight, odd second: the colon blinks off
        {23, 59, 58, 12, L"11:59p"},
        {9, 5, 0, 12, L" 9:05a"},
        {0, 0, 0, 24, L" 0:00"},
        {12, 0, 1, 24, L"12 00"},
        {23, 7, 2, 24, L"23:07"},
    };
    for (const auto& r : rows) {
        std::tm t{};
        t.tm_hour = r.hour;
        t.tm_min = r.minute;
        t.tm_sec = r.second;
        EXPECT_STREQ(clock_text(t, r.mode).c_str(), r.text) << r.hour << ":" << r.minute;
    }
}
