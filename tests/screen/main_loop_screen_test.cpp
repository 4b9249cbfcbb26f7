#include "config/command_history.h"
#include "config/config.h"
#include "console/key_codes.h"
#include "fileops/file_system.h"
#include "fileops/global_clip.h"
#include "foundation/program_name.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The prompt the command line starts with: the current directory.
std::string prompt()
{
    return std::string(PxGetCwd().ToUTF8().c_str()) + ">";
}

}

TEST(MainLoop, TypedTextFollowsThePrompt)
{
    PX_RUN r = run_px({}, {KEYS(type_keys("echo abc")), CHECK([] {
                               std::string line = prompt() + "echo abc";
                               EXPECT_EQ(row(23), line + std::string(80 - line.size(), ' '));
                               EXPECT_EQ(screen_attrs(console, 23, {{0x07, '.'}}), std::string(80, '.'));
                               int x, y;
                               console.GetCursorPos(x, y);
                               EXPECT_EQ(x, static_cast<int>(line.size()));
                               EXPECT_EQ(y, 23);
                               EXPECT_EQ(row(24).substr(0, 16), "1Help   2Menu   ");
                           })});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.steps_left, 0);
}

TEST(MainLoop, HoldingAltShowsTheAltRow)
{
    auto alt_down = [] { console.Queue().Put({CConsole::EvKey, KEY_MODIFIERS, STATE_ALT, 64, 0, 0}); };
    auto alt_up = [] { console.Queue().Put({CConsole::EvKey, KEY_MODIFIERS, 0, 64, 0, 0}); };
    run_px({}, {CHECK(alt_down), KEYS({}), CHECK([] { EXPECT_EQ(row(24).substr(0, 16), "1Left   2Right  "); }),
                CHECK(alt_up), KEYS({}), CHECK([] { EXPECT_EQ(row(24).substr(0, 16), "1Help   2Menu   "); })});
}

TEST(MainLoop, QuitAsksUnlessSwitchedOff)
{
    bool boxed = false, still_running = false;
    auto ask = [] { config.Confirmations &= ~ConfirmQuit; };
    PX_RUN r = run_px({}, {KEYS({KEY_F10}), CHECK([&] {
                               boxed = screen_row_of("Are you sure you want to exit " PANNEX_NAME " ?") >= 0;
                           }),
                           KEYS({KEY_ESC}), CHECK([&] {
                               // Cancelled: the box is gone and the loop goes on.
                               still_running = screen_row_of("Are you sure") < 0;
                           }),
                           KEYS({KEY_F10}), KEYS({KEY_RETURN}), EXITS(), KEYS({'x'})},
                  ask);
    EXPECT_TRUE(boxed);
    EXPECT_TRUE(still_running);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.steps_left, 1);  // Enter ended the loop before "x" was typed
}

TEST(MainLoop, EnterRecordsTheLineAndHistoryBrowsingBringsItBack)
{
    run_px({}, {KEYS(type_keys("make all")), KEYS({KEY_RETURN}), CHECK([] {
                    ASSERT_EQ(history.count, 1);
                    EXPECT_EQ(row(23), prompt() + std::string(80 - prompt().size(), ' '));
                }),
                KEYS({KEY_CTRL_A + 'E' - 'A'}), CHECK([] { EXPECT_EQ(row(23).substr(0, prompt().size() + 8), prompt() + "make all"); })});
}

TEST(MainLoop, AClickOnTheKeyBarPressesItsKey)
{
    auto click = [](int x) {
        console.Queue().Put({CConsole::EvButtonPress, 1, 0, 0, x, 24});
        console.Queue().Put({CConsole::EvButtonRelease, 1, 0, 0, x, 24});
    };
    bool boxed = false;
    PX_RUN r = run_px({}, {CHECK([&] { click(75); }), KEYS({}), CHECK([&] {
                               boxed = screen_row_of("Are you sure you want to exit " PANNEX_NAME " ?") >= 0;
                           }),
                           KEYS({KEY_RETURN}), EXITS(), KEYS({'x'})},
                  [] { config.Confirmations &= ~ConfirmQuit; });
    EXPECT_TRUE(boxed);
    EXPECT_EQ(r.steps_left, 1);
}

TEST(MainLoop, ClockInTheTopRightCorner)
{
    run_px({}, {CHECK([] {}), KEYS({' '}), CHECK([] {
                    std::string clock = screen_text(console, 0, 74);
                    // The time itself changes; its shape and colour do not.
                    ASSERT_EQ(clock.size(), 6u);
                    EXPECT_TRUE(clock[5] == 'a' || clock[5] == 'p') << clock;
                    EXPECT_TRUE(clock[2] == ':' || clock[2] == ' ') << clock;
                    EXPECT_EQ(screen_attrs(console, 0, {{0x30, 'c'}}, 74), "cccccc");
                })},
           [] { config.Clock = true; });
}

TEST(MainLoop, XClipboardOffKeepsTheLineClipboardOutOfTheDesktops)
{
    char dir[] = "/tmp/pxiniXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string ini = std::string(dir) + "/clip.ini";
    for (bool on : {true, false}) {
        FILE* f = std::fopen(ini.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(on ? "XClipboard=on\n" : "XClipboard=off\n", f);
        std::fclose(f);
        run_px({ini.c_str()}, {CHECK([on] {
                   CRecordingDisplay desktop;
                   console.SetDisplay(&desktop);
                   TObjectStore<Westring> lines;
                   lines.AddObject(new Westring(L"hello"));
                   PutGlobalClip(lines);
                   console.SetDisplay(nullptr);
                   EXPECT_STREQ(desktop.clipboard.c_str(), on ? "hello" : "") << on;
               })});
    }
    std::remove(ini.c_str());
    rmdir(dir);
}
