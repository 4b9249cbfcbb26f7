#ifndef PANNEX_FOUNDATION_EVENT_SEM_H
#define PANNEX_FOUNDATION_EVENT_SEM_H

#include <pthread.h>

// A flag that threads wait for: Trigger sets it and wakes one waiter, Reset
// clears it. Any thread may trigger, reset or wait.
class EventSem
{
public:
    EventSem();
    ~EventSem();
    EventSem(const EventSem&) = delete;
    EventSem& operator=(const EventSem&) = delete;

    void Trigger();
    void Reset();
    // Returns 0 at once when the flag is set. Otherwise ms = 0 returns
    // ETIMEDOUT at once, ms = IndefiniteWait waits without limit, any other
    // value waits at most ms milliseconds. The result is the wait's: 0 when
    // woken, ETIMEDOUT when the time ran out. Waiting does not clear the
    // flag, and a woken waiter does not look at it again, so a Trigger
    // followed at once by a Reset still wakes a waiter (a pulse).
    [[nodiscard]] int WaitFor(unsigned ms);

private:
    pthread_cond_t cond;
    pthread_mutex_t mutex;
    bool signalled = false;
};

#endif
