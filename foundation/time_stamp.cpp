#include "foundation/time_stamp.h"

#include <cstdio>
#include <sys/time.h>

namespace {

time_t local_seconds(int year, int month, int day, int hour, int minute, int second)
{
    struct tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return mktime(&tm);
}

}

TimeStamp::TimeStamp(const DOSDATE& date, const DOSTIME& time)
    : seconds(local_seconds(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                            time.second()))
{
}

TimeStamp::TimeStamp(const ExpandedTime& t)
    : nanoseconds(t.nanoseconds),
      seconds(local_seconds(t.year, t.month, t.day, t.hour, t.minute, t.second))
{
}

TimeStamp TimeStamp::Now()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return TimeStamp(tv.tv_sec, static_cast<unsigned>(tv.tv_usec) * 1000u);
}

void TimeStamp::Expand(ExpandedTime& t) const
{
    struct tm tm;
    time_t s = seconds;
    if (!localtime_r(&s, &tm)) {
        // Beyond what the calendar functions reach: show the epoch rather
        // than whatever the structure held.
        t = ExpandedTime();
        return;
    }
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.nanoseconds = nanoseconds;
}

void TimeStamp::ToDos(DOSDATE& date, DOSTIME& time) const
{
    ExpandedTime t;
    Expand(t);
    // Seven bits of year cannot hold anything outside 1980-2107; shifting
    // such a year in would wrap into an unrelated date.
    if (t.year < 1980) {
        date = DOSDATE(1980, 1, 1);
        time = DOSTIME(0, 0, 0);
    } else if (t.year > 2107) {
        date = DOSDATE(2107, 12, 31);
        time = DOSTIME(23, 59, 58);
    } else {
        date = DOSDATE(t.year, t.month, t.day);
        time = DOSTIME(t.hour, t.minute, t.second);
    }
}

Estring TimeStamp::ToString() const
{
    ExpandedTime t;
    Expand(t);
    Estring s = esprintf("%04d-%02d-%02d %2d:%02d:%02d", t.year, t.month, t.day, t.hour,
                         t.minute, t.second);
    if (nanoseconds != 0) {
        char frac[16];
        int n = std::snprintf(frac, sizeof frac, ".%09u", nanoseconds);
        while (n > 1 && frac[n - 1] == '0')
            frac[--n] = 0;
        s += frac;
    }
    return s;
}

double GetRelativeTime()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void mkabstime(timespec& t, long long ms)
{
    clock_gettime(CLOCK_REALTIME, &t);
    t.tv_sec += static_cast<time_t>(ms / 1000);
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    } else if (t.tv_nsec < 0) {
        t.tv_sec -= 1;
        t.tv_nsec += 1000000000L;
    }
}
