#include "fileops/change_date.h"

#include <gtest/gtest.h>

TEST(ChangeDate, DatesAreValidatedByTheCalendar)
{
    const struct { int y, mo, d, h, mi, s; bool valid; } rows[] = {
        {2024, 2, 29, 0, 0, 0, true},    // divisible by 4
        {2023, 2, 29, 0, 0, 0, false},
        {2023, 2, 28, 23, 59, 59, true},
        {2024, 4, 31, 0, 0, 0, false},   // April has 30
        {2024, 7, 31, 0, 0, 0, true},    // July and August both 31
        {2024, 8, 31, 0, 0, 0, true},
        {2024, 9, 31, 0, 0, 0, false},
        {1979, 12, 31, 0, 0, 0, false},
        {1980, 1, 1, 0, 0, 0, true},
        {2099, 12, 31, 0, 0, 0, true},
        {2100, 1, 1, 0, 0, 0, false},
        {2040, 6, 1, 12, 0, 0, true},
        {2024, 0, 1, 0, 0, 0, false},
        {2024, 13, 1, 0, 0, 0, false},
        {2024, 1, 0, 0, 0, 0, false},
        {2024, 1, 1, 24, 0, 0, false},
        {2024, 1, 1, 0, 60, 0, false},
        {2024, 1, 1, 0, 0, 60, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ValidDateTime(r.y, r.mo, r.d, r.h, r.mi, r.s) == 0, r.valid)
            << r.y << "-" << r.mo << "-" << r.d << " " << r.h << ":" << r.mi << ":" << r.s;
}

TEST(ChangeDate, TwelveHourClockRoundTrips)
{
    const struct { int hour, shown, pm; } rows[] = {
        {0, 12, 0}, {11, 11, 0}, {12, 12, 1}, {13, 1, 1}, {23, 11, 1},
    };
    for (const auto& r : rows) {
        int hour = r.hour, pm = -1;
        HourAdjust(hour, pm);
        EXPECT_EQ(hour, r.shown) << r.hour;
        EXPECT_EQ(pm, r.pm) << r.hour;
        EXPECT_EQ(HourFrom12(hour, pm), r.hour) << r.hour;
    }
}
