#include "console/key_translate.h"

#include "console/key_codes.h"
#include "console/key_symbols.h"

#include <array>

namespace {

constexpr unsigned Any = 0xFFFFFFFF;
constexpr unsigned N = 0;
constexpr unsigned S = STATE_SHIFT;
constexpr unsigned C = STATE_CONTROL;
constexpr unsigned A = STATE_ALT;
constexpr int SF = KEY_SHIFT_FLAG;

struct KeyRow
{
    unsigned sym;
    unsigned mods;
    int code;
};

constexpr int MaxRows = 400;

struct KeyTable
{
    std::array<KeyRow, MaxRows> rows{};
    int count = 0;

    constexpr void add(unsigned sym, unsigned mods, int code) { rows[count++] = {sym, mods, code}; }
};

// Scan codes of the letters a-z, the base of the Alt+letter codes.
constexpr unsigned char letter_scan[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,
};

constexpr KeyTable make_table()
{
    KeyTable t;
    // Function keys: F1-F10 are consecutive in every variant, F11 and F12
    // have codes of their own.
    struct { unsigned mods; int f1; int f11; } fkeys[] = {
        {N, KEY_F1, KEY_F11},
        {S, KEY_SHIFT_F1, KEY_SHIFT_F11},
        {C, KEY_CTRL_F1, KEY_CTRL_F11},
        {C | S, KEY_CTRL_F1 | SF, KEY_CTRL_F11 | SF},
        {A, KEY_ALT_F1, KEY_ALT_F11},
        {A | S, KEY_ALT_F1 | SF, KEY_ALT_F11 | SF},
    };
    for (const auto& f : fkeys) {
        for (int i = 0; i < 10; i++)
            t.add(KS_F1 + i, f.mods, f.f1 + i);
        t.add(KS_F11, f.mods, f.f11);
        t.add(KS_F12, f.mods, f.f11 + 1);
    }

    t.add(KS_Return, N, KEY_RETURN);
    t.add(KS_KP_Enter, N, KEY_RETURN);
    t.add(KS_Return, S, KEY_RETURN);
    t.add(KS_Return, C, KEY_CTRL_RETURN);
    t.add(KS_Return, A, KEY_ALT_RETURN);
    t.add(KS_Return, C | S, KEY_ALT_RETURN | SF);
    t.add(KS_BackSpace, N, KEY_BACKSPACE);
    t.add(KS_BackSpace, C, KEY_CTRL_BACKSPACE);
    t.add(KS_BackSpace, A, KEY_ALT_BACKSPACE);
    t.add(KS_BackSpace, A | S, KEY_ALT_BACKSPACE | SF);
    t.add(KS_Tab, N, KEY_TAB);
    t.add(KS_ISO_Left_Tab, S, KEY_SHIFT_TAB);
    t.add(KS_Tab, C, KEY_CTRL_TAB);
    t.add(KS_Escape, N, KEY_ESC);

    // The ten editing keys; the keypad gives the same codes with NumLock
    // off, and Control with a keypad key is the keypad digit instead.
    struct { unsigned main; unsigned pad; int plain; int ctrl; int digit; } nav[] = {
        {KS_Home, KS_KP_Home, KEY_HOME, KEY_CTRL_HOME, 7},
        {KS_Up, KS_KP_Up, KEY_UP, KEY_CTRL_UP, 8},
        {KS_Page_Up, KS_KP_Page_Up, KEY_PGUP, KEY_CTRL_PGUP, 9},
        {KS_Left, KS_KP_Left, KEY_LEFT, KEY_CTRL_LEFT, 4},
        {KS_Right, KS_KP_Right, KEY_RIGHT, KEY_CTRL_RIGHT, 6},
        {KS_End, KS_KP_End, KEY_END, KEY_CTRL_END, 1},
        {KS_Down, KS_KP_Down, KEY_DOWN, KEY_CTRL_DOWN, 2},
        {KS_Page_Down, KS_KP_Page_Down, KEY_PGDN, KEY_CTRL_PGDN, 3},
        {KS_Insert, KS_KP_Insert, KEY_INS, KEY_CTRL_INS, 0},
        {KS_Delete, KS_KP_Delete, KEY_DEL, KEY_CTRL_DEL, -1},
    };
    for (const auto& k : nav) {
        t.add(k.main, N, k.plain);
        t.add(k.pad, N, k.plain);
    }
    for (const auto& k : nav)
        t.add(k.main, S, k.plain | SF);
    t.add(KS_KP_0, S, KEY_INS | SF);
    t.add(KS_KP_Decimal, S, KEY_DEL | SF);
    for (const auto& k : nav)
        t.add(k.main, C, k.ctrl);
    t.add(KS_KP_Delete, C, KEY_CTRL_DEL);
    for (const auto& k : nav)
        if (k.main != KS_Up && k.main != KS_Down && k.main != KS_Delete)
            t.add(k.main, C | S, k.ctrl | SF);
    t.add(KS_Home, A, KEY_ALT_HOME);
    t.add(KS_Up, A, KEY_ALT_UP);
    t.add(KS_Left, A, KEY_ALT_LEFT);
    t.add(KS_Right, A, KEY_ALT_RIGHT);
    t.add(KS_Down, A, KEY_ALT_DOWN);

    for (int i = 0; i < 26; i++) {
        unsigned sym = 'a' + i;
        int code = i + 1;
        if (sym == 'i')
            code = KEY_CTRL_I;
        else if (sym == 'm')
            code = KEY_CTRL_M;
        t.add(sym, C, code);
    }
    t.add('m', C | S, KEY_CTRL_SHIFT_M);
    t.add('f', C | S, KEY_CTRL_SHIFT_F);
    t.add('j', C | S, KEY_CTRL_SHIFT_J);
    t.add('\\', C, KEY_CTRL_BACKSLASH);
    t.add('#', C, KEY_CTRL_BACKSLASH);
    t.add('[', C, KEY_ESC);
    t.add(']', C, KEY_CTRL_RBRACKET);
    t.add('-', C, KEY_CTRL_MINUS);
    t.add(' ', C, KEY_SPACE);
    t.add('|', C | S, KEY_CTRL_SHIFT_BACKSLASH);
    t.add('\'', C | S, KEY_CTRL_SHIFT_BACKSLASH);

    for (int i = 0; i < 26; i++)
        t.add('a' + i, A, KEY_EXTENDED + letter_scan[i]);
    for (int i = 0; i < 9; i++)
        t.add('1' + i, A, KEY_ALT_1 + i);
    t.add('0', A, KEY_ALT_0);
    t.add('-', A, KEY_ALT_MINUS);
    t.add('=', A, KEY_ALT_EQUALS);
    t.add('\\', A, KEY_ALT_BACKSLASH);
    t.add('[', A, KEY_ALT_LBRACKET);
    t.add(']', A, KEY_ALT_RBRACKET);
    t.add(';', A, KEY_ALT_SEMICOLON);
    t.add('\'', A, KEY_ALT_APOSTROPHE);
    t.add(',', A, KEY_ALT_COMMA);
    t.add('.', A, KEY_ALT_PERIOD);
    t.add('#', A, (KEY_ALT_1 + 2) | SF);
    // The shifted digit row with Alt continues the Alt+digit codes with the
    // Shift flag (there is no code for "*").
    const char shifted[] = "!@#$%^&";
    for (int i = 0; shifted[i]; i++)
        t.add(static_cast<unsigned char>(shifted[i]), A | S, (KEY_ALT_1 + i) | SF);
    t.add('(', A | S, (KEY_ALT_1 + 8) | SF);
    t.add(')', A | S, KEY_ALT_0 | SF);
    t.add('_', A | S, KEY_ALT_MINUS | SF);
    t.add('+', A | S, KEY_ALT_EQUALS | SF);
    t.add('{', A | S, KEY_ALT_LBRACKET | SF);
    t.add('}', A | S, KEY_ALT_RBRACKET | SF);
    t.add(':', A | S, KEY_ALT_SEMICOLON | SF);
    t.add('"', A | S, KEY_ALT_APOSTROPHE | SF);
    t.add('~', A | S, KEY_ALT_GRAVE);
    t.add('\'', A | S, KEY_ALT_APOSTROPHE);

    t.add(KS_KP_Add, N, KEY_GREY_PLUS);
    t.add(KS_KP_Subtract, N, KEY_GREY_MINUS);
    t.add(KS_KP_Multiply, N, KEY_GREY_STAR);
    t.add(KS_KP_Add, C, KEY_CTRL_GREY_PLUS);
    t.add(KS_KP_Subtract, C, KEY_CTRL_GREY_MINUS);
    t.add(KS_KP_Add, C | S, KEY_CTRL_GREY_PLUS | SF);
    t.add(KS_KP_Subtract, C | S, KEY_CTRL_GREY_MINUS | SF);
    t.add(KS_KP_Add, A, KEY_ALT_GREY_PLUS);
    t.add(KS_KP_Subtract, A, KEY_ALT_GREY_MINUS);

    // Control with a keypad digit, whether NumLock made it a digit or not.
    for (const auto& k : nav) {
        if (k.digit < 0)
            continue;
        t.add(k.pad, C, KEY_CTRL_KEYPAD_0 + k.digit);
        t.add(k.pad, C | S, (KEY_CTRL_KEYPAD_0 + k.digit) | SF);
    }
    t.add(KS_KP_Begin, C, KEY_CTRL_KEYPAD_0 + 5);
    t.add(KS_KP_Begin, C | S, (KEY_CTRL_KEYPAD_0 + 5) | SF);
    for (int i = 0; i < 10; i++) {
        t.add(KS_KP_0 + i, C, KEY_CTRL_KEYPAD_0 + i);
        t.add(KS_KP_0 + i, C | S, (KEY_CTRL_KEYPAD_0 + i) | SF);
    }

    for (unsigned sym : {KS_Shift_L, KS_Shift_R, KS_Control_L, KS_Control_R, KS_Alt_L, KS_Alt_R})
        t.add(sym, Any, KEY_MODIFIERS);
    return t;
}

constexpr KeyTable key_table = make_table();

// The modifier bit a Shift, Control or Alt key changes, or 0.
unsigned modifier_bit(unsigned keyval)
{
    switch (keyval) {
    case KS_Shift_L:
    case KS_Shift_R:
        return STATE_SHIFT;
    case KS_Control_L:
    case KS_Control_R:
        return STATE_CONTROL;
    case KS_Alt_L:
    case KS_Alt_R:
        return STATE_ALT;
    default:
        return 0;
    }
}

bool main_row_digit(int hardware_code)
{
    return hardware_code >= 10 && hardware_code <= 19;
}

}

KeyTranslation translate_key(unsigned keyval, unsigned state, int hardware_code, bool release)
{
    unsigned bit = modifier_bit(keyval);
    // GDK reports the state from before the key; the program wants after.
    state ^= bit;
    if (keyval == KS_Break)
        return {release ? KeyDrop : KeyBreak, 0, state};
    if (release && !bit)
        return {KeyDrop, 0, state};
    unsigned mods = state & STATE_MODIFIERS;
    if (keyval >= 'A' && keyval <= 'Z')
        keyval += 'a' - 'A';
    int code = 0;
    for (int i = 0; i < key_table.count; i++) {
        const KeyRow& r = key_table.rows[i];
        if (r.sym == keyval && (r.mods == Any || r.mods == mods)) {
            code = r.code;
            break;
        }
    }
    if (main_row_digit(hardware_code) && (mods & STATE_CONTROL))
        code = static_cast<int>(keyval);
    if (code == 0)
        return {KeyToInputMethod, 0, state};
    return {KeyQueue, code, state};
}

int finish_key(int code, unsigned state, int hardware_code)
{
    if (!main_row_digit(hardware_code) || !(state & STATE_CONTROL))
        return code;
    int digit = hardware_code == 19 ? 0 : hardware_code - 9;
    return KEY_CTRL_DIGIT | (state & STATE_SHIFT ? KEY_SHIFT_FLAG : 0) | digit;
}
