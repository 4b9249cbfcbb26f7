#include "console/keyboard.h"

#include "console/key_codes.h"
#include "console/key_translate.h"

int lastShiftState = 0;
int alt_on = 0;
void (*clock_refresh_hook)() = nullptr;
void (*screen_size_hook)() = nullptr;

namespace {

struct AltKey
{
    int code;
    int ch;
};

// Where two characters share a code the first pair wins: Alt+` and
// Alt+Shift+~ are both KEY_ALT_GRAVE.
constexpr AltKey alt_keys[] = {
    {KEY_ALT_A, 'a'}, {KEY_ALT_B, 'b'}, {KEY_ALT_C, 'c'}, {KEY_ALT_D, 'd'}, {KEY_ALT_E, 'e'},
    {KEY_ALT_F, 'f'}, {KEY_ALT_G, 'g'}, {KEY_ALT_H, 'h'}, {KEY_ALT_I, 'i'}, {KEY_ALT_J, 'j'},
    {KEY_ALT_K, 'k'}, {KEY_ALT_L, 'l'}, {KEY_ALT_M, 'm'}, {KEY_ALT_N, 'n'}, {KEY_ALT_O, 'o'},
    {KEY_ALT_P, 'p'}, {KEY_ALT_Q, 'q'}, {KEY_ALT_R, 'r'}, {KEY_ALT_S, 's'}, {KEY_ALT_T, 't'},
    {KEY_ALT_U, 'u'}, {KEY_ALT_V, 'v'}, {KEY_ALT_W, 'w'}, {KEY_ALT_X, 'x'}, {KEY_ALT_Y, 'y'},
    {KEY_ALT_Z, 'z'},
    {KEY_ALT_COMMA, ','}, {KEY_ALT_PERIOD, '.'}, {KEY_ALT_SEMICOLON, ';'}, {KEY_ALT_APOSTROPHE, '\''},
    {KEY_ALT_LBRACKET, '['}, {KEY_ALT_RBRACKET, ']'}, {KEY_ALT_MINUS, '-'}, {KEY_ALT_EQUALS, '='},
    {KEY_ALT_GRAVE, '`'}, {KEY_ALT_BACKSLASH, '\\'},
    {KEY_ALT_1, '1'}, {KEY_ALT_1 + 1, '2'}, {KEY_ALT_1 + 2, '3'}, {KEY_ALT_1 + 3, '4'}, {KEY_ALT_1 + 4, '5'},
    {KEY_ALT_1 + 5, '6'}, {KEY_ALT_1 + 6, '7'}, {KEY_ALT_1 + 7, '8'}, {KEY_ALT_1 + 8, '9'}, {KEY_ALT_0, '0'},
    {KEY_ALT_1 | KEY_SHIFT_FLAG, '!'}, {(KEY_ALT_1 + 1) | KEY_SHIFT_FLAG, '@'},
    {(KEY_ALT_1 + 2) | KEY_SHIFT_FLAG, '#'}, {(KEY_ALT_1 + 3) | KEY_SHIFT_FLAG, '$'},
    {(KEY_ALT_1 + 4) | KEY_SHIFT_FLAG, '%'}, {(KEY_ALT_1 + 5) | KEY_SHIFT_FLAG, '^'},
    {(KEY_ALT_1 + 6) | KEY_SHIFT_FLAG, '&'}, {(KEY_ALT_1 + 8) | KEY_SHIFT_FLAG, '('},
    {KEY_ALT_0 | KEY_SHIFT_FLAG, ')'}, {KEY_ALT_MINUS | KEY_SHIFT_FLAG, '_'},
    {KEY_ALT_EQUALS | KEY_SHIFT_FLAG, '+'}, {KEY_ALT_LBRACKET | KEY_SHIFT_FLAG, '{'},
    {KEY_ALT_RBRACKET | KEY_SHIFT_FLAG, '}'}, {KEY_ALT_GRAVE, '~'},
    {KEY_ALT_APOSTROPHE | KEY_SHIFT_FLAG, '"'},
};
static_assert(sizeof(alt_keys) / sizeof(alt_keys[0]) == 61);

void refresh_clock()
{
    if (clock_refresh_hook)
        clock_refresh_hook();
}

}

int getkey(unsigned char* scan, _MEVENT* mev, int timeout)
{
    if (scan)
        *scan = 0;
    // Only Shift, Control and Alt count: a lock key or a mouse button in
    // the state is no modifier change.
    if ((lastShiftState ^ alt_on) & STATE_MODIFIERS) {
        alt_on = lastShiftState;
        if (mev)
            mev->state = static_cast<unsigned short>(alt_on);
        return KEY_MODIFIERS;
    }
    CConsole::TEvent ev;
    if (timeout < 0) {
        do
            refresh_clock();
        while (!console.GetEvent(ev, 1000));
    } else {
        refresh_clock();
        if (!console.GetEvent(ev, timeout))
            return 0;
    }
    lastShiftState = static_cast<int>(ev.state);
    if (ev.type != CConsole::EvKey)
        return ConvertMouseEvent(ev, mev) ? KEY_MOUSE : 0;
    if (mev)
        mev->state = static_cast<unsigned short>(ev.state);
    alt_on = static_cast<int>(ev.state);
    return finish_key(ev.key, ev.state, ev.keycode);
}

bool check_esc()
{
    CConsole::TEvent ev;
    if (!console.GetEvent(ev, 0))
        return false;
    lastShiftState = static_cast<int>(ev.state);
    return ev.type == CConsole::EvKey && ev.key == KEY_ESC;
}

bool CheckEvent()
{
    return console.GetEventQueueLen() > 0;
}

int un_alt(int key, _MEVENT&)
{
    for (const AltKey& a : alt_keys)
        if (a.code == key)
            return a.ch;
    return key;
}

void set_lines(int lines, int columns)
{
    console.SetSize(columns, lines, Estring(), 0);
    if (screen_size_hook)
        screen_size_hook();
}

bool ConvertMouseEvent(CConsole::TEvent& ev, _MEVENT* mev)
{
    if (!mev)
        return true;
    bool wheel = ev.type == CConsole::EvWheel;
    if (!wheel && ev.key != 1 && ev.key != 2)
        return false;
    bool left = ev.key == 1;
    mev->x = ev.x;
    mev->y = ev.y;
    mev->state = static_cast<unsigned short>(ev.state);
    mev->wheel = 0;
    switch (ev.type) {
    case CConsole::EvButtonPress:
        mev->kind = left ? MouseLeftPress : MouseRightPress;
        break;
    case CConsole::EvButtonRelease:
        mev->kind = left ? MouseLeftRelease : MouseRightRelease;
        break;
    case CConsole::EvMotion:
        mev->kind = left ? MouseLeftDrag : MouseRightDrag;
        break;
    case CConsole::EvDoubleClick:
        mev->kind = left ? MouseLeftDouble : MouseRightPress;
        break;
    case CConsole::EvWheel:
        mev->kind = MouseWheel;
        mev->wheel = ev.key > 0 ? 1 : -1;
        break;
    case CConsole::EvKey:
        return false;
    }
    return true;
}
