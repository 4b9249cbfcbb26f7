#include "archive/archive_entry.h"

#include <algorithm>
#include <cwchar>

int CompArchPath(const wchar_t* a, int alen, const wchar_t* b, int blen)
{
    int n = std::min(alen, blen);
    for (int i = 0; i < n; i++) {
        if (a[i] == b[i])
            continue;
        // "/" sorts below every other character of a name, control
        // characters included (names never hold a NUL).
        unsigned long long ca = a[i] == L'/' ? 0 : static_cast<unsigned long long>(a[i]) + 1;
        unsigned long long cb = b[i] == L'/' ? 0 : static_cast<unsigned long long>(b[i]) + 1;
        return ca < cb ? -1 : 1;
    }
    return alen < blen ? -1 : alen > blen ? 1 : 0;
}

int CompArchEntry(const ArchiveEntry& a, const ArchiveEntry& b)
{
    if (int c = CompArchPath(a.path, a.path_length, b.path, b.path_length))
        return c;
    return std::wcscmp(a.name, b.name);
}

void ArchiveEntryStore::Sort()
{
    // The dot-slash flag breaks ties, so that "./x" and "x" (different
    // stored names) both stay; stable, so that among equal stored names
    // the last one stored comes last.
    auto less = [](const ArchiveEntry* a, const ArchiveEntry* b) {
        int c = CompArchEntry(*a, *b);
        if (c)
            return c < 0;
        return a->dotslash < b->dotslash;
    };
    std::stable_sort(entries.begin(), entries.end(), less);
    size_t out = 0;
    for (size_t i = 0; i < entries.size(); i++) {
        if (i + 1 < entries.size() && !less(entries[i], entries[i + 1]) &&
            entries[i]->unsafe == entries[i + 1]->unsafe)
            continue;
        entries[out++] = entries[i];
    }
    entries.resize(out);
}

int ArchiveEntryStore::LowerBound(const wchar_t* dir, int dirlen) const
{
    auto it = std::lower_bound(entries.begin(), entries.end(), 0, [&](const ArchiveEntry* e, int) {
        return CompArchPath(e->path, e->path_length, dir, dirlen) < 0;
    });
    return static_cast<int>(it - entries.begin());
}
