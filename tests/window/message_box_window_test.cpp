#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

// A message box in the real window: drawn where the screen tests say,
// painted in the Errors colour and answered with the keyboard.
TEST(MessageBoxWindow, ShownAndAnsweredWithKeys)
{
    CWindowHarness h;
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    std::string log = h.Scratch("answer");
    ASSERT_TRUE(h.StartProgram(MESSAGE_BOX_PROBE, {log}));
    ASSERT_TRUE(h.WaitWindow("message box probe"));
    CWindowHarness::Snapshot s;
    ASSERT_TRUE(h.WaitSnapshot([](const auto& s) { return s.rows[9].find("Retry") != std::string::npos; }, s));

    // 38 wide and 5 high, a third of the way down: columns 21-58, lines 6-10.
    // Rows are UTF-8: the frame characters take three bytes each.
    EXPECT_EQ(s.rows[7].substr(20, 43),
              ".\u2551" + std::string(10, ' ') + "Cannot open file" + std::string(10, ' ') + "\u2551");
    EXPECT_EQ(s.rows[9].substr(24, 36), "  [ Retry ]  [ Skip ]  [ Cancel ]   ");
    EXPECT_EQ(s.Attr(21, 6), 0x4F);
    EXPECT_EQ(s.Attr(24, 9), 0x30) << "the focused button";
    EXPECT_EQ(s.Attr(59, 8), 0x03) << "the shadow";

    // The box's inside is red on the screen: red is at half intensity.
    std::vector<CWindowHarness::Pixel> px;
    int width, height;
    ASSERT_TRUE(h.Screenshot(px, width, height));
    int red = 0;
    for (int y = 8 * h.CellHeight(); y < 9 * h.CellHeight(); y++)
        for (int x = 23 * h.CellWidth(); x < 24 * h.CellWidth(); x++) {
            const auto& p = px[static_cast<size_t>(y) * width + x];
            red += p.r == 0x7F && p.g == 0 && p.b == 0;
        }
    EXPECT_EQ(red, h.CellWidth() * h.CellHeight()) << "a blank cell of the box";

    ASSERT_TRUE(h.Key("Right"));
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
    EXPECT_EQ(h.WaitLines(log, 1), std::vector<std::string>{"115"}) << "Skip answers s";
}
