#ifndef PANNEX_PANELS_DIRECTORY_H
#define PANNEX_PANELS_DIRECTORY_H

#include "entries/entry.h"
#include "foundation/westring.h"

#include <dirent.h>
#include <sys/stat.h>

// Search attributes of Directory::FindFirst and Directory::Find.
constexpr unsigned long SearchHidden = 0x00002;      // names beginning with "."
constexpr unsigned long SearchDirectories = 0x00010; // directories as well as files
constexpr unsigned long SearchAllocate = 0x10000;    // a new entry per result, owned by the caller
constexpr unsigned long SearchDirsOnly = 0x20000;
// What reading a panel asks for: every name, each as an entry of its own.
constexpr unsigned long SearchPanel = 0x10037;

// The entry for name in an open directory: own is its lstat data, target
// what stat found through a symbolic link (null when the link is broken or
// name is no link).
entry* DirToEntry(const Westring& name, const struct stat& own, const struct stat* target);

// 1 when name matches pattern: "?" is any one character, "*" any run
// (the empty one too), every other character only itself, case-sensitive.
int wild_simple(const wchar_t* pattern, const wchar_t* name);

// Enumerates the names of one directory that match a pattern. Results are
// 0 for an entry produced, StatusNoMoreFiles at the end, otherwise the
// errno of the failure. Not shared between threads.
class Directory
{
public:
    // Relative patterns are looked up in base; an empty base is the current
    // directory.
    explicit Directory(const Westring& base = Westring());
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // Opens the directory part of pattern (joined to the base) and returns
    // the first name whose last part matches the rest of pattern
    // (wild_simple). With SearchAllocate, *result is a new entry the caller
    // owns; otherwise it points into this Directory and is overwritten by
    // the next result. result may be null.
    [[nodiscard]] int FindFirst(const wchar_t* pattern, unsigned long attributes, entry** result);
    [[nodiscard]] int FindNext(entry** result);
    void FindEnd();
    // Whether anything matches: FindFirst then FindEnd.
    [[nodiscard]] int Find(const wchar_t* pattern, unsigned long attributes);

    // The errno of the last failure; 0 when none.
    int LastError() const { return last_error; }

private:
    Westring base;
    Westring mask;
    unsigned long attributes = 0;
    DIR* dir = nullptr;
    int last_error = 0;
    // The result buffer when entries are not allocated per result.
    entry* own_entry = nullptr;
};

#endif
