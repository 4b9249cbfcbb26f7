#include "console/console.h"
#include "console/console_window_gtk.h"
#include "console/key_codes.h"
#include "console/keyboard.h"

#include <cstdio>

// A console window for the window tests: it shows a fixed picture (known
// text and colours), lets the whole screen be selected with the mouse, and
// appends every key code it reads to the log file named by its argument,
// one "code state" line in hex each. It runs until it is killed.
int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: key_probe LOG\n");
        return 2;
    }
    if (init_gui(argc, argv) != 0 || open_console_window(console) != 0)
        return 1;
    FILE* log = std::fopen(argv[1], "w");
    if (!log)
        return 1;
    console.SetTitle(L"key probe");
    console.BeginPaint();
    console.PutStringAt(0, 0, L"Key probe", 0x07);
    console.PutStringAt(2, 2, L"Panel \u2554\u2550\u2557 \u00e4", 0x1B);
    console.PutStringAt(2, 3, L"Highlight", 0x30);
    console.PutStringAt(0, 5, L"select this text   ", 0x07);
    console.PutStringAt(0, 6, L"and this line", 0x07);
    console.EndPaint();
    console.SetCursorPos(0, 1);
    console.SetCursorType(15);
    console.SetSelectionZone(0, 4, console.Columns(), 4);
    for (;;) {
        _MEVENT mev{};
        int code = getkey(nullptr, &mev, -1);
        std::fprintf(log, "%x %x\n", code, mev.state);
        std::fflush(log);
        char line[40];
        std::snprintf(line, sizeof line, "last key %-8x", code);
        console.PutStringAt(0, 1, line, 0x07);
    }
}
