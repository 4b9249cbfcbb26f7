#include "foundation/std_file.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "file positions must be 64-bit");

namespace {

// Writes all n bytes unless the system refuses; done receives what was
// written. A short write is not success: the rest is tried again, and what
// refuses it (a full disk) reports its errno.
int write_all(int fd, const char* p, int n, int& done)
{
    done = 0;
    while (done < n) {
        ssize_t w = ::write(fd, p + done, static_cast<size_t>(n - done));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (w == 0)
            return ENOSPC;
        done += static_cast<int>(w);
    }
    return 0;
}

ssize_t read_retry(int fd, void* p, size_t n)
{
    ssize_t r;
    do
        r = ::read(fd, p, n);
    while (r < 0 && errno == EINTR);
    return r;
}

}

StdFile::StdFile() : buffer(new char[BufferSize]) {}

StdFile::StdFile(const char* name, int flags, int share) : StdFile()
{
    (void)StdFile::open(name, flags, share);
}

StdFile::StdFile(const wchar_t* name, int flags, int share) : StdFile()
{
    (void)open(name, flags, share);
}

StdFile::StdFile(const Westring& name, int flags, int share) : StdFile()
{
    (void)open(name, flags, share);
}

StdFile::~StdFile()
{
    (void)StdFile::close();
}

int StdFile::open(const char* name, int flags, int)
{
    assert(name);
    if (isopen())
        (void)close();
    fileName = FileNameFromSys(name);
    text = (flags & OpenText) != 0;
    reset_buffer();
    handlepos = 0;

    int oflags = O_RDONLY;
    if ((flags & (OpenRead | OpenWrite)) == (OpenRead | OpenWrite))
        oflags = O_RDWR;
    else if (flags & OpenWrite)
        oflags = O_WRONLY;
    if (flags & OpenCreate)
        oflags |= O_CREAT;
    if ((flags & OpenWrite) && !(flags & OpenAppend))
        oflags |= O_TRUNC;
    if (!(flags & OpenKeepOnExec))
        oflags |= O_CLOEXEC;
    mode_t perm = (flags & OpenExecutable) ? 0775 : 0664;
    if (flags & OpenRegularOnly)
        oflags |= O_NONBLOCK;

    do
        fd = ::open(name, oflags, perm);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return lasterror = errno;

    if (flags & OpenRegularOnly) {
        struct stat st;
        int err = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : !S_ISREG(st.st_mode) ? EINVAL : 0;
        // Reads of a regular file never wait anyway; clearing the flag
        // keeps the descriptor ordinary for whoever uses it next.
        if (err == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
            err = errno;
        if (err != 0) {
            ::close(fd);
            fd = -1;
            return lasterror = err;
        }
    }

    // Not O_APPEND: that would send every write to the end, even after the
    // caller has moved back to rewrite a header.
    if (flags & OpenAppend) {
        off_t end = lseek(fd, 0, SEEK_END);
        // A descriptor that cannot seek (a pipe) has no end to move to.
        if (end > 0)
            handlepos = end;
    }
    return lasterror = 0;
}

int StdFile::open(const wchar_t* name, int flags, int share)
{
    assert(name);
    return open(Westring(name), flags, share);
}

int StdFile::open(const Westring& name, int flags, int share)
{
    int rc = open(FileNameToSys(name).c_str(), flags, share);
    fileName = name;
    return rc;
}

int StdFile::close()
{
    if (fd < 0)
        return lasterror = 0;
    int rc = flush();
    int crc = ::close(fd) == 0 ? 0 : errno;
    fd = -1;
    reset_buffer();
    handlepos = 0;
    return lasterror = rc ? rc : crc;
}

void StdFile::reset_buffer()
{
    bufpos = 0;
    buffill = 0;
    writing = false;
}

int StdFile::flush()
{
    if (!writing || bufpos == 0)
        return lasterror = 0;
    int done;
    int rc = write_all(fd, buffer.get(), bufpos, done);
    handlepos += done;
    // What the system refused stays pending, so the bytes are neither lost
    // nor written twice; a later flush tries them again.
    if (done > 0 && done < bufpos)
        std::memmove(buffer.get(), buffer.get() + done, static_cast<size_t>(bufpos - done));
    bufpos -= done;
    return lasterror = rc;
}

int StdFile::sync()
{
    if (fd < 0)
        return lasterror = EBADF;
    if (writing)
        return flush();
    if (bufpos != buffill) {
        long long pos = getptr();
        if (lseek(fd, pos, SEEK_SET) < 0)
            return lasterror = errno;
        handlepos = pos;
    }
    bufpos = buffill = 0;
    return lasterror = 0;
}

int StdFile::to_reading()
{
    int rc = flush();
    if (rc == 0)
        reset_buffer();
    return rc;
}

int StdFile::to_writing()
{
    // The descriptor stands at the end of what was read ahead; the bytes go
    // where the caller is.
    long long pos = getptr();
    if (pos != handlepos) {
        if (lseek(fd, pos, SEEK_SET) < 0)
            return lasterror = errno;
        handlepos = pos;
    }
    bufpos = buffill = 0;
    writing = true;
    return 0;
}

int StdFile::refill()
{
    ssize_t r = read_retry(fd, buffer.get(), BufferSize);
    if (r <= 0)
        return static_cast<int>(r);
    handlepos += r;
    buffill = static_cast<int>(r);
    bufpos = 0;
    return buffill;
}

int StdFile::read(void* buf, int n, int* got)
{
    assert(n >= 0);
    if (got)
        *got = 0;
    if (fd < 0)
        return lasterror = EBADF;
    if (writing && to_reading() != 0)
        return lasterror;

    char* out = static_cast<char*>(buf);
    int count = 0;
    int rc = 0;
    while (count < n) {
        if (bufpos < buffill) {
            int k = std::min(n - count, buffill - bufpos);
            std::memcpy(out + count, buffer.get() + bufpos, static_cast<size_t>(k));
            bufpos += k;
            count += k;
            continue;
        }
        if (n - count >= BufferSize) {
            // Large reads skip the copy through the buffer.
            ssize_t r = read_retry(fd, out + count, static_cast<size_t>(n - count));
            if (r < 0)
                rc = errno;
            if (r <= 0)
                break;
            handlepos += r;
            bufpos = buffill = 0;
            count += static_cast<int>(r);
            continue;
        }
        int r = refill();
        if (r < 0)
            rc = errno;
        if (r <= 0)
            break;
    }
    if (got)
        *got = count;
    // Bytes that arrived before a failure are delivered; the next call meets
    // the failure again and reports it.
    if (count > 0 || n == 0)
        return lasterror = 0;
    return lasterror = rc ? rc : -1;
}

int StdFile::write(const void* buf, int n)
{
    assert(n >= 0);
    if (fd < 0)
        return lasterror = EBADF;
    if (!writing && to_writing() != 0)
        return lasterror;

    const char* in = static_cast<const char*>(buf);
    while (n > 0) {
        if (bufpos == BufferSize && flush() != 0)
            return lasterror;
        if (bufpos == 0 && n >= BufferSize) {
            int done;
            int rc = write_all(fd, in, n, done);
            handlepos += done;
            return lasterror = rc;
        }
        int k = std::min(n, BufferSize - bufpos);
        std::memcpy(buffer.get() + bufpos, in, static_cast<size_t>(k));
        bufpos += k;
        in += k;
        n -= k;
    }
    if (bufpos == BufferSize)
        return flush();
    return lasterror = 0;
}

int StdFile::finish_line(char* buf, int len, bool any)
{
    buf[len] = 0;
    if (!any)
        return lasterror = -1;
    while (len > 0 && (buf[len - 1] == '\r' || buf[len - 1] == '\n'))
        buf[--len] = 0;
    return lasterror = 0;
}

int StdFile::gets(char* buf, int size)
{
    assert(size >= 2);
    buf[0] = 0;
    if (fd < 0)
        return lasterror = EBADF;
    if (writing && to_reading() != 0)
        return lasterror;

    int len = 0;
    bool any = false;
    while (len < size - 1) {
        if (bufpos == buffill) {
            int r = refill();
            if (r < 0)
                return lasterror = errno;
            if (r == 0)
                break;
        }
        any = true;
        char c = buffer[bufpos++];
        if (c == '\n' || c == 0)
            break;
        buf[len++] = c;
    }
    return finish_line(buf, len, any);
}

int StdFile::puts(const char* s)
{
    if (!text)
        return write(s, static_cast<int>(std::strlen(s)));
    while (const char* lf = std::strchr(s, '\n')) {
        if (write(s, static_cast<int>(lf - s)) != 0 || write("\r\n", 2) != 0)
            return lasterror;
        s = lf + 1;
    }
    return write(s, static_cast<int>(std::strlen(s)));
}

int StdFile::putln(const char* s)
{
    if (write(s, static_cast<int>(std::strlen(s))) != 0)
        return lasterror;
    return write("\n", 1);
}

int StdFile::setptr(long long pos)
{
    if (fd < 0)
        return lasterror = EBADF;
    if (pos < 0)
        return lasterror = EINVAL;
    if (!writing && pos >= handlepos - buffill && pos <= handlepos) {
        bufpos = static_cast<int>(pos - (handlepos - buffill));
        return lasterror = 0;
    }
    if (flush() != 0)
        return lasterror;
    bufpos = buffill = 0;
    if (pos != handlepos) {
        if (lseek(fd, pos, SEEK_SET) < 0)
            return lasterror = errno;
        handlepos = pos;
    }
    return lasterror = 0;
}

long long StdFile::size()
{
    // Bytes still in the buffer belong to the file as far as the caller
    // knows; without this a size taken while writing would be short.
    if (fd < 0) {
        lasterror = EBADF;
        return -1;
    }
    if (flush() != 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        lasterror = errno;
        return -1;
    }
    lasterror = 0;
    return st.st_size;
}

int StdFile::changesize(long long n)
{
    // Read-ahead bytes may describe what the change removes; drop them.
    if (sync() != 0)
        return lasterror;
    if (ftruncate(fd, n) != 0)
        return lasterror = errno;
    return lasterror = 0;
}

int StdFile::timestamp(TimeStamp& t)
{
    if (fd < 0)
        return lasterror = EBADF;
    struct stat st;
    if (fstat(fd, &st) != 0)
        return lasterror = errno;
    t = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    return lasterror = 0;
}

int StdFile::timestamp(DOSDATE& date, DOSTIME& time)
{
    TimeStamp t;
    if (timestamp(t) != 0)
        return lasterror;
    t.ToDos(date, time);
    return 0;
}

int StdFile::settimestamp(const TimeStamp& t)
{
    if (fd < 0)
        return lasterror = EBADF;
    if (flush() != 0)
        return lasterror;
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = t.seconds;
    times[1].tv_nsec = static_cast<long>(t.nanoseconds / 1000u % 1000000u) * 1000L;
    if (futimens(fd, times) != 0)
        return lasterror = errno;
    return lasterror = 0;
}

int StdFile::settimestamp(DOSDATE date, DOSTIME time)
{
    return settimestamp(TimeStamp(date, time));
}
