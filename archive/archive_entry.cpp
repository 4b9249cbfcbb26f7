#include "archive/archive_entry.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

int CompArchPath(const wchar_t* a, int alen, const wchar_t* b, int blen)
{
    int n = std::min(alen, blen);
    // Skip the common prefix four characters at a time: members of one
    // directory share long paths, and sorting 100,000 of them is mostly
    // this loop.
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        unsigned long long x[2], y[2];
        std::memcpy(x, a + i, sizeof x);
        std::memcpy(y, b + i, sizeof y);
        if (x[0] != y[0] || x[1] != y[1])
            break;
    }
    for (; i < n; i++) {
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
    // Members of one directory share their path string (see AddMember).
    if (a.path != b.path)
        if (int c = CompArchPath(a.path, a.path_length, b.path, b.path_length))
            return c;
    return std::wcscmp(a.name, b.name);
}

void ArchiveEntryStore::Sort()
{
    // The dot-slash flag breaks ties, so that "./x" and "x" (different
    // stored names) both stay; then the order of reading, so that among
    // equal stored names the last one stored comes last.
    auto same = [](const ArchiveEntry* a, const ArchiveEntry* b) {
        return CompArchEntry(*a, *b) == 0 && a->dotslash == b->dotslash && a->unsafe == b->unsafe;
    };
    auto less = [](const ArchiveEntry* a, const ArchiveEntry* b) {
        if (int c = CompArchEntry(*a, *b))
            return c < 0;
        if (a->dotslash != b->dotslash)
            return a->dotslash < b->dotslash;
        return a->sequence < b->sequence;
    };
    // Archives written in this order (or read before) need one pass.
    if (!std::is_sorted(entries.begin(), entries.end(), less))
        std::sort(entries.begin(), entries.end(), less);
    size_t out = 0;
    for (size_t i = 0; i < entries.size(); i++) {
        if (i + 1 < entries.size() && same(entries[i], entries[i + 1]))
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
