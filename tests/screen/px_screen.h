#ifndef PANNEX_TESTS_SCREEN_PX_SCREEN_H
#define PANNEX_TESTS_SCREEN_PX_SCREEN_H

#include "console/console_test_support.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

// Runs px in-process on the windowless console: start-up, the main loop and
// shutdown, driven by a script of steps. Each time the program waits for
// input with nothing queued, the next steps run: a KEYS step queues its keys
// (and the program goes on), a CHECK step runs its function on the screen as
// it is at that moment (then the next step follows at once). When the script
// is used up, every wait reads F10, with the quit question switched off, so
// no test can hang.
//
// A script must be used up: when px ends with steps left, the test fails
// (a check that never ran proves nothing). A test that expects px to end
// part-way says where with EXITS(); px still waiting for input when the
// script reaches it fails the test too, and steps after it must never run.
//
//     run_px({}, {KEYS(type_keys("ls")), CHECK([] { EXPECT_EQ(row(23).substr(...), ...); })});
//
// px runs with HOME and its working directory in a fresh directory of the
// form /tmp/pxhomeXXXXXX (removed afterwards), so prompts and paths never
// depend on where the project is checked out.
struct ScreenExit
{
};
using ScreenStep = std::variant<std::vector<int>, std::function<void()>, ScreenExit>;

inline ScreenStep KEYS(std::vector<int> keys)
{
    return ScreenStep(std::move(keys));
}
inline ScreenStep KEYS(std::initializer_list<int> keys)
{
    return ScreenStep(std::vector<int>(keys));
}
inline ScreenStep CHECK(std::function<void()> check)
{
    return ScreenStep(std::move(check));
}
inline ScreenStep EXITS()
{
    return ScreenStep(ScreenExit{});
}

// The key codes of typing text (one per character).
std::vector<int> type_keys(const std::string& utf8);

struct PX_RUN
{
    // The exit status of the run.
    int status = 0;
    // Steps that never ran because the program ended first (after EXITS()
    // these are expected).
    int steps_left = 0;
};

// args are the command-line arguments after the program name. settings,
// when given, runs once the program has read its settings (at its first
// wait for input), so a test can change them; the quit question is
// switched off before it. The console is columns x lines.
PX_RUN run_px(std::vector<const char*> args, std::vector<ScreenStep> steps, std::function<void()> settings = {},
              int columns = 80, int lines = 25);

// When not 0, the keys read once the script is used up alternate between
// F10 and this key (KEY_ESC leaves message boxes F10 does not).
extern int px_closing_alternate;

// The directory px runs in during run_px: its HOME and working directory.
std::string px_home();

// Row y of the screen as painted.
std::string row(int y);
// The first row showing text, or -1.
int screen_row_of(const std::string& text);

#endif
