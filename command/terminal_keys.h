#ifndef PANNEX_COMMAND_TERMINAL_KEYS_H
#define PANNEX_COMMAND_TERMINAL_KEYS_H

#include <string>

// What a child on the pseudo-terminal receives for a key code of the
// program's key scheme: the bytes an xterm sends, since children see
// TERM=xterm. Pure, so that it can be tested without a terminal.
//
// Characters go as UTF-8 (Enter is CR, BackSpace DEL 0x7F, the pty's erase
// character); F1-F12, the cursor block and Ctrl+PgUp/PgDn as escape
// sequences; the cursor keys, Home and End take ESC O instead of ESC [ in
// application cursor mode. Shift+Insert (the clipboard) is not a fixed
// sequence: the caller handles it. Returns false, with out empty, for keys
// that send nothing.
[[nodiscard]] bool terminal_key_bytes(int code, bool application_cursor, std::string& out);

// Appends the UTF-8 form of code point c; what is no character (a
// surrogate, beyond U+10FFFF) appends nothing.
void append_utf8(std::string& out, unsigned c);

#endif
