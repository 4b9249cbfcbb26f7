#ifndef PANNEX_FOUNDATION_OBJECT_STORE_H
#define PANNEX_FOUNDATION_OBJECT_STORE_H

#include "foundation/pointer_array.h"

// An ordered array of owned object pointers with a cursor. The store destroys
// its elements through DestroyObject, so typed subclasses only say how an
// element is deleted. Not synchronised: a store belongs to one thread at a
// time, or its users hold their own lock.
//
// The cursor is -1 before the first element; the Get* walkers move it and
// return null once it leaves 0..count-1.
class ObjectStore : public PointerArray
{
public:
    ObjectStore() : PointerArray(10) {}
    // Frees the array only: the typed subclass's destructor destroys the
    // elements, since DestroyObject cannot be reached from here.
    virtual ~ObjectStore() = default;
    virtual void DestroyObject(void* p) = 0;

    // Appends p and moves the cursor to it.
    void AddObject(void* p);
    // Inserts p at the cursor (clamped to the count), shifting later elements.
    void InsertObject(void* p);
    void* GetFirst();
    void* GetNext();
    void* GetPrevious();
    void* GetLast();
    void* GetCurrent() const;
    // Element i or null; this form also moves the cursor to i.
    void* operator[](int i);
    // Takes the element at the cursor out without destroying it (null when
    // the cursor is outside); the cursor then addresses the next element.
    void* RemoveCurrent();
    // Destroys the element at the cursor and closes the gap.
    void DestroyCurrent();
    void DestroyAll();
};

// A store of T whose elements are deleted with delete.
template <class T>
class TObjectStoreAbstract : public ObjectStore
{
public:
    TObjectStoreAbstract() = default;
    ~TObjectStoreAbstract() override { DestroyAll(); }
    void DestroyObject(void* p) override { DestroyObject(static_cast<T*>(p)); }
    virtual void DestroyObject(T* p) { delete p; }

    T* GetFirst() { return static_cast<T*>(ObjectStore::GetFirst()); }
    T* GetNext() { return static_cast<T*>(ObjectStore::GetNext()); }
    T* GetPrevious() { return static_cast<T*>(ObjectStore::GetPrevious()); }
    T* GetLast() { return static_cast<T*>(ObjectStore::GetLast()); }
    T* GetCurrent() const { return static_cast<T*>(ObjectStore::GetCurrent()); }
    T* operator[](int i) { return static_cast<T*>(ObjectStore::operator[](i)); }
    T* At(int i) const { return static_cast<T*>(ObjectStore::At(i)); }
    T* RemoveCurrent() { return static_cast<T*>(ObjectStore::RemoveCurrent()); }
};

// A store of copyable T; assignment copies every element.
template <class T>
class TObjectStore : public TObjectStoreAbstract<T>
{
public:
    TObjectStore() = default;
    TObjectStore(const TObjectStore& o) { *this = o; }
    TObjectStore& operator=(const TObjectStore& o)
    {
        if (this == &o)
            return *this;
        this->DestroyAll();
        for (int i = 0; i < o.count; i++)
            this->AddObject(new T(*o.At(i)));
        this->current = o.current;
        return *this;
    }
};

#endif
