#ifndef PANNEX_FOUNDATION_SORTED_COLLECTION_H
#define PANNEX_FOUNDATION_SORTED_COLLECTION_H

#include "foundation/pointer_array.h"

// An array of owned element pointers kept in key order, found by binary
// search. Subclasses say where an element's key is, how keys compare and how
// an element is destroyed. Not synchronised.
class SortedCollection : public PointerArray
{
public:
    SortedCollection() : PointerArray(100) {}
    // Frees the array only; the typed subclass destroys the elements.
    virtual ~SortedCollection() = default;
    virtual void* KeyFromItem(void* item) = 0;
    // Negative, 0 or positive as key sorts before, with or after item's key.
    virtual int compare(void* key, void* item) = 0;
    virtual void DestroyItem(void* item) = 0;

    // With unsorted set, appends. Otherwise inserts p in key order (before an
    // equal element) and returns 0, or returns -1 and leaves p to the caller
    // when its key is already present and duplicates is off.
    [[nodiscard]] int AddItem(void* p);
    // 0 with pos at a matching element, or -1 with pos at the insertion point.
    int FindPosition(long& pos, void* key);
    // Lookups move the cursor to what they return.
    void* FindItem(void* key);
    // The first element whose key is not below key.
    void* FindGreaterEqual(void* key);
    // The matching element, else the last one below key.
    void* FindLessEqual(void* key);
    void* FindFirst();
    void* FindNext();
    // Takes the element at the cursor out without destroying it.
    void* RemoveCurrent();
    void DestroyCurrent();
    void DestroyAll();

    // When false, an element whose key equals an existing key is rejected.
    bool duplicates = false;
    // When true, elements are appended without ordering.
    bool unsorted = false;
};

template <class T, class K>
class TSortedCollection : public SortedCollection
{
public:
    TSortedCollection() = default;
    // Copies destroy the target's elements, then copy the duplicates flag
    // and every element (the unsorted flag is not copied).
    TSortedCollection(const TSortedCollection& o) { *this = o; }
    TSortedCollection& operator=(const TSortedCollection& o)
    {
        if (this == &o)
            return *this;
        DestroyAll();
        duplicates = o.duplicates;
        bool was = unsorted;
        // The source is already in order, so appending keeps it.
        unsorted = true;
        for (int i = 0; i < o.count; i++)
            (void)SortedCollection::AddItem(new T(*static_cast<T*>(o.At(i))));
        unsorted = was;
        return *this;
    }
    ~TSortedCollection() override { DestroyAll(); }

    void* KeyFromItem(void* item) override { return KeyFromItem(static_cast<T*>(item)); }
    int compare(void* key, void* item) override
    {
        return compare(static_cast<K*>(key), KeyFromItem(static_cast<T*>(item)));
    }
    void DestroyItem(void* item) override { delete static_cast<T*>(item); }
    virtual K* KeyFromItem(T* item) = 0;
    virtual int compare(K* a, K* b) = 0;

    [[nodiscard]] int AddItem(T* p) { return SortedCollection::AddItem(p); }
    T* FindItem(const K& key) { return static_cast<T*>(SortedCollection::FindItem(const_cast<K*>(&key))); }
    T* FindGreaterEqual(const K& key)
    {
        return static_cast<T*>(SortedCollection::FindGreaterEqual(const_cast<K*>(&key)));
    }
    T* FindLessEqual(const K& key)
    {
        return static_cast<T*>(SortedCollection::FindLessEqual(const_cast<K*>(&key)));
    }
    T* FindFirst() { return static_cast<T*>(SortedCollection::FindFirst()); }
    T* FindNext() { return static_cast<T*>(SortedCollection::FindNext()); }
    T* At(int i) const { return static_cast<T*>(SortedCollection::At(i)); }
    T* RemoveCurrent() { return static_cast<T*>(SortedCollection::RemoveCurrent()); }
};

#endif
