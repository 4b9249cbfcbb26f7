#include "screen_fixture.h"

#include "console/keyboard.h"
#include "textui/field_history.h"
#include "textui/textui_settings.h"

#include <atomic>

namespace {

std::vector<std::vector<ScreenCell>> taken;
std::atomic<int> waits{0};

void take_snapshot()
{
    taken.push_back(ScreenTest::grid());
    waits++;
}

bool shadows_on = true;
int no_scroll_delay = 0;
unsigned char colours[ColourCount];

}

std::vector<ScreenCell> ScreenTest::grid()
{
    std::vector<ScreenCell> cells;
    for (int y = 0; y < console.Lines(); y++)
        cells.insert(cells.end(), console.Row(y), console.Row(y) + console.Columns());
    return cells;
}

void ScreenTest::SetUp()
{
    console.SetDisplay(&display);
    console.SetSize(80, 25, Estring(), 0);
    for (int y = 0; y < 25; y++)
        console.FillCell(0, y, 80, ScreenCell(L'.', Background));
    console.SetCursorType(0);
    console.Queue().Clear();
    console.Queue().SetFallbackKey(0);
    lastShiftState = alt_on = 0;
    set_default_colours(colours);
    shadows_on = true;
    textui_settings.colours = colours;
    textui_settings.shadows = &shadows_on;
    textui_settings.scroll_delay = &no_scroll_delay;
    *field_history = CFieldHistory();
    taken.clear();
    waits = 0;
    clock_refresh_hook = take_snapshot;
    shot.SetSize(80, 25, Estring(), 0);
}

void ScreenTest::TearDown()
{
    clock_refresh_hook = nullptr;
    console.Queue().Clear();
    console.Queue().SetFallbackKey(0);
    console.SetDisplay(nullptr);
}

void ScreenTest::keys(std::initializer_list<int> codes)
{
    for (int k : codes)
        console.Queue().Put({CConsole::EvKey, k, 0, 0, 0, 0});
}

void ScreenTest::press(int x, int y)
{
    console.Queue().Put({CConsole::EvButtonPress, 1, 0, 0, x, y});
}

void ScreenTest::release(int x, int y)
{
    console.Queue().Put({CConsole::EvButtonRelease, 1, 0, 0, x, y});
}

void ScreenTest::fallback(int code)
{
    console.Queue().SetFallbackKey(code);
}

void ScreenTest::show(int n)
{
    ASSERT_FALSE(taken.empty()) << "the program never waited for input";
    const std::vector<ScreenCell>& s = n < 0 ? taken.back() : taken.at(static_cast<size_t>(n));
    shot.PutRect(0, 0, 80, 25, s.data());
}

int ScreenTest::waits_started()
{
    return waits;
}
