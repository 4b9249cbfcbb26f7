#ifndef PANNEX_CONSOLE_SCREEN_CELL_H
#define PANNEX_CONSOLE_SCREEN_CELL_H

// One character cell of the screen: a Unicode code point and a colour
// attribute (background * 16 + foreground, indices into the 16-colour
// palette). The character is a wchar_t, 32 bits here, so that cells compare
// with wide text without casts; a 0 character ends a cell string.
struct ScreenCell
{
    // Leaves both fields unset, like a plain array element.
    ScreenCell() = default;
    constexpr ScreenCell(wchar_t c, unsigned char a) : ch(c), attr(a) {}

    // The console compares before writing, so that rewriting what is already
    // shown paints nothing.
    constexpr bool operator==(const ScreenCell& o) const { return ch == o.ch && attr == o.attr; }
    constexpr bool operator!=(const ScreenCell& o) const { return !(*this == o); }

    wchar_t ch;
    unsigned char attr;
};

// C-string-like operations on 0-terminated cell arrays; the caller provides
// the room. The 8-bit forms take each byte as a character code (no code-page
// conversion), for ASCII text.
ScreenCell* strcpy(ScreenCell* dst, const char* src, unsigned char attr);
// At most n cells; stops after copying a terminator and writes none when it
// did not meet one within n.
ScreenCell* strncpy(ScreenCell* dst, const char* src, unsigned char attr, int n);
ScreenCell* strcat(ScreenCell* dst, const char* src, unsigned char attr);
ScreenCell* strcpy(ScreenCell* dst, const wchar_t* src, unsigned char attr);
ScreenCell* strncpy(ScreenCell* dst, const wchar_t* src, unsigned char attr, int n);
ScreenCell* strcat(ScreenCell* dst, const wchar_t* src, unsigned char attr);
// Cells keep their own attributes.
ScreenCell* strcpy(ScreenCell* dst, const ScreenCell* src);
ScreenCell* strcat(ScreenCell* dst, const ScreenCell* src);
// Number of cells before the first cell whose character is 0.
int strlen(const ScreenCell* s);

#endif
