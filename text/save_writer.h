#ifndef PANNEX_TEXT_SAVE_WRITER_H
#define PANNEX_TEXT_SAVE_WRITER_H

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

// Bytes of a save waiting to be written. Grown without being cleared: a
// save of 200 MB must not pay for zeroing the worst case of every line.
struct SaveBuffer
{
    std::unique_ptr<unsigned char[]> bytes;
    size_t used = 0, cap = 0;
    // Room for n more bytes; where they go.
    unsigned char* more(size_t n);
    void append(const unsigned char* p, size_t n);
    void clear() { used = 0; }
};

// Writes a large save's full buffers on a thread of its own while the
// next one is encoded, so that encoding and the kernel's copy overlap. One
// buffer is in flight at a time; a failure is kept and given back by the
// next Put and by Finish, after which the save is abandoned.
class CSaveWriter
{
public:
    explicit CSaveWriter(int fd);
    ~CSaveWriter();
    CSaveWriter(const CSaveWriter&) = delete;
    CSaveWriter& operator=(const CSaveWriter&) = delete;

    // Waits for the buffer before, then takes buf's bytes to be written
    // at offset at; buf comes back empty. The first error so far, or 0.
    int Put(SaveBuffer& buf, long long at);
    // Waits for the last buffer and stops the thread; the first error.
    int Finish();

private:
    void run();

    int fd;
    std::mutex m;
    std::condition_variable cv;
    SaveBuffer pending;
    long long pendingAt = 0;
    bool busy = false, stop = false;
    int error = 0;
    // Bytes already handed to the disk's write-back.
    long long started = 0;
    std::thread thread;
};

// Test hooks; they change nothing while left at their defaults.
struct SaveTestHooks
{
    // The one write of a save whose bytes cover offset failWriteAt fails
    // with failWriteErrno, writing nothing.
    long long failWriteAt = -1;
    int failWriteErrno = 0;
};
extern SaveTestHooks saveTestHooks;

#endif
