#include "fileops/file_system.h"
#include "fileops/global_clip.h"
#include "foundation/program_name.h"
#include "tests/screen/screen_helpers.h"

namespace {

// The prompt the command line starts with: the current directory.
std::string prompt()
{
    return std::string(PxGetCwd().ToUTF8().c_str()) + ">";
}

}

TEST(MainLoop, TypedTextFollowsThePromptAndAltShowsItsRow)
{
    PX_RUN r = run_px({}, {KEYS(type_keys("echo abc")), CHECK([] {
                               std::string line = prompt() + "echo abc";
                               EXPECT_EQ(row(23), pad(line, 80));
                               EXPECT_EQ(screen_attrs(console, 23, {{0x07, '.'}}), std::string(80, '.'));
                               EXPECT_EQ(cursor_at(), std::to_string(line.size()) + ",23");
                               EXPECT_EQ(row(24).substr(0, 16), "1Help   2Menu   ");
                               // Alt held down, then let go.
                               console.Queue().Put({CConsole::EvKey, KEY_MODIFIERS, STATE_ALT, 64, 0, 0});
                           }),
                           KEYS({}), CHECK([] {
                               EXPECT_EQ(row(24).substr(0, 16), "1Left   2Right  ");
                               console.Queue().Put({CConsole::EvKey, KEY_MODIFIERS, 0, 64, 0, 0});
                           }),
                           KEYS({}), CHECK([] { EXPECT_EQ(row(24).substr(0, 16), "1Help   2Menu   "); })});
    EXPECT_EQ(r.status, 0);
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

TEST(MainLoop, XClipboardOffKeepsTheLineClipboardOutOfTheDesktops)
{
    ScratchDir dir("pxini");
    std::string ini = dir.sys("clip.ini");
    for (bool on : {true, false}) {
        write_file(ini, on ? "XClipboard=on\n" : "XClipboard=off\n");
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
}
