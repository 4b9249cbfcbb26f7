#ifndef PANNEX_FOUNDATION_POINTER_ARRAY_H
#define PANNEX_FOUNDATION_POINTER_ARRAY_H

// The array of element pointers under ObjectStore and SortedCollection: a
// count, a cursor and room that grows by 13/10 when full (10, 13, 16, ...
// or 100, 130, 169, ...), keeping the order.
class PointerArray
{
public:
    PointerArray(const PointerArray&) = delete;
    PointerArray& operator=(const PointerArray&) = delete;

    void* At(int i) const { return i >= 0 && i < count ? items[i] : nullptr; }

    // The cursor: -1 before the first element.
    int current = -1;
    // Number of elements; read directly by users.
    int count = 0;

protected:
    explicit PointerArray(int initial_capacity);
    ~PointerArray();
    // Inserts p at index pos (0 .. count), shifting later elements up.
    void InsertAt(int pos, void* p);
    // Takes the element at the cursor out (null when the cursor is
    // outside); the cursor then addresses the next element.
    void* TakeCurrent();

    void** items;
    int capacity;
};

#endif
