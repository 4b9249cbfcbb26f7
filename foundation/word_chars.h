#ifndef PANNEX_FOUNDATION_WORD_CHARS_H
#define PANNEX_FOUNDATION_WORD_CHARS_H

// Word characters, for whole-word search, moving by words in the editor and
// input fields, and the highlighter's characters beyond Latin-1: letters,
// combining marks, digits and connectors ("_") of every script, from the
// table that scripts/gen-word-chars makes out of the Unicode data. The
// answer does not depend on the locale. Raw bytes kept in text
// (U+DC00..U+DCFF) are not word characters.
bool iswordchar(wchar_t c);
// The 8-bit form: "_", 0-9, A-Z, a-z and every byte from 0x80 to 0xFE (a
// letter in most code pages).
bool iswordchar(char c);

#endif
