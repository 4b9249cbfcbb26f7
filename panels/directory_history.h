#ifndef PANNEX_PANELS_DIRECTORY_HISTORY_H
#define PANNEX_PANELS_DIRECTORY_HISTORY_H

#include "foundation/westring.h"

#include <deque>

// The directories the panels have left, oldest first, for Ctrl+- and the
// directory history box. Kept in memory for the run.
class CDirectoryHistory
{
public:
    static constexpr int MaxEntries = 100;

    // Adds path as the newest entry. An equal (exact) entry is removed
    // first, and above MaxEntries the oldest is dropped.
    void Add(const Westring& path);
    int Count() const { return static_cast<int>(paths.size()); }
    // 0 is the oldest.
    const Westring& At(int i) const { return paths[static_cast<size_t>(i)]; }
    // Drops the newest entry when it equals path; true when it did.
    bool DropLastIf(const Westring& path);
    void Clear() { paths.clear(); }

private:
    std::deque<Westring> paths;
};

extern CDirectoryHistory DirectoryHistory;

#endif
