#include "foundation/mutex_sem.h"

#include "foundation/time_stamp.h"

MutexSem::MutexSem(const char*)
{
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

MutexSem::~MutexSem()
{
    Release();
    pthread_mutex_destroy(&mutex);
}

int MutexSem::Request(unsigned ms)
{
    int rc;
    if (ms == 0)
        rc = pthread_mutex_trylock(&mutex);
    else if (ms == IndefiniteWait)
        rc = pthread_mutex_lock(&mutex);
    else {
        timespec until;
        mkabstime(until, ms);
        rc = pthread_mutex_timedlock(&mutex, &until);
    }
    if (rc != 0)
        return rc;
    owner.store(pthread_self());
    count.fetch_add(1);
    return 0;
}

void MutexSem::Release()
{
    // Only the owner can see its own count above 0 here: another thread's
    // request cannot succeed until the owner has let go completely.
    if (count.load() < 1 || !pthread_equal(owner.load(), pthread_self()))
        return;
    count.fetch_sub(1);
    pthread_mutex_unlock(&mutex);
}
