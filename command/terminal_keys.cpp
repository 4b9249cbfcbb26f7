#include "command/terminal_keys.h"

#include "console/key_codes.h"

void append_utf8(std::string& out, unsigned c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF)
            return;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool terminal_key_bytes(int code, bool application_cursor, std::string& out)
{
    out.clear();
    // Every code below KEY_EXTENDED is a character or a control code. The
    // input method delivers typed characters from 0x80 up too, and a child
    // in a UTF-8 locale reads them only as UTF-8.
    if (code > 0 && code < KEY_EXTENDED) {
        append_utf8(out, static_cast<unsigned>(code));
        return !out.empty();
    }
    static const struct
    {
        int code;
        const char* bytes;
    } fixed[] = {
        {KEY_F1, "\033OP"},           {KEY_F1 + 1, "\033OQ"},      {KEY_F1 + 2, "\033OR"},
        {KEY_F1 + 3, "\033OS"},       {KEY_F1 + 4, "\033[15~"},    {KEY_F1 + 5, "\033[17~"},
        {KEY_F1 + 6, "\033[18~"},     {KEY_F1 + 7, "\033[19~"},    {KEY_F1 + 8, "\033[20~"},
        {KEY_F10, "\033[21~"},        {KEY_F11, "\033[23~"},       {KEY_F12, "\033[24~"},
        {KEY_PGUP, "\033[5~"},        {KEY_PGDN, "\033[6~"},       {KEY_INS, "\033[2~"},
        {KEY_DEL, "\033[3~"},         {KEY_CTRL_PGUP, "\033[5;5~"}, {KEY_CTRL_PGDN, "\033[6;5~"},
        {KEY_BACKSPACE, "\177"},
        // The keyboard keeps Ctrl+I and Ctrl+M apart from Tab and Enter for
        // the program's own use; a child knows them only as those bytes.
        {KEY_CTRL_I, "\t"},           {KEY_CTRL_M, "\r"},
    };
    for (const auto& f : fixed)
        if (f.code == code) {
            out = f.bytes;
            return true;
        }
    static const struct
    {
        int code;
        char final;
    } cursor[] = {
        {KEY_UP, 'A'}, {KEY_DOWN, 'B'}, {KEY_RIGHT, 'C'}, {KEY_LEFT, 'D'}, {KEY_END, 'F'}, {KEY_HOME, 'H'},
    };
    for (const auto& c : cursor)
        if (c.code == code) {
            out = application_cursor ? "\033O" : "\033[";
            out += c.final;
            return true;
        }
    return false;
}
