#include "foundation/object_store.h"

#include <cstring>

ObjectStore::ObjectStore() : items(new void*[10]) {}

ObjectStore::~ObjectStore()
{
    delete[] items;
}

// Grows by 13/10 (10, 13, 16, 20, ...), keeping the order.
void ObjectStore::Grow()
{
    int ncap = capacity * 13 / 10;
    void** n = new void*[ncap];
    std::memcpy(n, items, sizeof(void*) * count);
    delete[] items;
    items = n;
    capacity = ncap;
}

void ObjectStore::AddObject(void* p)
{
    if (count == capacity)
        Grow();
    items[count] = p;
    current = count++;
}

void ObjectStore::InsertObject(void* p)
{
    if (current > count)
        current = count;
    if (current < 0)
        current = 0;
    if (count == capacity)
        Grow();
    std::memmove(items + current + 1, items + current, sizeof(void*) * (count - current));
    items[current] = p;
    count++;
}

void* ObjectStore::GetFirst()
{
    current = 0;
    return GetCurrent();
}

void* ObjectStore::GetNext()
{
    if (current < count)
        current++;
    return GetCurrent();
}

void* ObjectStore::GetPrevious()
{
    if (current >= 0)
        current--;
    return GetCurrent();
}

void* ObjectStore::GetLast()
{
    current = count - 1;
    return GetCurrent();
}

void* ObjectStore::GetCurrent() const
{
    return At(current);
}

void* ObjectStore::operator[](int i)
{
    current = i;
    return At(i);
}

void* ObjectStore::RemoveCurrent()
{
    if (current < 0 || current >= count)
        return nullptr;
    void* p = items[current];
    count--;
    std::memmove(items + current, items + current + 1, sizeof(void*) * (count - current));
    return p;
}

void ObjectStore::DestroyCurrent()
{
    if (void* p = RemoveCurrent())
        DestroyObject(p);
}

void ObjectStore::DestroyAll()
{
    // Count first, so an element's destructor that looks at the store sees
    // none of the elements being destroyed.
    int n = count;
    count = 0;
    for (int i = 0; i < n; i++)
        DestroyObject(items[i]);
    current = -1;
}
