#include "foundation/pointer_array.h"

#include <cstring>

PointerArray::PointerArray(int initial_capacity) : items(new void*[initial_capacity]), capacity(initial_capacity) {}

PointerArray::~PointerArray()
{
    delete[] items;
}

void PointerArray::InsertAt(int pos, void* p)
{
    if (count == capacity) {
        int ncap = capacity * 13 / 10;
        void** n = new void*[ncap];
        std::memcpy(n, items, sizeof(void*) * count);
        delete[] items;
        items = n;
        capacity = ncap;
    }
    std::memmove(items + pos + 1, items + pos, sizeof(void*) * (count - pos));
    items[pos] = p;
    count++;
}

void* PointerArray::TakeCurrent()
{
    if (current < 0 || current >= count)
        return nullptr;
    void* p = items[current];
    count--;
    std::memmove(items + current, items + current + 1, sizeof(void*) * (count - current));
    return p;
}
