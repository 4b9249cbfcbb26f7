#include "panels/clock.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "textui/win.h"

#include <cwchar>

Win* clock_win = nullptr;

Westring clock_text(const std::tm& t, int time_mode)
{
    wchar_t sep = t.tm_sec % 2 ? L' ' : L':';
    wchar_t buf[16];
    if (time_mode == 24) {
        std::swprintf(buf, 16, L"%2d%lc%02d", t.tm_hour, static_cast<wint_t>(sep), t.tm_min);
    } else {
        int hour = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
        wchar_t half = t.tm_hour < 12 ? L'a' : L'p';
        std::swprintf(buf, 16, L"%2d%lc%02d%lc", hour, static_cast<wint_t>(sep), t.tm_min,
                      static_cast<wint_t>(half));
    }
    return Westring(buf);
}

void init_clock()
{
    if (!config.Clock || clock_win)
        return;
    int cols = console.Columns();
    int x1 = cols - (config.TimeMode == 24 ? 5 : 6);
    clock_win = new Win(x1, 0, cols - 1, 0, config.Colours[ColourClock]);
    update_clock();
}

void update_clock()
{
    if (!clock_win || clock_win->hidden())
        return;
    std::time_t now = std::time(nullptr);
    std::tm t;
    localtime_r(&now, &t);
    clock_win->puts_at(0, 0, clock_text(t, config.TimeMode).c_str());
}

void hide_clock()
{
    delete clock_win;
    clock_win = nullptr;
}
