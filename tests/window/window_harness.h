#ifndef PANNEX_TESTS_WINDOW_WINDOW_HARNESS_H
#define PANNEX_TESTS_WINDOW_WINDOW_HARNESS_H

#include "foundation/program_name.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs a program's window on an Xvfb display of its own: starts the
// server and the program (with PX_SCREEN_DUMP set), types with xdotool,
// waits for the screen snapshot to show something, reads pixels and the
// clipboard. Everything it started is stopped by the destructor. Every wait
// has a time-out, so a test fails instead of hanging.
//
//     CWindowHarness h;
//     if (!h.StartDisplay())
//         GTEST_SKIP() << h.Missing();
//     ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {}));
//     ASSERT_TRUE(h.WaitWindow());
//     h.Key("F10");
//     EXPECT_EQ(h.WaitExit(10000), 0);
class CWindowHarness
{
public:
    // The screen snapshot as the program last wrote it.
    struct Snapshot
    {
        int seq = 0, columns = 0, lines = 0, cursor_x = 0, cursor_y = 0, cursor_type = 0;
        std::string title;
        std::vector<std::string> rows;   // UTF-8, one per screen line
        std::vector<std::string> attrs;  // two hex digits per cell
        // The attribute byte of a cell.
        int Attr(int x, int y) const;
    };
    struct Pixel
    {
        unsigned char r, g, b;
    };

    CWindowHarness();
    ~CWindowHarness();
    CWindowHarness(const CWindowHarness&) = delete;
    CWindowHarness& operator=(const CWindowHarness&) = delete;

    // Starts Xvfb on a free display. False when Xvfb or xdotool is not
    // installed (the test may skip) or the server does not come up (the
    // test has then failed already); Missing() says why.
    bool StartDisplay();
    const std::string& Missing() const { return missing; }
    const std::string& Display() const { return display; }

    // Starts program on the display with PX_SCREEN_DUMP pointing into the
    // harness's scratch directory, which is also its working directory: a
    // short path of the form /tmp/px_window_XXXXXX.
    bool StartProgram(const std::string& program, const std::vector<std::string>& args);
    // Waits until the program's window (title containing title) is mapped,
    // focuses it and learns the cell size from the first snapshot.
    bool WaitWindow(const std::string& title = PANNEX_NAME, int timeout_ms = 20000);
    unsigned long Window() const { return window; }
    int CellWidth() const { return cell_width; }
    int CellHeight() const { return cell_height; }

    // xdotool with these arguments on the display; true when it succeeded.
    bool Xdotool(const std::vector<std::string>& args, int timeout_ms = 10000);
    // Key combinations as xdotool writes them ("ctrl+shift+f"), in order.
    bool Key(const std::string& keys);
    // Text typed as characters (through the input method).
    bool Type(const std::string& utf8);
    // Drags with the left button from cell (x1, y1) to cell (x2, y2).
    bool Drag(int x1, int y1, int x2, int y2);
    // The window's title as X has it (xdotool getwindowname), re-read until
    // it is want or timeout_ms have passed; the last title read.
    std::string WaitWindowName(const std::string& want, int timeout_ms = 10000);
    // Asks the window to close the way a window manager's close button does.
    bool CloseWindow();

    // The latest snapshot; false when there is none yet.
    bool ReadSnapshot(Snapshot& out) const;
    // Re-reads the snapshot until pred accepts it; false on time-out.
    bool WaitSnapshot(const std::function<bool(const Snapshot&)>& pred, Snapshot& out, int timeout_ms = 10000);
    // Waits until path exists; false on time-out.
    bool WaitExists(const std::string& path, int timeout_ms = 10000) const;
    // Waits until file path holds at least lines lines; returns them.
    std::vector<std::string> WaitLines(const std::string& path, size_t lines, int timeout_ms = 10000) const;

    // The screen's pixels (what X shows), row-major; width x height.
    bool Screenshot(std::vector<Pixel>& out, int& width, int& height) const;
    // The CLIPBOARD text as xclip reads it.
    std::string Clipboard() const;

    // Waits for the program to end: its exit status, or -1 on time-out.
    int WaitExit(int timeout_ms);
    // The program's process id (-1 when none runs).
    pid_t ProgramPid() const { return program; }
    // A file name in the scratch directory.
    std::string Scratch(const std::string& name) const { return scratch + "/" + name; }
    // The HOME the program runs with (settings go to Home() + "/.pxl").
    std::string Home() const { return scratch + "/home"; }

    // Parses snapshot text; false when it is malformed.
    static bool ParseSnapshot(const std::string& text, Snapshot& out);

private:
    void stop(pid_t& pid);

    std::string scratch;
    std::string display;
    std::string missing;
    std::string dump;
    pid_t xvfb = -1;
    pid_t program = -1;
    unsigned long window = 0;
    int cell_width = 0, cell_height = 0;
};

#endif
