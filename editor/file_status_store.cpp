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

void FileStatusStore::TrimHistories(const HISTREC* keep, size_t limit)
{
    size_t total = 0;
    for (auto& [name, rec] : records)
        total += rec->undo.Bytes() + rec->redo.Bytes();
    while (total > limit) {
        HISTREC* oldest = nullptr;
        for (auto& [name, rec] : records)
            if (rec.get() != keep && (rec->undo.Count() || rec->redo.Count()) && (!oldest || rec->closed < oldest->closed))
                oldest = rec.get();
        if (!oldest)
            return;
        total -= oldest->undo.Bytes() + oldest->redo.Bytes();
        oldest->undo.Clear();
        oldest->redo.Clear();
        for (auto& b : oldest->bookmarks)
            b = HISTREC::BOOKMARK();
    }
}
