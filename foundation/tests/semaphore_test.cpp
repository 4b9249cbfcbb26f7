#include "foundation/event_sem.h"
#include "foundation/mutex_sem.h"
#include "foundation/time_stamp.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The result of one Request(ms) made from a thread of its own, which
// releases what it got.
int request_elsewhere(MutexSem& m, unsigned ms)
{
    int rc = -1;
    std::thread([&] {
        rc = m.Request(ms);
        if (rc == 0)
            m.Release();
    }).join();
    return rc;
}

}

TEST(EventSem, WaitsAndTimeouts)
{
    EventSem ev;
    double t0 = GetRelativeTime();
    EXPECT_EQ(ev.WaitFor(0), ETIMEDOUT);
    EXPECT_LT(GetRelativeTime() - t0, 0.09); // at once, even on a busy machine
    EXPECT_EQ(ev.WaitFor(100), ETIMEDOUT);
    EXPECT_GE(GetRelativeTime() - t0, 0.09);

    // Waiting does not use the flag up; Reset does.
    ev.Trigger();
    EXPECT_EQ(ev.WaitFor(0), 0);
    EXPECT_EQ(ev.WaitFor(IndefiniteWait), 0);
    ev.Reset();
    EXPECT_EQ(ev.WaitFor(0), ETIMEDOUT);

    // A timed and an unlimited wait, each woken by another thread.
    for (unsigned ms : {5000u, IndefiniteWait}) {
        ev.Reset();
        std::thread waker([&ev] { sleep_ms(50); ev.Trigger(); });
        t0 = GetRelativeTime();
        EXPECT_EQ(ev.WaitFor(ms), 0) << ms;
        EXPECT_LT(GetRelativeTime() - t0, 4.0) << ms;
        waker.join();
    }
}

TEST(MutexSem, RequestsNestAndOnlyTheOwnerReleases)
{
    MutexSem m;
    ASSERT_EQ(m.Request(0), 0);
    ASSERT_EQ(m.Request(IndefiniteWait), 0);
    EXPECT_TRUE(m.IsOwned());
    EXPECT_EQ(request_elsewhere(m, 0), EBUSY);

    // Releases from a thread that does not own the mutex do nothing.
    std::thread([&m] { m.Release(); m.Release(); }).join();
    EXPECT_EQ(request_elsewhere(m, 0), EBUSY);

    m.Release();
    EXPECT_EQ(request_elsewhere(m, 100), ETIMEDOUT); // still held once
    m.Release();
    EXPECT_FALSE(m.IsOwned());
    m.Release(); // one too many is ignored as well
    EXPECT_EQ(request_elsewhere(m, 0), 0);

    // A timed request is served once the owner lets go.
    ASSERT_EQ(m.Request(0), 0);
    int rc = -1;
    std::thread waiter([&] { rc = request_elsewhere(m, 5000); });
    sleep_ms(50);
    m.Release();
    waiter.join();
    EXPECT_EQ(rc, 0);
}
