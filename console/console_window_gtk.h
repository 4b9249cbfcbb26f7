#ifndef PANNEX_CONSOLE_CONSOLE_WINDOW_GTK_H
#define PANNEX_CONSOLE_CONSOLE_WINDOW_GTK_H

#include "console/console.h"

// The console's GTK window. This header names no toolkit type, so that
// the program starts the window without compiling against gtkmm.

// Installs gdkLock/gdkUnlock as GDK's lock, initialises GDK threads and
// GTK with the program's arguments (which GTK may edit). Call once from
// main before any other toolkit use. 0, or -1 when there is no display.
[[nodiscard]] int init_gui(int& argc, char**& argv);

// Opens the window on con (80 x 25 in its font until resized), attaches
// it as con's display and starts the toolkit thread, which delivers input
// to con, and the cursor-flash thread. 0, or -1 when init_gui did not
// succeed or a window is already open. Logic thread.
[[nodiscard]] int open_console_window(CConsole& con);

// Stops both threads, detaches the window from its console and destroys
// it. Nothing when no window is open. Logic thread; the caller must not
// hold the GDK lock.
void close_console_window();

// Waits until the X server has carried out every drawing request made so
// far; for benchmarks and tests that measure or look at pixels.
void sync_console_window();

// How many cell lines have been painted into the window's pixmap so far:
// benchmarks check with it that what they time really reached the window.
long long painted_line_count();

// The program's GDK lock (GdkMutex, recursive). Every toolkit call outside
// the toolkit thread's handlers is made between these.
void gdkLock();
void gdkUnlock();

#endif
