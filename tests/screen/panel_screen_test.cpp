#include "tests/screen/screen_helpers.h"

#include <ctime>

namespace {

constexpr int AltShiftF(int n)
{
    return AltF(n) | KEY_SHIFT_FLAG;
}

// Times in UTC, so that dates and times read the same everywhere.
constexpr time_t March5 = 1709647620;   // 2024-03-05 14:07
constexpr time_t Nov14 = 1700000000;    // 2023-11-14 22:13
constexpr time_t Midnight = 1700006400; // 2023-11-15 00:00

// The tree most panel screens list.
class PanelScreen : public PanelsScreen
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        PanelsScreen::SetUp();
        t.dir("Docs", March5);
        t.dir("src", March5 + 86400);
        t.link("latest", "src");
        t.file("a.txt", 1234, Nov14);
        t.file("big.iso", 1234567890, Midnight);
        t.file("mid.bin", 123456789, Midnight + 12 * 3600);
        t.file("report_for_the_year_2024.txt", 5, Nov14);
        t.link("readme", "a.txt");
        t.link("dangling", "nowhere");
        t.stamp("dangling", Nov14);
        t.file(".profile", 10, Nov14);
    }
    // px with both panels on the tree.
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {}, int columns = 80)
    {
        return run_in("", "", std::move(steps), std::move(settings), columns);
    }
};

// The left panel's cells of row y.
std::string left(int y)
{
    return screen_text(console, y, 0, 40);
}

// Expects the left panel's rows from first on to read as expected.
void expect_rows(int first, const Rows& expected, const char* what)
{
    for (size_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(left(first + static_cast<int>(i)), expected[i]) << what << ", row " << first + static_cast<int>(i);
}

}

TEST_F(PanelScreen, FullLayout)
{
    run({CHECK([] {
        expect_rows(1, {
            "║..           │►UP-DIR◄│        │      ║",
            "║Docs         │►SUBDIR◄│03/05/24│ 2:07p║",
            "║latest » src │► LINK ◄│03/06/24│ 2:07p║",
            "║src          │►SUBDIR◄│03/06/24│ 2:07p║",
            "║a.txt        │    1234│11/14/23│10:13p║",
            "║big.iso      │1205632K│11/15/23│12:00a║",  // midnight on the 12-hour clock
            "║dangling » ►@│       7│11/14/23│10:13p║",  // a broken link: its own data
            "║mid.bin      │ 120563K│11/15/23│12:00p║",
            "║readme ►.txt@│    1234│11/14/23│10:13p║",  // the target's data, the extension kept
            "║report_f►.txt│       5│11/14/23│10:13p║",
            "║             │        │        │      ║",
        }, "full");
        expect_rows(19, {
            "║             │        │        │      ║",
            "╟─────────────┴────────┴────────┴──────╢",
            "║..                                    ║",
            "╚══════════════════════════════════════╝",
        }, "full");
        // Directories in their colour, the cursor bar on ".." in the
        // directory highlight, separators in the panel's foreground.
        const std::initializer_list<AttrLetter> legend = {
            {0x1B, 'p'}, {0x1A, 'd'}, {0x20, 'H'}, {0x2B, 's'}, {0x1C, 'r'}, {0x1E, 't'}};
        EXPECT_EQ(screen_attrs(console, 1, legend, 0, 40), "pHHHHHHHHHHHHHsHHHHHHHHsHHHHHHHHsHHHHHHp");
        EXPECT_EQ(screen_attrs(console, 2, legend, 0, 40), "pdddddddddddddpddddddddpddddddddpddddddp");
        EXPECT_EQ(screen_attrs(console, 7, legend, 0, 40), "pppppppppprppppppppppppppppppppppppppppp");
    })});
}

TEST_F(PanelScreen, OtherLayouts)
{
    const struct { int key; std::vector<std::string> rows; } layouts[] = {
        {AltShiftF(1), {  // brief: three columns of names
            "║..          │            │            ║",
            "║Docs        │            │            ║",
            "║latest » src│            │            ║",
            "║src         │            │            ║",
            "║a.txt       │            │            ║",
            "║big.iso     │            │            ║",
            "║dangling »►@│            │            ║",
            "║mid.bin     │            │            ║",
            "║readme►.txt@│            │            ║",
            "║report_►.txt│            │            ║",
        }},
        {AltShiftF(3), {  // wide: size, then the whole name
            "║►UP-DIR◄│..                           ║",
            "║►SUBDIR◄│Docs                         ║",
            "║► LINK ◄│latest » src                 ║",
            "║►SUBDIR◄│src                          ║",
            "║    1234│a.txt                        ║",
            "║1205632K│big.iso                      ║",
            "║       7│dangling » nowhere          @║",
            "║ 120563K│mid.bin                      ║",
            "║    1234│readme » a.txt              @║",
            "║       5│report_for_the_year_2024.txt ║",
        }},
        {AltShiftF(4), {  // brief-wide: two wider columns
            "║..                 │                  ║",
            "║Docs               │                  ║",
            "║latest » src       │                  ║",
            "║src                │                  ║",
            "║a.txt              │                  ║",
            "║big.iso            │                  ║",
            "║dangling » nowhere@│                  ║",
            "║mid.bin            │                  ║",
            "║readme » a.txt    @│                  ║",
            "║report_for_the►.txt│                  ║",
        }},
    };
    for (const auto& l : layouts) {
        run({KEYS({l.key}), CHECK([&] {
            expect_rows(1, l.rows, "layout");
            // The status line shows the current entry in the full layout.
            EXPECT_EQ(left(21), "║..           │►UP-DIR◄│        │      ║");
        })});
    }
    run({KEYS({AltShiftF(1)}), CHECK([] {
        expect_rows(20, {
            "╟────────────┴┬────────┬──┴─────┬──────╢",  // the full layout's junctions laid over
            "║..           │►UP-DIR◄│        │      ║",
            "╚═════════════╧════════╧════════╧══════╝",
        }, "brief frame");
    })});
}

TEST_F(PanelScreen, UnixLayoutAndSizeForms)
{
    run({KEYS({AltShiftF(5)}), CHECK([] {
             // Owner and group get three cells each at 80 columns; the size
             // column is too narrow for the labels' marks.
             std::string owner = screen_text(console, 5, 32, 3), group = screen_text(console, 5, 36, 3);
             expect_rows(3, {
                 "║latest » src│  LINK │rwxr-xr-x│" + owner + "│" + group + "║",
                 "║src         │ SUBDIR│rwxr-xr-x│" + owner + "│" + group + "║",
                 "║a.txt       │   1234│rw-r--r--│" + owner + "│" + group + "║",
                 "║big.iso     │  1177M│rw-r--r--│" + owner + "│" + group + "║",
             }, "unix");
         }),
         CHECK([] { config.ThousandSep = true; }), KEYS({ctrl('R')}), CHECK([] {
             EXPECT_EQ(screen_text(console, 5, 0, 22), "║a.txt       │  1,234│");
             EXPECT_EQ(screen_text(console, 6, 0, 22), "║big.iso     │ 1,177M│");
         }),
         KEYS({AltShiftF(2), KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN}), CHECK([] {
             // Six digits of room in eight cells, then K, then M.
             EXPECT_EQ(left(6), "║big.iso      │  1,177M│11/15/23│12:00a║");
             EXPECT_EQ(left(8), "║mid.bin      │120,563K│11/15/23│12:00p║");
         })});
}

TEST_F(PanelScreen, HiddenFilesAndTheirMark)
{
    run({KEYS({ctrl('H'), AltShiftF(1)}), CHECK([] {
        EXPECT_EQ(left(5), "║.profile   ░│            │            ║");
    })});
}

TEST_F(PanelScreen, BriefColumnsAt132Columns)
{
    run({KEYS({AltShiftF(1)}), CHECK([] {
             // 64 cells inside the frame: 21 + 1 + 21 + 1 + 20.
             EXPECT_EQ(screen_text(console, 2, 0, 66),
                       "║Docs                 │                     │                    ║");
         })},
        {}, 132);
}
