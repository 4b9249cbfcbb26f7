#ifndef PANNEX_TEXTUI_CLIPBOARD_LINE_H
#define PANNEX_TEXTUI_CLIPBOARD_LINE_H

#include "foundation/westring.h"

// The clipboard as one line of text, for input fields: read through the
// console's clipboard (the desktop's CLIPBOARD selection), written by
// replacing it. Logic thread.

// The clipboard's lines joined by single blanks, leading and trailing empty
// lines dropped; CR before LF is dropped too.
Westring getclipline();
void putclipline(const wchar_t* text);
// 8-bit text in the program's code page.
void putclipline(const char* text);

// The joining rule of getclipline on a given text.
Westring clip_text_to_line(const Westring& text);

#endif
