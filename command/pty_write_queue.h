#ifndef PANNEX_COMMAND_PTY_WRITE_QUEUE_H
#define PANNEX_COMMAND_PTY_WRITE_QUEUE_H

#include <cstddef>
#include <mutex>
#include <string>

// Input for a child on its way to the pseudo-terminal master. Keys arrive on
// the toolkit thread, which must never block: Put writes what the master
// takes at once and keeps the rest, in order, for Flush, which the run loop
// calls when the master is writable again. The queue is bounded, so a child
// that reads no input cannot make typed keys or a paste eat memory.
//
// The master must be non-blocking for a write never to wait (SetFd makes it
// so). Put and Flush may be called from different threads.
class CPtyWriteQueue
{
public:
    static constexpr size_t DefaultCapacity = 64 * 1024;

    explicit CPtyWriteQueue(size_t capacity = DefaultCapacity) : capacity(capacity) {}

    // The master to write to, or -1: bytes then only queue up (tests).
    // A master given here is switched to non-blocking writes; that changes
    // nothing for a reader that polls before it reads.
    void SetFd(int fd);
    // Writes data, or queues what the master does not take now. All or
    // nothing: 0; ENOBUFS when it does not fit in the room left (nothing
    // queued, so a key sequence is never cut); or the errno of a failed
    // write (EIO once the child has gone).
    [[nodiscard]] int Put(const char* data, size_t n);
    // Writes as much of the queue as the master takes: 0 (some may remain,
    // see Pending), or the errno of a failed write.
    [[nodiscard]] int Flush();
    // Bytes waiting: the run loop polls the master for writing while there
    // are any.
    bool Pending() const;
    size_t Size() const;
    // Takes the waiting bytes out (for a caller without a master).
    std::string Take();

private:
    // With the mutex held: writes from the front of the queue until it is
    // empty or the master would block.
    int write_queued();

    mutable std::mutex mutex;
    int fd = -1;
    size_t capacity;
    // Bytes before `start` are written already; dropped when it passes half.
    std::string queued;
    size_t start = 0;
};

#endif
