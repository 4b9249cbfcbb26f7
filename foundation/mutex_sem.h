#ifndef PANNEX_FOUNDATION_MUTEX_SEM_H
#define PANNEX_FOUNDATION_MUTEX_SEM_H

#include <atomic>
#include <pthread.h>

// A recursive mutex that knows its owner: the owner may request it again,
// and each request needs its own Release. Release from any other thread does
// nothing, so a stray unlock cannot free a mutex someone else holds.
class MutexSem
{
public:
    // The name only labels the mutex for a reader of the code.
    explicit MutexSem(const char* name = nullptr);
    // Releases once (when the destroying thread owns it) and destroys.
    ~MutexSem();
    MutexSem(const MutexSem&) = delete;
    MutexSem& operator=(const MutexSem&) = delete;

    // ms = 0 tries once (EBUSY when held elsewhere), ms = IndefiniteWait
    // waits without limit, any other value waits at most ms milliseconds
    // (ETIMEDOUT). 0 on success; the caller then owns the mutex.
    [[nodiscard]] int Request(unsigned ms);
    // Undoes one Request of the calling thread; nothing when the calling
    // thread does not own the mutex.
    void Release();
    // True while any thread holds the mutex.
    bool IsOwned() const { return count.load() > 0; }

private:
    pthread_mutex_t mutex;
    // Written only by the thread that holds the mutex; read by any thread
    // deciding whether it is the owner, hence atomic.
    std::atomic<int> count{0};
    std::atomic<pthread_t> owner{};
};

#endif
