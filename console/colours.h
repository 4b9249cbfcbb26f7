#ifndef PANNEX_CONSOLE_COLOURS_H
#define PANNEX_CONSOLE_COLOURS_H

#include "foundation/estring.h"

#include <array>

// Colour attributes: background index * 16 + foreground index. Both index
// the same sixteen-colour palette in PC text-mode order; there is no blink
// bit, a background of 8-15 is shown bright.
struct RGB16
{
    unsigned short red, green, blue;
};

// Bit 2 of the index switches red, bit 1 green, bit 0 blue, at half
// intensity for 0-7 and full for 8-15; 7 is light grey and 8 dark grey.
constexpr std::array<RGB16, 16> make_palette()
{
    std::array<RGB16, 16> p{};
    for (int i = 0; i < 16; i++) {
        unsigned short on = i < 8 ? 0x7FFF : 0xFFFF;
        p[i] = {static_cast<unsigned short>(i & 4 ? on : 0), static_cast<unsigned short>(i & 2 ? on : 0),
                static_cast<unsigned short>(i & 1 ? on : 0)};
    }
    p[7] = {0xC000, 0xC000, 0xC000};
    p[8] = {0x8000, 0x8000, 0x8000};
    return p;
}
constexpr std::array<RGB16, 16> palette = make_palette();

// Rows of the colour table: the interface elements that have a colour of
// their own. Other code names a colour by its row.
enum EColour : int {
    ColourPanel,
    ColourHighlight,
    ColourTagged,
    ColourHighlightTagged,
    ColourDirectories,
    ColourDirectoryHigh,
    ColourCommandLine,
    ColourMessages,
    ColourErrors,
    ColourInputFields,
    ColourScreenSaver,
    ColourMenu,
    ColourMenuBar,
    ColourMenuHighlight,
    ColourMenuQuickKey,
    ColourDisabledMenu,
    ColourFileViewer,
    ColourClock,
    ColourCount
};

// The names the Colours dialog lists, in row order.
extern const char* const colour_names[ColourCount];
// The colour words of Str2Attr, indices 0-7: "bla", "blu", "gre", ...
extern const char* const colournames[8];

constexpr unsigned char default_colours[ColourCount] = {
    0x1B, 0x30, 0x1E, 0x3E, 0x1A, 0x20, 0x07, 0x70, 0x4F,
    0x30, 0x03, 0x3F, 0x30, 0x0F, 0x0E, 0x07, 0x1B, 0x30,
};

// Copies the defaults over a colour table of ColourCount bytes (the
// configuration's).
void set_default_colours(unsigned char* table);

// Reads a colour description such as "bright white on blue", starting from
// attr: words before "on" set the foreground, words after it the background;
// a half nobody names keeps attr's value. Words count by their first three
// letters in any case. A word that names no colour adds nothing, but like
// any word it starts its half: "pink on green" clears the foreground too.
unsigned char Str2Attr(Estring spec, unsigned char attr);

#endif
