#ifndef PANNEX_CONSOLE_KEYBOARD_H
#define PANNEX_CONSOLE_KEYBOARD_H

#include "console/console.h"

// Reading input on the logic thread: every screen of the program reads
// keys and mouse events through getkey.

// What kind of mouse event a KEY_MOUSE key code stands for.
enum EMouseKind {
    MouseLeftPress = 0,
    MouseRightPress = 1,     // also a right double click
    MouseLeftDrag = 2,
    MouseRightDrag = 3,
    MouseLeftDouble = 4,
    MouseLeftRelease = 5,
    MouseRightRelease = 6,
    MouseWheel = 7,
};

// The mouse record that getkey fills with KEY_MOUSE; getkey also fills
// state for key events.
struct _MEVENT
{
    int kind;                // EMouseKind
    int x, y;                // cell
    unsigned short state;    // Shift 1, Control 4, Alt 8
    short wheel;             // +1 up, -1 down (MouseWheel)
};

// Modifier state of the last event any reader took.
extern int lastShiftState;
// Modifier state getkey last reported.
extern int alt_on;

// Called each time getkey starts a wait, at least once a second while it
// waits for a key, so that the clock can be redrawn; installed by the main
// loop. May be null.
extern void (*clock_refresh_hook)();
// Called by set_lines after the console was resized, to recompute what
// depends on the screen size (get_screen_size); installed by the main loop.
// May be null.
extern void (*screen_size_hook)();

// The next key code. scan, when given, is set to 0. timeout < 0 waits
// without limit, otherwise at most timeout ms, and 0 is returned when
// nothing came. A mouse event gives KEY_MOUSE with mev filled, or 0 when
// the event means nothing to _MEVENT (a middle button). When another reader
// consumed a change of Shift, Control or Alt, KEY_MODIFIERS is returned
// first.
int getkey(unsigned char* scan = nullptr, _MEVENT* mev = nullptr, int timeout = -1);
// Takes one event without waiting; true only for the Escape key. Whatever
// was taken is consumed.
bool check_esc();
// True when events are queued.
bool CheckEvent();
// The character of an Alt key code (KEY_ALT_A gives 'a'), or key unchanged.
int un_alt(int key, _MEVENT& mev);
// Resizes the console to columns x lines in its font, then lets the layout
// follow (screen_size_hook).
void set_lines(int lines, int columns);
// The _MEVENT of a mouse event; false for a button other than left or
// right. Without mev, true.
bool ConvertMouseEvent(CConsole::TEvent& ev, _MEVENT* mev);

#endif
