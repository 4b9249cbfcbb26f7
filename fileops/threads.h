#ifndef PANNEX_FILEOPS_THREADS_H
#define PANNEX_FILEOPS_THREADS_H

#include <pthread.h>

// The short-lived worker threads of progress displays and searches.

using ThreadFunction = void (*)(void* arg);

// Starts a thread with default attributes that runs fn(arg). Returns its
// identifier for a ThreadHandle, or 0 when no thread could be started.
pthread_t StartThread(ThreadFunction fn, void* arg);

// One thread identifier; 0 when empty. The owner either waits for the
// thread or closes the handle; a handle closed or destroyed while the
// thread runs lets the thread finish on its own and frees it then.
class ThreadHandle
{
public:
    ThreadHandle() = default;
    explicit ThreadHandle(pthread_t id) : id(id) {}
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;
    ~ThreadHandle() { Close(); }

    // Takes over a new thread; a thread held before is closed.
    ThreadHandle& operator=(pthread_t newId)
    {
        Close();
        id = newId;
        return *this;
    }

    // Joins the thread if there is one and empties the handle; returns 0 or
    // the join error (the handle then keeps the thread).
    [[nodiscard]] int Wait();
    bool Valid() const { return id != 0; }
    // Empties the handle without waiting.
    void Close();

private:
    pthread_t id = 0;
};

#endif
