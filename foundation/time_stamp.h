#ifndef PANNEX_FOUNDATION_TIME_STAMP_H
#define PANNEX_FOUNDATION_TIME_STAMP_H

#include "foundation/estring.h"

#include <compare>
#include <ctime>

// The 16-bit date of FAT file systems and archive headers: bits 0-4 day,
// 5-8 month, 9-15 years since 1980. raw is the value as stored.
struct DOSDATE
{
    unsigned short raw = 0;

    DOSDATE() = default;
    explicit DOSDATE(unsigned short value) : raw(value) {}
    // year is the full year (1980-2107).
    DOSDATE(int year, int month, int day)
        : raw(static_cast<unsigned short>(((year - 1980) << 9) | (month << 5) | day))
    {
    }

    int day() const { return raw & 0x1F; }
    int month() const { return (raw >> 5) & 0x0F; }
    // The full year.
    int year() const { return 1980 + (raw >> 9); }
};

// The 16-bit FAT time: bits 0-4 seconds/2, 5-10 minutes, 11-15 hours.
struct DOSTIME
{
    unsigned short raw = 0;

    DOSTIME() = default;
    explicit DOSTIME(unsigned short value) : raw(value) {}
    // An odd second is stored as the even one below it.
    DOSTIME(int hour, int minute, int second)
        : raw(static_cast<unsigned short>((hour << 11) | (minute << 5) | (second / 2)))
    {
    }

    int hour() const { return raw >> 11; }
    int minute() const { return (raw >> 5) & 0x3F; }
    int second() const { return (raw & 0x1F) * 2; }
};

// A time broken into local calendar fields.
struct ExpandedTime
{
    int year = 1970; // full, e.g. 2024
    int month = 1;   // 1-12
    int day = 1;     // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    unsigned nanoseconds = 0;
};

// A point in time: seconds since the epoch and nanoseconds. Seconds are a
// 64-bit time_t, so dates after January 2038 and file times copied from
// other systems survive. Archive readers use TimeStamp(-1, -1) for an
// unknown time.
class TimeStamp
{
public:
    unsigned nanoseconds = 0;
    time_t seconds = 0;

    TimeStamp() = default;
    TimeStamp(time_t secs, unsigned nsecs) : nanoseconds(nsecs), seconds(secs) {}
    // Local time; the C library decides whether daylight saving applies.
    // Nanoseconds are 0.
    TimeStamp(const DOSDATE& date, const DOSTIME& time);
    // Local time, as above; the nanoseconds are taken over.
    explicit TimeStamp(const ExpandedTime& t);

    // The wall clock, to the microsecond.
    static TimeStamp Now();

    // Local calendar fields.
    void Expand(ExpandedTime& t) const;
    // Local time in FAT form. Times outside what the form can hold
    // (1980-2107) are clamped to its first or last second.
    void ToDos(DOSDATE& date, DOSTIME& time) const;
    // "2024-03-05 14:07:09" in local time, the hour padded with a space;
    // non-zero nanoseconds follow as a fraction without trailing zeros.
    [[nodiscard]] Estring ToString() const;

    bool operator==(const TimeStamp& o) const = default;
    std::strong_ordering operator<=>(const TimeStamp& o) const
    {
        if (auto c = seconds <=> o.seconds; c != 0)
            return c;
        return nanoseconds <=> o.nanoseconds;
    }
};

// Seconds of a steady clock, for measuring intervals only: the difference of
// two readings is the time that passed, even when the wall clock is set
// meanwhile. The value itself means nothing.
double GetRelativeTime();

// A wait time in milliseconds that means "no limit" (EventSem::WaitFor,
// MutexSem::Request).
constexpr unsigned IndefiniteWait = 0xFFFFFFFFu;

// The real-time clock now plus ms milliseconds, the absolute form that timed
// POSIX waits take; nanoseconds below 10^9.
void mkabstime(timespec& t, long long ms);

#endif
