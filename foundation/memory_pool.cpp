#include "foundation/memory_pool.h"

#include <cstdlib>

MemoryPoolBlock::MemoryPoolBlock(size_t n)
    : base(static_cast<char*>(std::malloc(n))), next(base), size(base ? n : 0)
{
}

MemoryPoolBlock::~MemoryPoolBlock()
{
    std::free(base);
}

void* MemoryPoolBlock::Alloc(size_t n)
{
    if (!base || n > size - static_cast<size_t>(next - base))
        return nullptr;
    void* p = next;
    next += n;
    return p;
}

MemoryPool::MemoryPool()
{
    block = NewBlock(BlockSize);
}

MemoryPoolBlock* MemoryPool::NewBlock(size_t n)
{
    MemoryPoolBlock* b = new MemoryPoolBlock(n);
    if (!b->base) {
        delete b;
        return nullptr;
    }
    AddObject(b);
    return b;
}

void* MemoryPool::Alloc(size_t n)
{
    if (block)
        if (void* p = block->Alloc(n))
            return p;
    MemoryPoolBlock* b = NewBlock(n > BlockSize ? n : BlockSize);
    if (!b)
        return nullptr;
    block = b;
    return block->Alloc(n);
}

void MemoryPool::Clear()
{
    DestroyAll();
    block = NewBlock(BlockSize);
}
