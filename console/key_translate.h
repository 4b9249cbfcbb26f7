#ifndef PANNEX_CONSOLE_KEY_TRANSLATE_H
#define PANNEX_CONSOLE_KEY_TRANSLATE_H

// Translation of a key press into the program's key code. Pure: the GTK
// layer reads key symbol, modifier state and hardware key code from the
// event and passes them here, so the whole table is testable without a
// display.

enum EKeyAction {
    KeyToInputMethod,  // not in the table: the input method makes text of it
    KeyQueue,          // queue code with state
    KeyDrop,           // a release of an ordinary key
    KeyBreak,          // the Break key: CConsole::BreakHandler, nothing queued
};

struct KeyTranslation
{
    EKeyAction action;
    int code;
    // The event's full modifier state after the key took effect (GDK
    // reports the state from before a Shift, Control or Alt key).
    unsigned state;
};

// keyval: the X key symbol; state: GDK modifier bits; hardware_code: the X
// key code; release: a key release rather than a press. The first table row
// with the same symbol (A-Z folded to a-z) whose modifier set is "any" or
// equals the Shift/Control/Alt bits of the state wins. Control with a digit
// of the main row (hardware codes 10-19) queues the key symbol itself;
// getkey finishes it with finish_key.
KeyTranslation translate_key(unsigned keyval, unsigned state, int hardware_code, bool release);

// The Control+digit rule, applied by getkey to each key event read: a key
// whose hardware code is 10-19 with Control held becomes KEY_CTRL_DIGIT plus
// the digit (code 19 is 0), plus KEY_SHIFT_FLAG with Shift. Anything else is
// returned unchanged.
int finish_key(int code, unsigned state, int hardware_code);

#endif
