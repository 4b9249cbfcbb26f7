#ifndef PANNEX_TOOLS_TREE_H
#define PANNEX_TOOLS_TREE_H

#include "foundation/westring.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

// The directory tree cache: every directory of one file system, scanned
// once and kept in a data file, so that the tree pop-up, tree panels and
// directory sizes need not walk the disk again.

// The deepest level kept. Depths are written as one character from "0"
// (the root) to "o" (63), so a deeper node could not be read back: Scan
// keeps nothing below it, and every written file loads whole.
constexpr int TreeMaxDepth = 63;

// One directory. A node owns its children (child, then each one's next);
// parent points back. The tree's root names the directory the tree starts
// at (a mount point, "/" for the root file system); every other node holds
// the directory's own name, its bytes kept exactly (FileNameFromSys).
struct TREENODE
{
    Westring name;
    TREENODE* next = nullptr;
    TREENODE* child = nullptr;
    TREENODE* parent = nullptr;
    unsigned char depth = 0;
    // Total bytes of the files below, -1 while not computed.
    long long size = -1;
    // The children are listed.
    bool expanded = false;
};

// Frees node, its children and its following siblings.
void free_nodes(TREENODE* node);

// A tree's 32-bit device key: the file system's device number in the
// kernel's 32-bit form (major in the bits above 20, minor below).
uint32_t tree_device_key(dev_t device);

// Told of the scan's progress; may stop it.
class CTreeScanWatch
{
public:
    virtual ~CTreeScanWatch() = default;
    // Called every few directories with the count so far; false stops the
    // scan.
    virtual bool Continue(long directories) = 0;
};

// The tree of one file system. Not shared between threads.
class CTree
{
public:
    // key: the first character of the paths the tree serves ('/' for the
    // file systems); device: its device key; root_path: the directory the
    // tree starts at (absolute, normal); data_file: where Load and Write
    // keep it (empty: never written, as for an archive's tree).
    CTree(char key, uint32_t device, const Westring& root_path, const Westring& data_file);
    ~CTree();
    CTree(const CTree&) = delete;
    CTree& operator=(const CTree&) = delete;

    // Reads the data file. Without a usable one (missing, cut short, of
    // another device) the tree is a lone expanded root. Nodes start
    // expanded when expand_all is set, the root always.
    void Load(bool expand_all);
    // Lists every directory below the root path again, never following a
    // symbolic link nor entering another mount; unreadable directories stay
    // empty. On success the new tree replaces the old one and is marked
    // changed; stopped by the watch, the old tree stays and false is
    // returned. New nodes start expanded when expand_all is set.
    bool Scan(CTreeScanWatch* watch, bool expand_all);
    // Sorts and, when the tree is loaded and changed, rewrites the data
    // file through a temporary file renamed over it (its directory is made
    // with mode 0700 when missing). 0, or the errno of the failure.
    [[nodiscard]] int Write();
    // Orders every child list by the names' character values.
    void Sort();

    // The node of an absolute path, one name per level from the root;
    // null when a level is missing.
    TREENODE* Find(const wchar_t* path, bool ignore_case) const;
    // The node of path or, when that is missing, of its deepest ancestor
    // in the tree; null for a path outside the tree.
    TREENODE* FindNearest(const wchar_t* path) const;
    // Depth-first, the first node below which names (one or more levels,
    // relative) is found; result becomes the full path of the node names
    // leads to. False when there is none. With below, only its branch is
    // searched.
    bool Search(const Westring& names, Westring& result, bool ignore_case,
                const TREENODE* below = nullptr) const;

    // The node of path, adding the missing levels below the deepest one
    // present (marking the tree changed); null for a path outside the tree
    // or deeper than TreeMaxDepth. du stores directory sizes through it.
    TREENODE* AddPath(const wchar_t* path);
    // A new last child of parent called name (null past TreeMaxDepth).
    TREENODE* AddChild(TREENODE* parent, const Westring& name);
    // Unlinks node from its parent and frees it with its branch.
    void Remove(TREENODE* node);
    // Moves node (not the root) to be the first child of new_parent, which
    // must not lie in node's branch; depths follow. False when refused.
    bool Move(TREENODE* node, TREENODE* new_parent);

    // The full path of node: the root path and the names below it joined
    // by "/".
    Westring FullPath(const TREENODE* node) const;

    TREENODE* Root() const { return root; }
    const Westring& RootPath() const { return root_path; }
    const Westring& DataFile() const { return data_file; }
    void MarkChanged() { changed = true; }

    const char key;
    const uint32_t device;
    // The data file has been written (or read) in this run.
    bool written = false;
    // The tree differs from its data file.
    bool changed = false;
    // A tree display must scan before it next lists the tree.
    bool rescan = false;
    // The tree holds the whole file system: read from its data file or
    // scanned. Only such a tree is shown without a scan and written back
    // by the upkeep; until then what the panels learn stays in memory, so
    // that no partial tree is ever taken for a whole one.
    bool complete = false;

private:
    // The names of path below the root; false for a path outside it.
    bool relative_names(const wchar_t* path, Westring& rest) const;

    TREENODE* root = nullptr;
    Westring root_path;
    Westring data_file;
};

// Sets expanded on node and every node below it.
void expand_branch(TREENODE* node, bool expand);

// The next node after from in depth-first order, wrapping from the last
// node to root, whose name starts with prefix (in any case); from itself
// when no other matches, null when none does.
TREENODE* tree_seek(TREENODE* root, TREENODE* from, const wchar_t* prefix);

// The node after node in depth-first pre-order, null after the last.
TREENODE* next_in_tree(const TREENODE* node);

// The escaped form of a name in the data file: "\" and a newline become
// "\\" and "\n", every other byte is kept; and the way back.
std::string escape_tree_name(const std::string& bytes);
std::string unescape_tree_name(const std::string& text);

#endif
