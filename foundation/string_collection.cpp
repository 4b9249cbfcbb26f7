#include "foundation/string_collection.h"

#include "foundation/csv.h"
#include "foundation/nls.h"

#include <strings.h>

namespace {

// Adds a heap copy; 1 when added, 0 when the collection rejected it.
template <class C, class S>
int add_copy(C& c, const S& s)
{
    S* copy = new S(s);
    if (c.AddItem(copy) != 0) {
        delete copy;
        return 0;
    }
    return 1;
}

}

int StringCollection::compare(Estring* a, Estring* b)
{
    return strcasecmp(a->c_str(), b->c_str());
}

int StringCollection::AddString(const Estring& s)
{
    return add_copy(*this, s);
}

int StringCollection::AddCSV(Estring text)
{
    int added = 0;
    while (!text.empty())
        added += AddString(ParseCSVField(text));
    return added;
}

Estring StringCollection::ToCSV() const
{
    Estring r;
    for (int i = 0; i < count; i++) {
        if (i)
            r += ',';
        r += *At(i);
    }
    return r;
}

int FnStringCollection::compare(Westring* a, Westring* b)
{
    return nls_stricmp(a->c_str(), b->c_str());
}

int FnStringCollection::AddString(const Westring& s)
{
    return add_copy(*this, s);
}

int WestringCollection::AddString(const Westring& s)
{
    return add_copy(*this, s);
}

int KeyedValueSet::compare(Estring* a, Estring* b)
{
    return strcasecmp(a->c_str(), b->c_str());
}

const Estring* KeyedValueSet::GetValue(const Estring& key)
{
    KeyedValue* kv = FindItem(key);
    return kv ? &kv->value : nullptr;
}

void KeyedValueSet::SetValue(const Estring& key, const Estring& value)
{
    if (KeyedValue* kv = FindItem(key)) {
        kv->value = value;
        return;
    }
    (void)AddItem(new KeyedValue{key, value});
}
