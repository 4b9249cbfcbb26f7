#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A harness with the key probe running and its window focused.
class ProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!h.StartDisplay())
            GTEST_SKIP() << h.Missing();
        log = h.Scratch("keys");
        ASSERT_TRUE(h.StartProgram(KEY_PROBE, {log}));
        ASSERT_TRUE(h.WaitWindow("key probe"));
    }

    // The key codes read so far, modifier changes (10100) left out.
    std::vector<std::string> keys(size_t count)
    {
        std::vector<std::string> lines, codes;
        for (int tries = 0; tries < 3 && codes.size() < count; tries++) {
            lines = h.WaitLines(log, lines.size() + 1, 5000);
            codes.clear();
            for (const std::string& l : lines) {
                std::string code = l.substr(0, l.find(' '));
                if (code != "10100")
                    codes.push_back(code);
            }
        }
        return codes;
    }

    CWindowHarness h;
    std::string log;
};

}

TEST_F(ProbeTest, KeysArriveAsKeyCodes)
{
    const struct { const char* keys; const char* code; } rows[] = {
        {"F1", "1003b"},
        {"ctrl+shift+f", "20006"},
        {"alt+x", "1002d"},
        {"ctrl+1", "40001"},       // main row: by hardware code
        {"ctrl+KP_End", "40031"},  // keypad 1 without NumLock
        {"Return", "d"},
    };
    for (const auto& r : rows)
        ASSERT_TRUE(h.Key(r.keys)) << r.keys;
    ASSERT_TRUE(h.Type("\u00e4"));  // through the input method
    std::vector<std::string> got = keys(std::size(rows) + 1);
    ASSERT_EQ(got.size(), std::size(rows) + 1);
    for (size_t i = 0; i < std::size(rows); i++)
        EXPECT_EQ(got[i], rows[i].code) << rows[i].keys;
    EXPECT_EQ(got.back(), "e4");
}

TEST_F(ProbeTest, ClosingTheWindowIsF10)
{
    ASSERT_TRUE(h.CloseWindow());
    EXPECT_EQ(keys(1), std::vector<std::string>{"10044"});
}

TEST_F(ProbeTest, SnapshotAndPixelsShowTheCells)
{
    CWindowHarness::Snapshot s;
    ASSERT_TRUE(h.WaitSnapshot([](const auto& s) { return s.rows[0].rfind("Key probe", 0) == 0; }, s));
    EXPECT_EQ(s.columns, 80);
    EXPECT_EQ(s.lines, 25);
    EXPECT_EQ(s.title, "key probe");
    EXPECT_EQ(s.cursor_x, 0);
    EXPECT_EQ(s.cursor_y, 1);
    EXPECT_EQ(s.cursor_type, 15);
    const std::string panel = "  Panel \u2554\u2550\u2557 \u00e4   ";
    EXPECT_EQ(s.rows[2].substr(0, panel.size()), panel);
    EXPECT_EQ(s.Attr(2, 2), 0x1B);
    EXPECT_EQ(s.Attr(2, 3), 0x30);
    EXPECT_EQ(s.Attr(0, 0), 0x07);

    // The "P" of Panel in attribute 0x1B: a blue background and bright
    // cyan glyph pixels, nothing else.
    std::vector<CWindowHarness::Pixel> px;
    int width, height;
    ASSERT_TRUE(h.Screenshot(px, width, height));
    int blue = 0, cyan = 0, other = 0;
    for (int y = 2 * h.CellHeight(); y < 3 * h.CellHeight(); y++)
        for (int x = 2 * h.CellWidth(); x < 3 * h.CellWidth(); x++) {
            const auto& p = px[static_cast<size_t>(y) * width + x];
            if (p.r == 0 && p.g == 0 && p.b == 0x7F)
                blue++;
            else if (p.r == 0 && p.g == 0xFF && p.b == 0xFF)
                cyan++;
            else if (p.r != 0)
                other++;  // anti-aliasing blends only blue and cyan
        }
    EXPECT_GT(blue, h.CellWidth() * h.CellHeight() / 2);
    EXPECT_GT(cyan, 5);
    EXPECT_EQ(other, 0);
}

TEST_F(ProbeTest, MouseSelectionLandsOnTheClipboard)
{
    if (system("command -v xclip >/dev/null") != 0)
        GTEST_SKIP() << "xclip is not installed";
    // From the end of "this" on line 5 back to the start of line 6... and
    // dragged right to left, bottom to top.
    ASSERT_TRUE(h.Drag(7, 6, 0, 5));
    std::string text;
    for (int tries = 0; tries < 50 && text.empty(); tries++)
        text = h.Clipboard();
    EXPECT_EQ(text, "select t\nand this\n");
    // The drag's release is still queued; a click outside the zone reaches
    // the program as a press and a release.
    ASSERT_TRUE(h.Xdotool({"mousemove", "--sync", "5", "5", "click", "1"}));
    std::vector<std::string> got = keys(3);
    EXPECT_EQ(got, (std::vector<std::string>{"200000", "200000", "200000"}));
}
