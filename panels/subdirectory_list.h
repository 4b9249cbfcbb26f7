#ifndef PANNEX_PANELS_SUBDIRECTORY_LIST_H
#define PANNEX_PANELS_SUBDIRECTORY_LIST_H

#include "foundation/westring.h"

#include <vector>

// The names of the subdirectories of a panel's directory ("." and ".." left
// out), for the tree cache and completion. Names compare exactly, so
// "Photos" and "photos" are two directories, as they are on disk. Filled
// while reading (Add in any order), then Seal sorts once: a directory of
// many subdirectories is not sorted by insertion.
class CSubdirectoryList
{
public:
    void Add(const Westring& name) { names.push_back(name); }
    void Seal();
    void Clear() { names.clear(); }
    int Count() const { return static_cast<int>(names.size()); }
    const Westring& At(int i) const { return names[static_cast<size_t>(i)]; }
    // Exact match; valid after Seal.
    bool Contains(const Westring& name) const;

private:
    std::vector<Westring> names;
};

#endif
