#ifndef PANNEX_ENTRIES_ENTRY_H
#define PANNEX_ENTRIES_ENTRY_H

#include "foundation/time_stamp.h"
#include "foundation/westring.h"

#include <sys/types.h>
#include <vector>

// Sort groups: ".." first, then directories, hidden files, other files.
constexpr char GroupUpDir = '1';
constexpr char GroupDirectory = 'A';
constexpr char GroupHidden = 'B';
constexpr char GroupFile = 'C';

// How a name is drawn when the CaseFilter setting maps the case of its file
// system. The entry keeps its real name: only the display changes.
enum EDisplayCase : unsigned char {
    CaseAsIs = 0,
    CaseUpper = 1,
    CaseLower = 2,
};

// One listed name. An entry is one allocation: the fixed part followed by
// the name, so a directory of 100,000 names costs 100,000 allocations.
// Make one with entry::Create and free it with entry::Destroy; ownership is
// with whoever holds the pointer (a panel's CEntryList, mostly).
struct entry
{
    // Bytes; 0 for a directory unless size_known says a size was found.
    unsigned long long size = 0;
    // The Attr* bits of fileops/file_system.h.
    unsigned short attributes = 0;
    // Low 16 bits of the Unix mode: type and permissions.
    unsigned short mode = 0;
    // Full width: owners above 65535 show and filter as themselves.
    uid_t uid = 0;
    gid_t gid = 0;
    // Modification time; TimeStamp(-1, -1) for none.
    TimeStamp time;
    unsigned char tagged = 0;
    // The last copy, move or archiver command processed this entry.
    unsigned char last_op = 0;
    // Tree depth in a tree display; in a file list, 1 when size holds a
    // directory size taken from the tree cache.
    signed char depth = 0;
    EDisplayCase display_case = CaseAsIs;
    char group = GroupFile;
    // File find's first match in the file; -1 when none was looked for.
    long long match_pos = -1;
    // The tree node of a tree-display entry; null in file lists.
    void* tree_node = nullptr;
    int name_length = 0;
    // The real name on disk, NUL-terminated; name_length characters.
    wchar_t name[];

    // A new entry called name (len characters) with every other field at
    // its initial value.
    static entry* Create(const wchar_t* name, int len);
    static entry* Create(const Westring& name) { return Create(name.c_str(), name.strlen()); }
    // A copy of e with its name.
    static entry* Copy(const entry& e);
    static void Destroy(entry* e);

    bool IsDirectory() const;
    // The size a selection counts: 0 for a size an archive does not know
    // (all ones, which the panel leaves blank).
    unsigned long long counted_size() const { return static_cast<long long>(size) < 0 ? 0 : size; }
    bool IsUpDir() const { return name[0] == L'.' && name[1] == L'.' && name[2] == 0; }
    // The name as the panel draws it (case mapped when display_case says).
    Westring DisplayName() const;

    entry(const entry&) = delete;
    entry& operator=(const entry&) = delete;

private:
    entry() = default;
    ~entry() = default;
};

// The entries of a panel, in display order. Owns them: Clear, Remove and
// the destructor free what they drop. Room grows by doubling from 4096
// pointers, so reading a large directory does not reallocate per entry.
class CEntryList
{
public:
    CEntryList();
    ~CEntryList();
    CEntryList(CEntryList&& o) noexcept = default;
    CEntryList& operator=(CEntryList&& o) noexcept;
    CEntryList(const CEntryList&) = delete;
    CEntryList& operator=(const CEntryList&) = delete;

    int Count() const { return static_cast<int>(items.size()); }
    bool Empty() const { return items.empty(); }
    // Index within 0 .. Count() - 1 (asserted).
    entry* operator[](int i) const;
    entry** Data() { return items.data(); }
    int Capacity() const { return static_cast<int>(items.capacity()); }

    // Takes ownership of e.
    void Append(entry* e);
    void Insert(int at, entry* e);
    // Frees every entry.
    void Clear();
    // Hands every entry to the caller (the list becomes empty).
    std::vector<entry*> TakeAll();

private:
    std::vector<entry*> items;
};

// Names the program keeps for itself, which file commands leave alone:
// "descript.ion", "EA DATA. SF", "WP ROOT. SF". 1 for those, else 0.
int reserved_file(const wchar_t* name);

#endif
