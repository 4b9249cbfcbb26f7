#include "fileops/threads.h"

namespace {

struct ThreadStart
{
    ThreadFunction fn;
    void* arg;
};

void* thread_main(void* p)
{
    ThreadStart* start = static_cast<ThreadStart*>(p);
    start->fn(start->arg);
    delete start;
    return nullptr;
}

}

pthread_t StartThread(ThreadFunction fn, void* arg)
{
    ThreadStart* start = new ThreadStart{fn, arg};
    pthread_t id;
    if (pthread_create(&id, nullptr, thread_main, start) != 0) {
        delete start;
        return 0;
    }
    return id;
}

int ThreadHandle::Wait()
{
    if (!id)
        return 0;
    int err = pthread_join(id, nullptr);
    if (err == 0)
        id = 0;
    return err;
}

void ThreadHandle::Close()
{
    // Nobody can join the thread once the handle forgets it, so it is
    // detached: its resources are then freed when it ends.
    if (id)
        pthread_detach(id);
    id = 0;
}
