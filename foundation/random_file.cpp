#include "foundation/random_file.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// Reads up to n bytes at pos, going on after short reads until the end of
// the file; the count, or -1 with errno when nothing could be read.
int read_at(int fd, void* buf, int n, long long pos)
{
    char* p = static_cast<char*>(buf);
    int done = 0;
    while (done < n) {
        ssize_t r = pread(fd, p + done, static_cast<size_t>(n - done), pos + done);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            if (done == 0)
                return -1;
            break;
        }
        if (r == 0)
            break;
        done += static_cast<int>(r);
    }
    return done;
}

// One block at pos, only when the page cache holds all of it: the count,
// or -1 when reading would wait for the disk (or the system cannot tell).
int read_cached(int fd, void* buf, long long pos)
{
    iovec iov = {buf, static_cast<size_t>(RandomFile::BlockSize)};
    ssize_t r;
    do
        r = preadv2(fd, &iov, 1, pos, RWF_NOWAIT);
    while (r < 0 && errno == EINTR);
    return static_cast<int>(r);
}

std::unique_ptr<unsigned char[]> new_block()
{
    return std::make_unique_for_overwrite<unsigned char[]>(RandomFile::BlockSize);
}

void lock(MutexSem& m)
{
    [[maybe_unused]] int rc = m.Request(IndefiniteWait);
    assert(rc == 0);
}

}

RandomFile::RandomFile() = default;

RandomFile::~RandomFile()
{
    (void)RandomFile::close();
}

int RandomFile::open(const char* name, int flags, int share)
{
    // StdFile::open closes first, through our close, which stops the thread.
    int rc = StdFile::open(name, flags, share);
    DiscardBuffers();
    growing = false;
    streamPos = 0;
    knownSize = 0;
    openError = rc;
    if (rc != 0)
        return rc;
    struct stat st;
    if (fstat(fd, &st) == 0)
        knownSize = st.st_size;
    front_changed();
    start_read_ahead();
    return 0;
}

int RandomFile::close()
{
    DiscardBuffers();
    stop_read_ahead();
    return StdFile::close();
}

void RandomFile::DiscardBuffers()
{
    for (auto& b : blocks)
        b.reset();
    blockCount = 0;
    front_changed();
    lock(mutex);
    raOffset = -1;
    raCount = 0;
    raGeneration++;
    mutex.Release();
}

void RandomFile::front_changed()
{
    if (blockCount == 0 || knownSize <= blockOffset[0]) {
        frontData = nullptr;
        frontOffset = 0;
        frontLength = 0;
        return;
    }
    frontData = blocks[0].get();
    frontOffset = blockOffset[0];
    long long length = std::min<long long>(BlockSize, knownSize - blockOffset[0]);
    frontLength = static_cast<unsigned long long>(length);
}

int RandomFile::GetCharSlow(long long pos)
{
    if (pos < 0 || !isopen())
        return -1;
    long long offset = pos - pos % BlockSize;

    int slot = 0;
    while (slot < blockCount && blockOffset[slot] != offset)
        slot++;
    if (slot < blockCount) {
        // Move the block to the front; the ones before it shift back.
        std::unique_ptr<unsigned char[]> hit = std::move(blocks[slot]);
        for (int i = slot; i > 0; i--) {
            blocks[i] = std::move(blocks[i - 1]);
            blockOffset[i] = blockOffset[i - 1];
        }
        blocks[0] = std::move(hit);
        blockOffset[0] = offset;
        if (pos < knownSize || !growing) {
            front_changed();
            return pos < knownSize ? blocks[0][pos - offset] : -1;
        }
        // Growing: the file may have more by now; read the block again.
    } else {
        // A new block: the least recently used buffer is reused when all
        // four slots are taken.
        std::unique_ptr<unsigned char[]> buf;
        if (blockCount == MaxBlocks)
            buf = std::move(blocks[MaxBlocks - 1]);
        else {
            buf = new_block();
            blockCount++;
        }
        for (int i = blockCount - 1; i > 0; i--) {
            blocks[i] = std::move(blocks[i - 1]);
            blockOffset[i] = blockOffset[i - 1];
        }
        blocks[0] = std::move(buf);
        blockOffset[0] = offset;
    }

    int got = readblock(offset, blocks[0]);
    // Only bytes actually read extend the file: an empty block past the end
    // must not move the end to its start. A read that ends short of the
    // known size shows where the file really ends now (it shrank, or it is
    // a sysfs file that claims a page it does not hold), so nothing past
    // it is served; a failed read says nothing about the size.
    if (got > 0 && offset + got > knownSize)
        knownSize = offset + got;
    else if (got >= 0 && got < BlockSize && offset + got < knownSize)
        knownSize = offset + got;
    front_changed();
    return pos < knownSize ? blocks[0][pos - offset] : -1;
}

int RandomFile::readblock(long long offset, std::unique_ptr<unsigned char[]>& block)
{
    lock(mutex);
    int got;
    bool ok = true;
    if (raOffset == offset && raCount >= 1) {
        // The read-ahead has it: take its buffer and give it ours.
        block.swap(raBuffer);
        got = raCount;
        raCount = 0;
    } else {
        got = read_at(fd, block.get(), BlockSize, offset);
        if (got < 0) {
            lasterror = errno;
            ok = false;
        }
    }
    // Past a short read the buffer holds an older block's bytes; a file
    // that shrank below the known size must not show them.
    int filled = got < 0 ? 0 : got;
    if (filled < BlockSize)
        std::memset(block.get() + filled, 0xFF, static_cast<size_t>(BlockSize - filled));

    // Read ahead in the direction the caller is moving: forward after the
    // first block or after the block before this one, backward when the
    // caller came from the block after.
    long long next = -1;
    if (ok && got == BlockSize) {
        if (blockCount == 1 || blockOffset[1] == offset - BlockSize)
            next = offset + BlockSize;
        else if (blockOffset[1] == offset + BlockSize && offset > 0)
            next = offset - BlockSize;
    }
    // A block already read ahead for the same request is kept. One that
    // sits in the page cache is copied at once, which costs less than
    // waking the thread; the thread is left the blocks that need the disk.
    // While it is reading, its buffer is its own.
    bool wake = false;
    if (next != raOffset || raCount == 0) {
        raOffset = next;
        raCount = 0;
        if (next >= 0) {
            if (!raBusy && raBuffer && read_cached(fd, raBuffer.get(), next) == BlockSize)
                raCount = BlockSize;
            else
                wake = true;
        }
    }
    mutex.Release();
    if (wake)
        raEvent.Trigger();
    return got;
}

void RandomFile::start_read_ahead()
{
    if (raRunning)
        return;
    lock(mutex);
    raStop = false;
    raOffset = -1;
    raCount = 0;
    raBuffer = new_block();
    mutex.Release();
    raEvent.Reset();
    // Without the thread every block is simply read when it is needed.
    // The thread runs at normal priority: raising it needs privileges an
    // ordinary user lacks, and it spends its time waiting for the disk.
    raRunning = pthread_create(&raThread, nullptr, read_ahead_main, this) == 0;
}

void RandomFile::stop_read_ahead()
{
    if (!raRunning)
        return;
    lock(mutex);
    raStop = true;
    raOffset = -1;
    mutex.Release();
    raEvent.Trigger();
    pthread_join(raThread, nullptr);
    raRunning = false;
    raBuffer.reset();
}

void* RandomFile::read_ahead_main(void* self)
{
    static_cast<RandomFile*>(self)->read_ahead_loop();
    return nullptr;
}

void RandomFile::read_ahead_loop()
{
    for (;;) {
        (void)raEvent.WaitFor(IndefiniteWait);
        lock(mutex);
        if (raStop) {
            mutex.Release();
            return;
        }
        // Cleared before reading: a request made meanwhile wakes us again.
        raEvent.Reset();
        // A block already done is not read twice.
        long long want = raCount == 0 ? raOffset : -1;
        unsigned generation = raGeneration;
        raBusy = want >= 0;
        mutex.Release();
        if (want < 0)
            continue;

        // The read itself runs without the mutex, so the caller's thread is
        // never held up behind it. That is safe because pread leaves the
        // descriptor's offset alone, nobody else touches raBuffer while
        // raBusy is set, and close joins this thread before the descriptor
        // goes. What was read counts only if the request still stands and
        // nothing was discarded meanwhile (a rewrite of the file, say).
        int got = read_at(fd, raBuffer.get(), BlockSize, want);
        lock(mutex);
        raBusy = false;
        if (raOffset == want && raGeneration == generation && raCount == 0)
            raCount = got > 0 ? got : 0;
        mutex.Release();
    }
}

long long RandomFile::ReadAheadBlock()
{
    lock(mutex);
    long long ready = raCount > 0 ? raOffset : -1;
    mutex.Release();
    return ready;
}

int RandomFile::GetBlock(long long pos, void* buf, int& n)
{
    assert(n >= 0);
    if (!isopen()) {
        n = 0;
        return lasterror = EBADF;
    }
    if (n == 0)
        return lasterror = 0;
    lock(mutex);
    int got = read_at(fd, buf, n, pos);
    int err = errno;
    mutex.Release();
    if (got < 0) {
        n = 0;
        return lasterror = err;
    }
    n = got;
    return lasterror = got > 0 ? 0 : -1;
}

int RandomFile::read(void* buf, int n, int* got)
{
    int count = n;
    int rc = GetBlock(streamPos, buf, count);
    streamPos += count;
    if (got)
        *got = count;
    return rc;
}

int RandomFile::gets(char* buf, int size)
{
    assert(size >= 2);
    buf[0] = 0;
    // Lines are short as a rule: look at a few hundred bytes at a time
    // rather than re-reading a whole large buffer for every line.
    constexpr int Chunk = 512;
    int len = 0;
    bool any = false;
    bool ended = false;
    while (!ended && len < size - 1) {
        int n = std::min(Chunk, size - 1 - len);
        int rc = GetBlock(streamPos, buf + len, n);
        if (rc > 0)
            return rc;
        if (rc < 0)
            break;
        any = true;
        int i = 0;
        while (i < n && buf[len + i] != '\n' && buf[len + i] != 0)
            i++;
        if (i < n) {
            ended = true;
            streamPos += i + 1;
        } else
            streamPos += n;
        len += i;
    }
    return finish_line(buf, len, any);
}
