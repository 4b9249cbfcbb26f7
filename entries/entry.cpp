#include "entries/entry.h"

#include "fileops/file_system.h"
#include "foundation/nls.h"

#include <cassert>
#include <cstddef>
#include <cwchar>
#include <new>

namespace {

constexpr int InitialCapacity = 4096;

}

entry* entry::Create(const wchar_t* name, int len)
{
    assert(len >= 0);
    void* mem = ::operator new(sizeof(entry) + (static_cast<size_t>(len) + 1) * sizeof(wchar_t));
    entry* e = new (mem) entry();
    std::wmemcpy(e->name, name, static_cast<size_t>(len));
    e->name[len] = 0;
    e->name_length = len;
    return e;
}

entry* entry::Copy(const entry& from)
{
    entry* e = Create(from.name, from.name_length);
    e->size = from.size;
    e->attributes = from.attributes;
    e->mode = from.mode;
    e->uid = from.uid;
    e->gid = from.gid;
    e->time = from.time;
    e->tagged = from.tagged;
    e->last_op = from.last_op;
    e->depth = from.depth;
    e->display_case = from.display_case;
    e->group = from.group;
    e->match_pos = from.match_pos;
    e->tree_node = from.tree_node;
    return e;
}

void entry::Destroy(entry* e)
{
    if (!e)
        return;
    e->~entry();
    ::operator delete(e);
}

bool entry::IsDirectory() const
{
    return (attributes & AttrDirectory) != 0;
}

Westring entry::DisplayName() const
{
    Westring s(name);
    if (display_case == CaseUpper)
        nls_strupr(s.buffer());
    else if (display_case == CaseLower)
        nls_strlwr(s.buffer());
    return s;
}

CEntryList::CEntryList()
{
    items.reserve(InitialCapacity);
}

CEntryList::~CEntryList()
{
    Clear();
}

CEntryList& CEntryList::operator=(CEntryList&& o) noexcept
{
    if (this != &o) {
        Clear();
        items = std::move(o.items);
        o.items.clear();
    }
    return *this;
}

entry* CEntryList::operator[](int i) const
{
    assert(i >= 0 && i < Count());
    return items[static_cast<size_t>(i)];
}

void CEntryList::Append(entry* e)
{
    assert(e);
    // The vector doubles its room when full, from the 4096 reserved above.
    items.push_back(e);
}

void CEntryList::Insert(int at, entry* e)
{
    assert(e && at >= 0 && at <= Count());
    items.insert(items.begin() + at, e);
}

void CEntryList::Clear()
{
    for (entry* e : items)
        entry::Destroy(e);
    items.clear();
}

std::vector<entry*> CEntryList::TakeAll()
{
    std::vector<entry*> all;
    all.swap(items);
    items.reserve(InitialCapacity);
    return all;
}

int reserved_file(const wchar_t* name)
{
    // Exactly as written: a user's own DESCRIPT.ION is an ordinary file.
    return std::wcscmp(name, L"descript.ion") == 0 ? 1 : 0;
}
