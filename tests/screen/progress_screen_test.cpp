#include "screen_fixture.h"

#include "textui/progress_thread.h"

#include <chrono>
#include <memory>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Waits up to two seconds for the window to open.
bool wait_shown(const ProgressIndicatorThread& p)
{
    auto end = steady_clock::now() + std::chrono::seconds(2);
    while (!p.Shown() && steady_clock::now() < end)
        std::this_thread::sleep_for(milliseconds(5));
    return p.Shown();
}

}

TEST_F(ScreenTest, ProgressOfAShortOperationNeverDraws)
{
    std::vector<ScreenCell> before = grid();
    display.paints.clear();
    int count = 0;
    long long done = 0, total = 100;
    auto start = steady_clock::now();
    {
        DirReadProgress dir(count);
        FileReadProgress file(done, total, "Loading");
        count = 500;
        done = 100;
    }
    EXPECT_LT(steady_clock::now() - start, milliseconds(500)) << "stopping does not wait out the second";
    EXPECT_EQ(grid(), before);
    EXPECT_TRUE(display.paints.empty());
}

TEST_F(ScreenTest, ProgressOfALongOperationDrawsAndRestores)
{
    std::vector<ScreenCell> before = grid();
    int count = 1234567;
    auto dir = std::make_unique<DirReadProgress>(count, 20, 10);
    ASSERT_TRUE(wait_shown(*dir));
    dir->Stop();
    // 35 x 6 a third of the way down: columns 22-56, lines 6-11.
    EXPECT_EQ(screen_text(console, 8, 22, 24), "║    Reading directory: ");
    EXPECT_NE(std::string("-\\|/").find(screen_text(console, 8, 46, 1)), std::string::npos);
    EXPECT_EQ(screen_text(console, 9, 22, 35), "║    Files: 1,234,567" + std::string(13, ' ') + "║");
    std::vector<ScreenCell> stopped = grid();
    std::this_thread::sleep_for(milliseconds(40));
    EXPECT_EQ(grid(), stopped) << "the spinner stopped with Stop";
    dir.reset();
    EXPECT_EQ(grid(), before);
}

TEST_F(ScreenTest, FileProgressBar)
{
    const struct { long long done, total; int full; } rows[] = {
        {0, 0, 0},        // no total: an empty bar, not a division by zero
        {1, 4, 9},
        {5, 4, 36},       // beyond the total: a full bar
    };
    for (const auto& r : rows) {
        SetUp();
        long long done = r.done, total = r.total;
        {
            FileReadProgress file(done, total, "Loading big.txt", 10, 10);
            ASSERT_TRUE(wait_shown(file));
            file.Stop();
            // 40 x 5: columns 20-59, lines 6-10; the bar on line 9.
            EXPECT_EQ(screen_text(console, 7, 20, 40), "║           Loading big.txt            ║");
            std::string bar;
            for (int i = 0; i < 36; i++)
                bar += i < r.full ? "█" : "░";
            EXPECT_EQ(screen_text(console, 9, 22, 36), bar) << r.done << "/" << r.total;
        }
        EXPECT_EQ(screen_text(console, 9, 20, 40), std::string(40, '.'));
    }
}
