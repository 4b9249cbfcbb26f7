#ifndef PANNEX_CONSOLE_KEY_SYMBOLS_H
#define PANNEX_CONSOLE_KEY_SYMBOLS_H

// The X key symbol values that key translation looks at. GDK reports the X
// values unchanged; the GTK library checks these against GDK's own names
// at compile time. Printable ASCII keys have their character as symbol.

constexpr unsigned KS_BackSpace = 0xFF08;
constexpr unsigned KS_Tab = 0xFF09;
constexpr unsigned KS_Return = 0xFF0D;
constexpr unsigned KS_Break = 0xFF6B;
constexpr unsigned KS_Escape = 0xFF1B;
constexpr unsigned KS_ISO_Left_Tab = 0xFE20;

constexpr unsigned KS_Home = 0xFF50;
constexpr unsigned KS_Left = 0xFF51;
constexpr unsigned KS_Up = 0xFF52;
constexpr unsigned KS_Right = 0xFF53;
constexpr unsigned KS_Down = 0xFF54;
constexpr unsigned KS_Page_Up = 0xFF55;
constexpr unsigned KS_Page_Down = 0xFF56;
constexpr unsigned KS_End = 0xFF57;
constexpr unsigned KS_Insert = 0xFF63;
constexpr unsigned KS_Delete = 0xFFFF;

constexpr unsigned KS_KP_Enter = 0xFF8D;
constexpr unsigned KS_KP_Home = 0xFF95;
constexpr unsigned KS_KP_Left = 0xFF96;
constexpr unsigned KS_KP_Up = 0xFF97;
constexpr unsigned KS_KP_Right = 0xFF98;
constexpr unsigned KS_KP_Down = 0xFF99;
constexpr unsigned KS_KP_Page_Up = 0xFF9A;
constexpr unsigned KS_KP_Page_Down = 0xFF9B;
constexpr unsigned KS_KP_End = 0xFF9C;
constexpr unsigned KS_KP_Begin = 0xFF9D;
constexpr unsigned KS_KP_Insert = 0xFF9E;
constexpr unsigned KS_KP_Delete = 0xFF9F;
constexpr unsigned KS_KP_Multiply = 0xFFAA;
constexpr unsigned KS_KP_Add = 0xFFAB;
constexpr unsigned KS_KP_Subtract = 0xFFAD;
constexpr unsigned KS_KP_Decimal = 0xFFAE;
constexpr unsigned KS_KP_0 = 0xFFB0;         // KP_0 .. KP_9 are consecutive

constexpr unsigned KS_F1 = 0xFFBE;           // F1 .. F12 are consecutive
constexpr unsigned KS_F11 = 0xFFC8;
constexpr unsigned KS_F12 = 0xFFC9;

constexpr unsigned KS_Shift_L = 0xFFE1;
constexpr unsigned KS_Shift_R = 0xFFE2;
constexpr unsigned KS_Control_L = 0xFFE3;
constexpr unsigned KS_Control_R = 0xFFE4;
constexpr unsigned KS_Alt_L = 0xFFE9;
constexpr unsigned KS_Alt_R = 0xFFEA;

#endif
