#ifndef PANNEX_FOUNDATION_RANDOM_FILE_H
#define PANNEX_FOUNDATION_RANDOM_FILE_H

#include "foundation/event_sem.h"
#include "foundation/mutex_sem.h"
#include "foundation/std_file.h"

#include <memory>
#include <pthread.h>

// Random access for the viewer and the text-file loader: GetChar serves any
// byte from a cache of four 16 KiB blocks, and a thread of the file's own
// reads the neighbouring block ahead in the direction the caller moves, so
// paging through a large file rarely waits for the disk.
//
// The caller's thread and the read-ahead thread share the descriptor. Reads
// here never move its offset (they name their position), so StdFile's
// writing, which a derived class may do while it holds `mutex`, finds the
// descriptor where it left it; the read-ahead thread reads without the
// mutex and keeps its block only when no DiscardBuffers came in between.
class RandomFile : public StdFile
{
public:
    static constexpr int BlockSize = 16384;
    static constexpr int MaxBlocks = 4;

    RandomFile();
    ~RandomFile() override;

    using StdFile::open;
    // Opens as StdFile does, empties the cache, clears `growing` and the
    // stream position, takes the size and starts the read-ahead thread.
    [[nodiscard]] int open(const char* name, int flags, int share = 0) override;
    // Discards the cache, stops the read-ahead thread and closes.
    int close() override;

    // The byte at pos (0-255), or -1 beyond the end of the file. Bytes that
    // could not be read come back as 0xFF.
    int GetChar(long long pos)
    {
        // The viewer's hot path: a hit in the most recent block costs one
        // subtraction and one comparison. Unsigned arithmetic turns a
        // position before the block into a large value, which misses.
        unsigned long long rel =
            static_cast<unsigned long long>(pos) - static_cast<unsigned long long>(frontOffset);
        if (rel < frontLength)
            return frontData[rel];
        return GetCharSlow(pos);
    }
    // Reads up to n bytes at pos directly, bypassing the cache; n receives
    // the count. 0 when bytes were read, -1 when none were left, else the
    // errno.
    [[nodiscard]] int GetBlock(long long pos, void* buf, int& n);
    // Stream reading from the stream position (0 after open), through
    // GetBlock, with the line rules of StdFile::gets.
    [[nodiscard]] int read(void* buf, int n, int* got = nullptr) override;
    [[nodiscard]] int gets(char* buf, int size) override;
    // Frees the cached blocks and forgets a block read ahead, so that bytes
    // changed on disk (after saving, say) are read again.
    void DiscardBuffers();

    // The size as far as reading has seen: the size at open, raised when a
    // block read reaches further and lowered when one ends short of it.
    long long KnownSize() const { return knownSize; }
    // The result of the last open.
    int OpenError() const { return openError; }
    // The offset of the block the read-ahead thread holds ready, or -1 (for
    // tests and diagnostics).
    long long ReadAheadBlock();

    // When set, a byte at or beyond the known size is looked for again
    // instead of being reported as the end (the viewer following a growing
    // file sets it). open clears it.
    bool growing = false;

protected:
    // Guards the read-ahead request and the caller's reads of the
    // descriptor. A derived class that rewrites the file holds it
    // throughout and calls DiscardBuffers before letting go.
    MutexSem mutex;

private:
    int GetCharSlow(long long pos);
    // Fills block with the 16 KiB at offset, from the read-ahead when it
    // holds that block, and picks the next block to read ahead. Returns the
    // count of bytes read, -1 when the read failed; the rest of the block is
    // 0xFF.
    int readblock(long long offset, std::unique_ptr<unsigned char[]>& block);
    // Refreshes the fast path's copy of slot 0.
    void front_changed();
    void start_read_ahead();
    void stop_read_ahead();
    static void* read_ahead_main(void* self);
    void read_ahead_loop();

    // Fast path: slot 0's data and offset, and how many of its bytes lie
    // below the known size (0 with nothing cached).
    const unsigned char* frontData = nullptr;
    long long frontOffset = 0;
    unsigned long long frontLength = 0;

    long long knownSize = 0;
    // Slot 0 is the most recently used; offsets are multiples of BlockSize.
    std::unique_ptr<unsigned char[]> blocks[MaxBlocks];
    long long blockOffset[MaxBlocks] = {};
    int blockCount = 0;

    // The read-ahead request, under `mutex`: the block wanted (-1 none), the
    // buffer the thread reads into and the bytes it got (0 until done).
    long long raOffset = -1;
    std::unique_ptr<unsigned char[]> raBuffer;
    int raCount = 0;
    // Counts DiscardBuffers calls, so that a block read before one of them
    // is not kept.
    unsigned raGeneration = 0;
    // Set while the thread reads into raBuffer without the mutex.
    bool raBusy = false;
    // Tells the thread to end. A flag of its own, so that withdrawing a
    // request (offset -1) can never be taken for a stop.
    bool raStop = false;
    EventSem raEvent;
    pthread_t raThread{};
    bool raRunning = false;

    long long streamPos = 0;
    int openError = 0;
};

#endif
