#ifndef PANNEX_TEXTUI_MESSAGE_BOX_H
#define PANNEX_TEXTUI_MESSAGE_BOX_H

#include "foundation/westring.h"

#include <vector>

// Message-box flags: bits 0-3 choose the buttons, MB_MESSAGE shows the box
// in the "Messages" colour instead of "Errors".
constexpr char MB_OK = 0;                   // "_OK"
constexpr char MB_OK_CANCEL = 1;            // "_OK" "Cancel"
constexpr char MB_OK_CANCEL_SKIP_ALL = 2;   // "_OK" "Cancel" "Skip" "All" "None"
constexpr char MB_RETRY_SKIP_CANCEL = 3;    // "Retry" "Skip" "Cancel"
constexpr char MB_OVERWRITE = 4;            // set 2 and "All Older"
constexpr char MB_MESSAGE = 16;

// What the buttons answer: 'y' (OK or Enter), 27 (Cancel or Esc), 's'
// (Skip), 'a' (All), 'e' (None), 'd' (All Older), 'r' (Retry).
constexpr char ANSWER_YES = 'y';
constexpr char ANSWER_CANCEL = 27;

// A running operation whose progress display must stop before a message
// box opens over it, so that it does not draw across the box. The copy
// stage's copy_status implements it by stopping its refresh thread.
class CProgressStop
{
public:
    virtual ~CProgressStop() = default;
    virtual void StopUpdate() = 0;
};

// The program's message box: the message wrapped to the screen width less
// 8 (at most ten lines), the name shortened to that width on the line under
// it, and a row of buttons. Returns the chosen button's answer; a blank
// when the dialog ended without one. Logic thread.
char error(const Westring& message, const wchar_t* name = nullptr, char flags = 0);
// Stops status's progress display first.
char error(CProgressStop* status, const Westring& message, const wchar_t* name = nullptr, char flags = 0);

// The wrapping rule: lines of at most width characters, cut at the last
// blank at or before width (which is dropped), or at width without one.
// At most max_lines lines; the rest is not shown.
std::vector<Westring> wrap_message(const Westring& message, int width, int max_lines);

#endif
