#include "console/console.h"
#include "console/console_window_gtk.h"
#include "textui/message_box.h"

#include <cstdio>

// A console window for the window tests that shows one message box with
// Retry, Skip and Cancel over a screen of dots and writes the answer, as a
// decimal character code, to the log file named by its argument; then it
// closes the window and ends.
int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: message_box_probe LOG\n");
        return 2;
    }
    if (init_gui(argc, argv) != 0 || open_console_window(console) != 0)
        return 1;
    console.SetTitle(L"message box probe");
    console.BeginPaint();
    for (int y = 0; y < console.Lines(); y++)
        console.FillCell(0, y, console.Columns(), ScreenCell(L'.', 0x1B));
    console.EndPaint();
    char answer = error(L"Cannot open file", L"/tmp/x", MB_RETRY_SKIP_CANCEL);
    FILE* log = std::fopen(argv[1], "w");
    if (!log)
        return 1;
    std::fprintf(log, "%d\n", answer);
    std::fclose(log);
    close_console_window();
    return 0;
}
