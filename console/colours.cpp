#include "console/colours.h"

#include <cstring>

const char* const colour_names[ColourCount] = {
    "Panel",         "Highlight",    "Tagged",      "Highlight-Tagged", "Directories",    "Directory High",
    "Command Line",  "Messages",     "Errors",      "Input Fields",     "Screen Saver",   "Menu",
    "Menu Bar",      "Menu Highlight", "Menu Quick Key", "Disabled Menu", "File Viewer",   "Clock",
};

const char* const colournames[8] = {"bla", "blu", "gre", "cya", "red", "mag", "yel", "whi"};

void set_default_colours(unsigned char* table)
{
    std::memcpy(table, default_colours, sizeof(default_colours));
}

unsigned char Str2Attr(Estring spec, unsigned char attr)
{
    unsigned char result = attr;
    bool started = false;
    bool background = false;
    while (!spec.empty()) {
        Estring word;
        int space = spec.chr(' ');
        if (space < 0) {
            word = spec;
            spec = "";
        } else {
            word = spec.left(space);
            spec = spec.mid(space + 1, 0).trim();
        }
        word = word.left(3);
        if (word == "on") {
            result &= 0x0F;
            started = true;
            background = true;
            continue;
        }
        if (!started) {
            result &= 0xF0;
            started = true;
        }
        if (word == "bri") {
            result |= background ? 0x80 : 0x08;
            continue;
        }
        for (int i = 0; i < 8; i++) {
            if (word == colournames[i]) {
                result |= background ? i << 4 : i;
                break;
            }
        }
    }
    return result;
}
