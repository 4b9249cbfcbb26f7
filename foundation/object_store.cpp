#include "foundation/object_store.h"

void ObjectStore::AddObject(void* p)
{
    InsertAt(count, p);
    current = count - 1;
}

void ObjectStore::InsertObject(void* p)
{
    if (current > count)
        current = count;
    if (current < 0)
        current = 0;
    InsertAt(current, p);
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
    return TakeCurrent();
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
