#include "foundation/sorted_collection.h"

int SortedCollection::AddItem(void* p)
{
    if (unsorted) {
        InsertAt(count, p);
        return 0;
    }
    long pos;
    if (FindPosition(pos, KeyFromItem(p)) == 0 && !duplicates)
        return -1;
    InsertAt(static_cast<int>(pos), p);
    return 0;
}

int SortedCollection::FindPosition(long& pos, void* key)
{
    long low = 0, high = count - 1;
    while (low <= high) {
        long mid = (low + high) / 2;
        int c = compare(key, items[mid]);
        if (c == 0) {
            pos = mid;
            return 0;
        }
        if (c > 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    pos = low;
    return -1;
}

void* SortedCollection::FindItem(void* key)
{
    long pos;
    if (FindPosition(pos, key) != 0)
        return nullptr;
    current = static_cast<int>(pos);
    return items[pos];
}

void* SortedCollection::FindGreaterEqual(void* key)
{
    long pos;
    // With duplicates the search may land on any of the equal elements.
    if (FindPosition(pos, key) == 0)
        while (pos > 0 && compare(key, items[pos - 1]) == 0)
            pos--;
    current = static_cast<int>(pos);
    return At(current);
}

void* SortedCollection::FindLessEqual(void* key)
{
    long pos;
    if (FindPosition(pos, key) != 0)
        pos--;
    current = static_cast<int>(pos);
    return At(current);
}

void* SortedCollection::FindFirst()
{
    current = 0;
    return At(current);
}

void* SortedCollection::FindNext()
{
    if (current < count)
        current++;
    return At(current);
}

void* SortedCollection::RemoveCurrent()
{
    return TakeCurrent();
}

void SortedCollection::DestroyCurrent()
{
    if (void* p = RemoveCurrent())
        DestroyItem(p);
}

void SortedCollection::DestroyAll()
{
    int n = count;
    count = 0;
    for (int i = 0; i < n; i++)
        DestroyItem(items[i]);
    current = -1;
}
