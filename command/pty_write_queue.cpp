#include "command/pty_write_queue.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void CPtyWriteQueue::SetFd(int f)
{
    std::lock_guard<std::mutex> lock(mutex);
    fd = f;
    if (fd >= 0) {
        int flags = fcntl(fd, F_GETFL);
        if (flags >= 0 && !(flags & O_NONBLOCK))
            (void)fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

int CPtyWriteQueue::write_queued()
{
    while (fd >= 0 && start < queued.size()) {
        ssize_t w = write(fd, queued.data() + start, queued.size() - start);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            return errno;
        }
        start += static_cast<size_t>(w);
    }
    if (start == queued.size()) {
        queued.clear();
        start = 0;
    } else if (start > queued.size() / 2) {
        queued.erase(0, start);
        start = 0;
    }
    return 0;
}

int CPtyWriteQueue::Put(const char* data, size_t n)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (queued.size() - start + n > capacity)
        return ENOBUFS;
    queued.append(data, n);
    return write_queued();
}

int CPtyWriteQueue::Flush()
{
    std::lock_guard<std::mutex> lock(mutex);
    return write_queued();
}

bool CPtyWriteQueue::Pending() const
{
    return Size() > 0;
}

size_t CPtyWriteQueue::Size() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return queued.size() - start;
}

std::string CPtyWriteQueue::Take()
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string out = queued.substr(start);
    queued.clear();
    start = 0;
    return out;
}
