#include "editor/file_status_store.h"

#include "foundation/nls.h"

FileStatusStore fileStatusStore;

bool FileStatusStore::ByName::operator()(const Westring& a, const Westring& b) const
{
    return fncompare(a.c_str(), b.c_str()) < 0;
}

HISTREC* FileStatusStore::Find(const Westring& name)
{
    auto it = records.find(name);
    return it == records.end() ? nullptr : it->second.get();
}

HISTREC& FileStatusStore::Obtain(const Westring& name)
{
    auto& slot = records[name];
    if (!slot) {
        slot = std::make_unique<HISTREC>();
        slot->name = name;
    }
    return *slot;
}
