#ifndef PANNEX_CONSOLE_KEY_CODES_H
#define PANNEX_CONSOLE_KEY_CODES_H

// The program's key codes: one int space for every input. Characters are
// their Unicode values; keys without a character are KEY_EXTENDED plus the
// PC scan code of the key or of its Alt/Ctrl/Shift variant, with flag bits
// where the PC scheme has no code of its own. Codes from KEY_MENU_BASE up
// are commands sent by the pull-down menu.

constexpr int KEY_NONE = 0;
constexpr int KEY_EXTENDED = 0x10000;
constexpr int KEY_SHIFT_FLAG = 0x20000;      // Shift held, added to extended codes
constexpr int KEY_CTRL_DIGIT = 0x40000;      // Control with a digit key
constexpr int KEY_GREY = 0x400000;           // keypad +, -, *
constexpr int KEY_MOUSE = 0x200000;          // details in the _MEVENT record
constexpr int KEY_MENU_BASE = 0x100000;      // menu codes: menus/menu_codes.h

constexpr int KEY_CTRL_A = 0x01;             // Ctrl+A .. Ctrl+Z are 1 .. 26
constexpr int KEY_TAB = 0x09;
constexpr int KEY_CTRL_RETURN = 0x0A;
constexpr int KEY_RETURN = 0x0D;
constexpr int KEY_ESC = 0x1B;
constexpr int KEY_CTRL_BACKSLASH = 0x1C;
constexpr int KEY_CTRL_RBRACKET = 0x1D;
constexpr int KEY_CTRL_MINUS = 0x1F;
constexpr int KEY_SPACE = 0x20;
constexpr int KEY_CTRL_BACKSPACE = 0x7F;

constexpr int KEY_MODIFIERS = 0x10100;       // Shift, Control or Alt pressed or released
constexpr int KEY_BACKSPACE = 0x10101;
constexpr int KEY_CTRL_I = 0x10102;          // kept apart from Tab
constexpr int KEY_CTRL_M = 0x10103;          // kept apart from Return
constexpr int KEY_CTRL_SHIFT_M = 0x30103;
constexpr int KEY_CTRL_SHIFT_F = 0x20006;
constexpr int KEY_CTRL_SHIFT_J = 0x2000A;
constexpr int KEY_CTRL_SHIFT_BACKSLASH = 0x2001C;

constexpr int KEY_F1 = 0x1003B;              // F1 .. F10 are consecutive
constexpr int KEY_F10 = 0x10044;
constexpr int KEY_F11 = 0x10085;
constexpr int KEY_F12 = 0x10086;
constexpr int KEY_SHIFT_F1 = 0x30054;
constexpr int KEY_SHIFT_F11 = 0x30087;
constexpr int KEY_CTRL_F1 = 0x1005E;
constexpr int KEY_CTRL_F11 = 0x10089;
constexpr int KEY_ALT_F1 = 0x10068;
constexpr int KEY_ALT_F11 = 0x1008B;
// Ctrl+Shift and Alt+Shift function keys are the Ctrl and Alt codes plus
// KEY_SHIFT_FLAG.

constexpr int KEY_ALT_RETURN = 0x1001C;
constexpr int KEY_ALT_BACKSPACE = 0x1000E;
constexpr int KEY_SHIFT_TAB = 0x3000F;
constexpr int KEY_CTRL_TAB = 0x10094;

constexpr int KEY_HOME = 0x10047;
constexpr int KEY_UP = 0x10048;
constexpr int KEY_PGUP = 0x10049;
constexpr int KEY_LEFT = 0x1004B;
constexpr int KEY_RIGHT = 0x1004D;
constexpr int KEY_END = 0x1004F;
constexpr int KEY_DOWN = 0x10050;
constexpr int KEY_PGDN = 0x10051;
constexpr int KEY_INS = 0x10052;
constexpr int KEY_DEL = 0x10053;
// Shift with these keys: the same codes plus KEY_SHIFT_FLAG.

constexpr int KEY_CTRL_HOME = 0x10077;
constexpr int KEY_CTRL_UP = 0x1008D;
constexpr int KEY_CTRL_PGUP = 0x10084;
constexpr int KEY_CTRL_LEFT = 0x10073;
constexpr int KEY_CTRL_RIGHT = 0x10074;
constexpr int KEY_CTRL_END = 0x10075;
constexpr int KEY_CTRL_DOWN = 0x10091;
constexpr int KEY_CTRL_PGDN = 0x10076;
constexpr int KEY_CTRL_INS = 0x10092;
constexpr int KEY_CTRL_DEL = 0x10093;

constexpr int KEY_ALT_HOME = 0x10097;
constexpr int KEY_ALT_UP = 0x10098;
constexpr int KEY_ALT_LEFT = 0x1009B;
constexpr int KEY_ALT_RIGHT = 0x1009D;
constexpr int KEY_ALT_DOWN = 0x100A0;

// Alt with a letter: KEY_EXTENDED plus the letter key's scan code.
constexpr int KEY_ALT_A = 0x1001E, KEY_ALT_B = 0x10030, KEY_ALT_C = 0x1002E, KEY_ALT_D = 0x10020;
constexpr int KEY_ALT_E = 0x10012, KEY_ALT_F = 0x10021, KEY_ALT_G = 0x10022, KEY_ALT_H = 0x10023;
constexpr int KEY_ALT_I = 0x10017, KEY_ALT_J = 0x10024, KEY_ALT_K = 0x10025, KEY_ALT_L = 0x10026;
constexpr int KEY_ALT_M = 0x10032, KEY_ALT_N = 0x10031, KEY_ALT_O = 0x10018, KEY_ALT_P = 0x10019;
constexpr int KEY_ALT_Q = 0x10010, KEY_ALT_R = 0x10013, KEY_ALT_S = 0x1001F, KEY_ALT_T = 0x10014;
constexpr int KEY_ALT_U = 0x10016, KEY_ALT_V = 0x1002F, KEY_ALT_W = 0x10011, KEY_ALT_X = 0x1002D;
constexpr int KEY_ALT_Y = 0x10015, KEY_ALT_Z = 0x1002C;

constexpr int KEY_ALT_1 = 0x10078;           // Alt+1 .. Alt+9 are consecutive
constexpr int KEY_ALT_0 = 0x10081;
constexpr int KEY_ALT_MINUS = 0x10082;
constexpr int KEY_ALT_EQUALS = 0x10083;
constexpr int KEY_ALT_BACKSLASH = 0x1002B;
constexpr int KEY_ALT_LBRACKET = 0x1001A;
constexpr int KEY_ALT_RBRACKET = 0x1001B;
constexpr int KEY_ALT_SEMICOLON = 0x10027;
constexpr int KEY_ALT_APOSTROPHE = 0x10028;
constexpr int KEY_ALT_GRAVE = 0x10029;
constexpr int KEY_ALT_COMMA = 0x10033;
constexpr int KEY_ALT_PERIOD = 0x10034;

constexpr int KEY_GREY_PLUS = 0x40002B;
constexpr int KEY_GREY_MINUS = 0x40002D;
constexpr int KEY_GREY_STAR = 0x40002A;
constexpr int KEY_CTRL_GREY_PLUS = 0x10090;
constexpr int KEY_CTRL_GREY_MINUS = 0x1008E;
constexpr int KEY_ALT_GREY_PLUS = 0x1004E;
constexpr int KEY_ALT_GREY_MINUS = 0x1004A;

// Control with keypad 0 .. 9 (NumLock on or off); with Shift too, plus
// KEY_SHIFT_FLAG.
constexpr int KEY_CTRL_KEYPAD_0 = 0x40030;

// Modifier bits of event states, as GDK reports them.
constexpr unsigned STATE_SHIFT = 1;
constexpr unsigned STATE_CONTROL = 4;
constexpr unsigned STATE_ALT = 8;
constexpr unsigned STATE_MODIFIERS = STATE_SHIFT | STATE_CONTROL | STATE_ALT;

#endif
