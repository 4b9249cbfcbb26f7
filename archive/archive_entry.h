#ifndef PANNEX_ARCHIVE_ARCHIVE_ENTRY_H
#define PANNEX_ARCHIVE_ARCHIVE_ENTRY_H

#include "foundation/time_stamp.h"

#include <vector>

// Sizes and times the format does not store.
constexpr unsigned long long ArchiveSizeUnknown = ~0ULL;
inline const TimeStamp ArchiveTimeUnknown(-1, static_cast<unsigned>(-1));

// The attribute bit of a directory, as in the panel's entries.
constexpr unsigned short ArchiveAttrDirectory = 0x10;

// One member as read from the headers. Members and their strings live in
// their archive's MemoryPool and are never freed singly, so a listing of
// 100,000 members costs a handful of allocations. Strings are
// NUL-terminated and carry their length.
struct ArchiveEntry
{
    // Directory part, "/"-separated, without a leading "./" or a trailing
    // "/"; empty at the root. For a directory member the whole name. For
    // an unsafe member empty: it lists at the root under its whole name.
    const wchar_t* path = L"";
    int path_length = 0;
    // File name; empty for a directory member.
    const wchar_t* name = L"";
    int name_length = 0;
    // The name exactly as stored, for command lines that hand it back to
    // the archiver.
    const char* stored = "";
    int stored_length = 0;
    unsigned long long size = ArchiveSizeUnknown;
    unsigned long long packed = ArchiveSizeUnknown;
    unsigned short attributes = 0;
    TimeStamp time;
    unsigned uid = 0, gid = 0;
    // The stored name began with "./" or was ".".
    bool dotslash = false;
    // Absolute, with an empty, "." or ".." or all-dots component, or
    // reached through a symbolic-link member: nothing may be extracted,
    // viewed or built from it.
    bool unsafe = false;
    // A symbolic link.
    bool link = false;
    // Order of reading, which decides between equal stored names.
    unsigned sequence = 0;

    bool IsDirectory() const { return attributes & ArchiveAttrDirectory; }
};

// Order of members: paths character by character with "/" below every
// other character, so that the members of one directory lie together and
// "a/b" sorts before "a-b" and "a.b"; equal paths by name, case-sensitive.
// Negative, 0 or positive.
int CompArchEntry(const ArchiveEntry& a, const ArchiveEntry& b);
// The path order alone, with the same rule for "/".
int CompArchPath(const wchar_t* a, int alen, const wchar_t* b, int blen);

// The members of one archive, in CompArchEntry order after Sort. Holds
// pointers only: the archive's pool owns the members.
class ArchiveEntryStore
{
public:
    void Add(ArchiveEntry* e)
    {
        e->sequence = static_cast<unsigned>(entries.size());
        entries.push_back(e);
    }
    // Sorts, then keeps one member per stored name: the last one stored,
    // since an appended tar member replaces an earlier one.
    void Sort();
    int Count() const { return static_cast<int>(entries.size()); }
    const ArchiveEntry* At(int i) const { return entries[static_cast<size_t>(i)]; }
    ArchiveEntry* At(int i) { return entries[static_cast<size_t>(i)]; }
    // Index of the first member whose path is not below dir in path order;
    // Count() when there is none.
    int LowerBound(const wchar_t* dir, int dirlen) const;
    void Clear() { entries.clear(); }

private:
    std::vector<ArchiveEntry*> entries;
};

#endif
