#ifndef PANNEX_FOUNDATION_MEMORY_POOL_H
#define PANNEX_FOUNDATION_MEMORY_POOL_H

#include "foundation/object_store.h"

#include <cstddef>

// One block of a MemoryPool: memory handed out front to back.
struct MemoryPoolBlock
{
    explicit MemoryPoolBlock(size_t n);
    ~MemoryPoolBlock();
    MemoryPoolBlock(const MemoryPoolBlock&) = delete;
    MemoryPoolBlock& operator=(const MemoryPoolBlock&) = delete;

    // n bytes starting exactly where the previous allocation ended (no
    // alignment is applied), or null when they do not fit.
    void* Alloc(size_t n);

    char* base;
    char* next;
    size_t size;
};

// An arena for many small allocations that live and die together (history
// and command lists). Single allocations are never freed; Clear releases
// everything at once.
class MemoryPool : public TObjectStoreAbstract<MemoryPoolBlock>
{
public:
    static constexpr size_t BlockSize = 65536;

    MemoryPool();
    // n bytes from the current block, or from a new block of max(n, 64 KiB)
    // when they do not fit; null only when that block cannot be had. Callers
    // choose sizes that keep their own alignment.
    void* Alloc(size_t n);
    // Destroys every block and starts a fresh one.
    void Clear();

private:
    MemoryPoolBlock* NewBlock(size_t n);
    MemoryPoolBlock* block = nullptr;
};

#endif
