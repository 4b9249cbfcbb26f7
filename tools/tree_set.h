#ifndef PANNEX_TOOLS_TREE_SET_H
#define PANNEX_TOOLS_TREE_SET_H

#include "tools/tree.h"

#include <map>
#include <memory>
#include <utility>

struct PANEL;

// Where the tree of device is kept: "pxtree.dat" for the file system of
// "/", "pxtree.<device key in hex>.dat" for any other, so that no tree
// evicts another; in the TreeDir setting's directory, else in ~/.pxl.
Westring tree_data_file(uint32_t device);

// The file system holding path: its device key and the directory it is
// mounted on (the highest directory above path on the same device).
// False when path cannot be examined.
bool tree_root_of(const Westring& path, Westring& root, uint32_t& device);

// The trees of the run, one per file system, each loaded from its data
// file when first asked for. Owns them. Logic thread.
class CTreeSet
{
public:
    // The tree of the file system holding the panel's directory; null when
    // it cannot be examined.
    CTree* GetTree(const PANEL* panel);
    CTree* GetTree(const Westring& path);
    // The tree keyed (key, device), made and loaded when new.
    CTree* GetTree(char key, uint32_t device, const Westring& root_path);
    // Calls f on every tree made so far.
    template <class F>
    void ForEach(F f)
    {
        for (auto& [key, tree] : trees)
            f(*tree);
    }
    // Forgets every tree, unwritten changes included.
    void Clear() { trees.clear(); }

private:
    std::map<std::pair<char, uint32_t>, std::unique_ptr<CTree>> trees;
};

extern CTreeSet TreeSet;

// How a panel holds its tree: borrowed from TreeSet for a file system, or
// owned (an archive's tree, made from its members and never written).
class CTreeHolder
{
public:
    CTreeHolder() = default;
    CTreeHolder(const CTreeHolder&) = delete;
    CTreeHolder& operator=(const CTreeHolder&) = delete;

    CTree* Get() const { return tree; }
    // Holds a tree of TreeSet.
    void Borrow(CTree* t)
    {
        owned.reset();
        tree = t;
    }
    // Holds a tree of its own.
    void Own(std::unique_ptr<CTree> t)
    {
        owned = std::move(t);
        tree = owned.get();
    }
    void Release()
    {
        owned.reset();
        tree = nullptr;
    }

private:
    CTree* tree = nullptr;
    std::unique_ptr<CTree> owned;
};

#endif
