#include "console/key_translate.h"

#include "console/key_symbols.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned S = 1, C = 4, A = 8;
constexpr unsigned NumLock = 16;

struct Row
{
    unsigned sym;
    unsigned state;
    int code;
};

void expect_rows(const Row* rows, int n)
{
    for (int i = 0; i < n; i++) {
        const Row& r = rows[i];
        KeyTranslation t = translate_key(r.sym, r.state, 0, false);
        EXPECT_EQ(t.action, KeyQueue) << std::hex << "sym 0x" << r.sym << " state " << r.state;
        EXPECT_EQ(t.code, r.code) << std::hex << "sym 0x" << r.sym << " state " << r.state;
    }
}

}

TEST(KeyTable, FunctionKeys)
{
    const struct { unsigned state; int f1; int f11; int f12; } rows[] = {
        {0, 0x1003B, 0x10085, 0x10086},     {S, 0x30054, 0x30087, 0x30088},
        {C, 0x1005E, 0x10089, 0x1008A},     {C | S, 0x3005E, 0x30089, 0x3008A},
        {A, 0x10068, 0x1008B, 0x1008C},     {A | S, 0x30068, 0x3008B, 0x3008C},
    };
    for (const auto& r : rows) {
        for (int i = 0; i < 10; i++)
            EXPECT_EQ(translate_key(KS_F1 + i, r.state, 67 + i, false).code, r.f1 + i) << "F" << i + 1 << " state " << r.state;
        EXPECT_EQ(translate_key(KS_F11, r.state, 95, false).code, r.f11) << r.state;
        EXPECT_EQ(translate_key(KS_F12, r.state, 96, false).code, r.f12) << r.state;
    }
    // Lock keys are no modifiers.
    EXPECT_EQ(translate_key(KS_F1, NumLock | 2, 67, false).code, 0x1003B);
}

TEST(KeyTable, EditingKeys)
{
    const unsigned main_keys[] = {KS_Home, KS_Up, KS_Page_Up, KS_Left, KS_Right,
                                  KS_End, KS_Down, KS_Page_Down, KS_Insert, KS_Delete};
    const unsigned pad_keys[] = {KS_KP_Home, KS_KP_Up, KS_KP_Page_Up, KS_KP_Left, KS_KP_Right,
                                 KS_KP_End, KS_KP_Down, KS_KP_Page_Down, KS_KP_Insert, KS_KP_Delete};
    const int plain[] = {0x10047, 0x10048, 0x10049, 0x1004B, 0x1004D, 0x1004F, 0x10050, 0x10051, 0x10052, 0x10053};
    const int ctrl[] = {0x10077, 0x1008D, 0x10084, 0x10073, 0x10074, 0x10075, 0x10091, 0x10076, 0x10092, 0x10093};
    const int ctrl_shift[] = {0x30077, 0, 0x30084, 0x30073, 0x30074, 0x30075, 0, 0x30076, 0x30092, 0};
    const int alt[] = {0x10097, 0x10098, 0, 0x1009B, 0x1009D, 0, 0x100A0, 0, 0, 0};
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(translate_key(main_keys[i], 0, 0, false).code, plain[i]) << i;
        EXPECT_EQ(translate_key(pad_keys[i], 0, 0, false).code, plain[i]) << i;
        EXPECT_EQ(translate_key(main_keys[i], S, 0, false).code, plain[i] | 0x20000) << i;
        EXPECT_EQ(translate_key(main_keys[i], C, 0, false).code, ctrl[i]) << i;
        EXPECT_EQ(translate_key(main_keys[i], C | S, 0, false).code, ctrl_shift[i]) << i;
        EXPECT_EQ(translate_key(main_keys[i], A, 0, false).code, alt[i]) << i;
    }
    const Row rows[] = {
        {KS_KP_0, S, 0x30052},        {KS_KP_Decimal, S, 0x30053},   {KS_KP_Delete, C, 0x10093},
        {KS_Return, 0, 0x0D},         {KS_KP_Enter, 0, 0x0D},        {KS_Return, S, 0x0D},
        {KS_Return, C, 0x0A},         {KS_Return, A, 0x1001C},       {KS_Return, C | S, 0x3001C},
        {KS_BackSpace, 0, 0x10101},   {KS_BackSpace, C, 0x7F},       {KS_BackSpace, A, 0x1000E},
        {KS_BackSpace, A | S, 0x3000E}, {KS_Tab, 0, 0x09},           {KS_ISO_Left_Tab, S, 0x3000F},
        {KS_Tab, C, 0x10094},         {KS_Escape, 0, 0x1B},
        {KS_KP_Add, 0, 0x40002B},     {KS_KP_Subtract, 0, 0x40002D}, {KS_KP_Multiply, 0, 0x40002A},
        {KS_KP_Add, C, 0x10090},      {KS_KP_Subtract, C, 0x1008E},  {KS_KP_Add, C | S, 0x30090},
        {KS_KP_Subtract, C | S, 0x3008E}, {KS_KP_Add, A, 0x1004E},   {KS_KP_Subtract, A, 0x1004A},
        {KS_Return, NumLock, 0x0D},
    };
    expect_rows(rows, std::size(rows));
}

TEST(KeyTable, KeypadDigitsWithControl)
{
    // Keypad 0 .. 9 without NumLock: Insert, End, Down, PgDn, Left, Begin,
    // Right, Home, Up, PgUp.
    const unsigned nav[] = {KS_KP_Insert, KS_KP_End, KS_KP_Down, KS_KP_Page_Down, KS_KP_Left,
                            KS_KP_Begin, KS_KP_Right, KS_KP_Home, KS_KP_Up, KS_KP_Page_Up};
    for (int d = 0; d < 10; d++) {
        EXPECT_EQ(translate_key(KS_KP_0 + d, C, 0, false).code, 0x40030 + d) << d;
        EXPECT_EQ(translate_key(nav[d], C, 0, false).code, 0x40030 + d) << d;
        EXPECT_EQ(translate_key(KS_KP_0 + d, C | S, 0, false).code, 0x60030 + d) << d;
        EXPECT_EQ(translate_key(nav[d], C | S | NumLock, 0, false).code, 0x60030 + d) << d;
    }
}

TEST(KeyTable, ControlAndAltCharacters)
{
    for (unsigned c = 'a'; c <= 'z'; c++) {
        int want = c == 'i' ? 0x10102 : c == 'm' ? 0x10103 : int(c - 'a' + 1);
        EXPECT_EQ(translate_key(c, C, 0, false).code, want) << char(c);
        // Caps Lock gives the upper-case symbol; it is folded.
        EXPECT_EQ(translate_key(c - 32, C | 2, 0, false).code, want) << char(c);
    }
    const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    const int scan[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                        0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; i++)
        EXPECT_EQ(translate_key(letters[i], A, 0, false).code, 0x10000 + scan[i]) << letters[i];
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(translate_key('1' + i, A, 10 + i, false).code, 0x10078 + i) << i + 1;
    const Row rows[] = {
        {'F', C | S, 0x20006},  {'J', C | S, 0x2000A},  {'M', C | S, 0x30103},
        {'\\', C, 0x1C}, {'#', C, 0x1C}, {'[', C, 0x1B}, {']', C, 0x1D}, {'-', C, 0x1F}, {' ', C, 0x20},
        {'|', C | S, 0x2001C}, {'\'', C | S, 0x2001C},
        {'0', A, 0x10081}, {'-', A, 0x10082}, {'=', A, 0x10083}, {'\\', A, 0x1002B}, {'[', A, 0x1001A},
        {']', A, 0x1001B}, {';', A, 0x10027}, {'\'', A, 0x10028}, {',', A, 0x10033}, {'.', A, 0x10034},
        {'#', A, 0x3007A},
        {'!', A | S, 0x30078}, {'@', A | S, 0x30079}, {'#', A | S, 0x3007A}, {'$', A | S, 0x3007B},
        {'%', A | S, 0x3007C}, {'^', A | S, 0x3007D}, {'&', A | S, 0x3007E}, {'(', A | S, 0x30080},
        {')', A | S, 0x30081}, {'_', A | S, 0x30082}, {'+', A | S, 0x30083}, {'{', A | S, 0x3001A},
        {'}', A | S, 0x3001B}, {':', A | S, 0x30027}, {'"', A | S, 0x30028},
        {'~', A | S, 0x10029}, {'\'', A | S, 0x10028},
    };
    expect_rows(rows, std::size(rows));
}

TEST(KeyTable, KeysOutsideTheTableGoToTheInputMethod)
{
    const Row rows[] = {
        {'a', 0, 0}, {'A', S, 0}, {'1', 0, 0}, {0xE4, 0, 0},  // letters, digits, ä
        {'g', C | S, 0},     // an unlisted combination
        {KS_F1, C | A, 0},
        {KS_KP_Enter, C, 0},
        {KS_KP_0 + 7, S, 0},   // Shift with a keypad digit other than 0
    };
    for (const Row& r : rows)
        EXPECT_EQ(translate_key(r.sym, r.state, 38, false).action, KeyToInputMethod) << std::hex << r.sym;
}

TEST(KeyTable, ModifierKeysAndReleases)
{
    // GDK reports the state before the key; the event carries the state after.
    const struct { unsigned sym; unsigned state; bool release; unsigned after; } rows[] = {
        {KS_Shift_L, 0, false, S},   {KS_Shift_L, S, true, 0},
        {KS_Control_R, S, false, S | C}, {KS_Alt_L, C, false, C | A}, {KS_Alt_R, A | NumLock, true, NumLock},
    };
    for (const auto& r : rows) {
        KeyTranslation t = translate_key(r.sym, r.state, 50, r.release);
        EXPECT_EQ(t.action, KeyQueue) << std::hex << r.sym;
        EXPECT_EQ(t.code, 0x10100) << std::hex << r.sym;
        EXPECT_EQ(t.state, r.after) << std::hex << r.sym;
    }
    EXPECT_EQ(translate_key(KS_F1, 0, 67, true).action, KeyDrop);
    EXPECT_EQ(translate_key('a', 0, 38, true).action, KeyDrop);
    EXPECT_EQ(translate_key(KS_Break, C, 110, false).action, KeyBreak);
}

TEST(KeyTable, ControlWithAMainRowDigitIsFinishedByHardwareCode)
{
    const struct { unsigned sym; unsigned state; int hw; int want; } rows[] = {
        {'1', C, 10, 0x40001},  {'9', C, 18, 0x40009},  {'0', C, 19, 0x40000},
        {'!', C | S, 10, 0x60001},  // Shift changes the symbol, not the digit
        {'2', C | A, 11, 0x40002},
        {'1', A, 10, 0x10078},      // no Control: the table
    };
    for (const auto& r : rows) {
        KeyTranslation t = translate_key(r.sym, r.state, r.hw, false);
        ASSERT_EQ(t.action, KeyQueue) << r.hw;
        EXPECT_EQ(finish_key(t.code, t.state, r.hw), r.want) << r.hw << " state " << r.state;
    }
    // The keypad digits have other hardware codes and keep their table codes.
    KeyTranslation pad = translate_key(KS_KP_End, C, 87, false);
    EXPECT_EQ(finish_key(pad.code, pad.state, 87), 0x40031);
}
