#include "foundation/event_sem.h"

#include "foundation/time_stamp.h"

#include <cerrno>

EventSem::EventSem()
{
    pthread_cond_init(&cond, nullptr);
    pthread_mutex_init(&mutex, nullptr);
}

EventSem::~EventSem()
{
    pthread_cond_destroy(&cond);
    pthread_mutex_destroy(&mutex);
}

void EventSem::Trigger()
{
    pthread_mutex_lock(&mutex);
    signalled = true;
    pthread_cond_signal(&cond);
    pthread_mutex_unlock(&mutex);
}

void EventSem::Reset()
{
    pthread_mutex_lock(&mutex);
    signalled = false;
    pthread_mutex_unlock(&mutex);
}

int EventSem::WaitFor(unsigned ms)
{
    pthread_mutex_lock(&mutex);
    int rc = 0;
    if (signalled)
        rc = 0;
    else if (ms == 0)
        rc = ETIMEDOUT;
    else if (ms == IndefiniteWait)
        rc = pthread_cond_wait(&cond, &mutex);
    else {
        timespec until;
        mkabstime(until, ms);
        rc = pthread_cond_timedwait(&cond, &mutex, &until);
    }
    pthread_mutex_unlock(&mutex);
    return rc;
}
