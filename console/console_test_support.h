#ifndef PANNEX_CONSOLE_CONSOLE_TEST_SUPPORT_H
#define PANNEX_CONSOLE_CONSOLE_TEST_SUPPORT_H

#include "console/console.h"

#include <initializer_list>
#include <string>
#include <vector>

// Helpers for tests that drive the program through a console without a
// window: a script of keys in, the cell grid out.

// Queues the keys in order, then makes every wait on the emptied queue
// return fallback at once (KEY_ESC for a dialog, KEY_F10 for the main loop
// with exit confirmation off), so that no screen under test can hang.
// Clears what was queued before.
void script_keys(CConsole& con, std::initializer_list<int> keys, int fallback);
void script_keys(CConsole& con, const std::vector<int>& keys, int fallback);

// Row y as painted, UTF-8: columns x .. x + width - 1; width -1 runs to the
// right edge.
std::string screen_text(const CConsole& con, int y, int x = 0, int width = -1);

// One letter per cell standing for its attribute, so that a test compares
// colours as a picture: legend {{0x1B, 'p'}, {0x30, 'h'}}; an attribute not
// in the legend shows as '?'.
struct AttrLetter
{
    unsigned char attr;
    char letter;
};
std::string screen_attrs(const CConsole& con, int y, std::initializer_list<AttrLetter> legend, int x = 0,
                         int width = -1);
// Two lower-case hex digits per cell, as the screen snapshot has them.
std::string screen_attr_hex(const CConsole& con, int y, int x = 0, int width = -1);

// A display that records what the console asks of it.
class CRecordingDisplay : public CConsoleDisplay
{
public:
    struct Area
    {
        int x1, y1, x2, y2;
        bool operator==(const Area&) const = default;
    };
    struct Move
    {
        Area area;
        int dy;
    };

    void Resize(int columns, int lines, const Estring& family, int size) override;
    void Paint(int x1, int y1, int x2, int y2) override;
    void MoveRect(int x1, int y1, int x2, int y2, int dy) override;
    void Beep() override { beeps++; }
    void SetTitle(const Estring& utf8) override { title = utf8; }
    void SetIcons(const Estring* files, int count) override;
    void PutClipText(const Estring& utf8) override { clipboard = utf8; }
    Estring GetClipText() override { return clipboard; }

    std::vector<Area> paints;
    std::vector<Move> moves;
    std::vector<Estring> icons;
    Estring title;
    Estring clipboard;
    Estring font_family;
    int font_size = 0;
    int resizes = 0;
    int beeps = 0;
};

#endif
