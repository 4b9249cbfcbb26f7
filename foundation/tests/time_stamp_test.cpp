#include "foundation/time_stamp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

void use_zone(const char* tz)
{
    setenv("TZ", tz, 1);
    tzset();
}

// Central Europe with its daylight-saving rule, spelled out so that the test
// needs no zone database.
constexpr const char* Europe = "CET-1CEST,M3.5.0,M10.5.0/3";

}

TEST(TimeStamp, ToString)
{
    const struct { const char* zone; time_t seconds; unsigned nanoseconds; const char* text; } rows[] = {
        {"UTC0", 1, 0, "1970-01-01  0:00:01"},              // the hour is padded with a space
        {"UTC0", 0, 500000000, "1970-01-01  0:00:00.5"},    // trailing zeros trimmed
        {"UTC0", 0, 123, "1970-01-01  0:00:00.000000123"},
        {"UTC0", 2147483648, 0, "2038-01-19  3:14:08"},     // one past 32-bit seconds
        {"UTC0", 4102444799, 250000000, "2099-12-31 23:59:59.25"},
        {"UTC0", -86400, 0, "1969-12-31  0:00:00"},
        {Europe, 1705320000, 0, "2024-01-15 13:00:00"},     // 12:00 UTC in winter
        {Europe, 1721044800, 0, "2024-07-15 14:00:00"},     // and in summer
        {Europe, 2541844800, 0, "2050-07-19 14:00:00"},
    };
    for (const auto& r : rows) {
        use_zone(r.zone);
        EXPECT_STREQ(TimeStamp(r.seconds, r.nanoseconds).ToString().c_str(), r.text) << r.seconds;
    }
}

TEST(TimeStamp, DosAndExpandedRoundTrip)
{
    use_zone(Europe);
    const struct { int y, mo, d, h, mi, s; } rows[] = {
        {1980, 1, 1, 0, 0, 0},
        {2024, 7, 15, 23, 59, 58},  // summer time
        {2024, 10, 27, 2, 30, 0},   // an hour that happens twice
        {2107, 12, 31, 23, 59, 58},
    };
    for (const auto& r : rows) {
        DOSDATE date(r.y, r.mo, r.d), date2;
        DOSTIME time(r.h, r.mi, r.s), time2;
        TimeStamp t(date, time);
        t.ToDos(date2, time2);
        EXPECT_EQ(date2.raw, date.raw) << r.y << "-" << r.mo << "-" << r.d;
        EXPECT_EQ(time2.raw, time.raw) << r.h << ":" << r.mi << ":" << r.s;
        ExpandedTime e;
        t.Expand(e);
        EXPECT_EQ(e.year * 10000 + e.month * 100 + e.day, r.y * 10000 + r.mo * 100 + r.d);
        EXPECT_EQ(e.hour * 10000 + e.minute * 100 + e.second, r.h * 10000 + r.mi * 100 + r.s);
        EXPECT_EQ(TimeStamp(e), t);
    }
    // Times the form cannot hold are clamped, not wrapped into other years.
    for (time_t s : {0LL, 5000000000LL}) {
        DOSDATE d;
        DOSTIME tm;
        TimeStamp(s, 0).ToDos(d, tm);
        EXPECT_EQ(d.year(), s == 0 ? 1980 : 2107) << s;
        EXPECT_EQ(tm.hour(), s == 0 ? 0 : 23) << s;
    }
}
