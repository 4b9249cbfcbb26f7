#ifndef PANNEX_TESTS_SCREEN_SCREEN_FIXTURE_H
#define PANNEX_TESTS_SCREEN_SCREEN_FIXTURE_H

#include "console/console.h"
#include "console/console_test_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// The global console at 80 x 25 with every cell a '.' in Background, the
// colour table at its defaults and shadows on. Each time the program waits
// for input the whole screen is copied, so that a test can look at a
// dialog that is gone by the time Process returns.
class ScreenTest : public ::testing::Test
{
public:
    // All cells of the live screen, to compare whole screens.
    static std::vector<ScreenCell> grid();

protected:
    static constexpr unsigned char Background = 0x1B;

    void SetUp() override;
    void TearDown() override;

    // The input script, in order; once it runs out every wait returns
    // fallback at once.
    static void keys(std::initializer_list<int> codes);
    static void press(int x, int y);
    static void release(int x, int y);
    static void fallback(int code);

    // Loads the screen as it was at the n-th wait for input (-1: the last)
    // into `shot`, for screen_text and screen_attrs.
    void show(int n);
    // How often the program started to wait for input; any thread.
    static int waits_started();

    CConsole shot;
    CRecordingDisplay display;
};

#endif
