#ifndef PANNEX_FOUNDATION_STRING_COLLECTION_H
#define PANNEX_FOUNDATION_STRING_COLLECTION_H

#include "foundation/estring.h"
#include "foundation/sorted_collection.h"
#include "foundation/westring.h"

// A sorted set of 8-bit strings, keys compared ignoring ASCII case.
class StringCollection : public TSortedCollection<Estring, Estring>
{
public:
    Estring* KeyFromItem(Estring* item) override { return item; }
    int compare(Estring* a, Estring* b) override;
    using TSortedCollection::KeyFromItem;
    using TSortedCollection::compare;

    // Adds a copy: 1 when added, 0 when rejected as a duplicate.
    int AddString(const Estring& s);
    // Splits text into comma-separated fields (quotes and backslash escapes
    // as ParseCSVField reads them) and adds each; returns the number added.
    int AddCSV(Estring text);
    // The elements in order joined by "," without quoting.
    Estring ToCSV() const;
};

// A sorted set of file names, compared with Unicode case folding.
class FnStringCollection : public TSortedCollection<Westring, Westring>
{
public:
    Westring* KeyFromItem(Westring* item) override { return item; }
    int compare(Westring* a, Westring* b) override;
    using TSortedCollection::KeyFromItem;
    using TSortedCollection::compare;

    int AddString(const Westring& s);
};

// A sorted set of wide strings whose order a subclass defines.
class WestringCollection : public TSortedCollection<Westring, Westring>
{
public:
    Westring* KeyFromItem(Westring* item) override { return item; }
    using TSortedCollection::KeyFromItem;

    int AddString(const Westring& s);
};

struct KeyedValue
{
    Estring key;
    Estring value;
};

// Key/value pairs ordered by key, keys compared ignoring ASCII case.
class KeyedValueSet : public TSortedCollection<KeyedValue, Estring>
{
public:
    Estring* KeyFromItem(KeyedValue* item) override { return &item->key; }
    int compare(Estring* a, Estring* b) override;
    using TSortedCollection::KeyFromItem;
    using TSortedCollection::compare;

    // The value of key, or null when it is not present.
    const Estring* GetValue(const Estring& key);
    // Sets key to value, adding the pair when it is not present.
    void SetValue(const Estring& key, const Estring& value);
};

#endif
