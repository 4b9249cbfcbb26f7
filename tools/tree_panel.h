#ifndef PANNEX_TOOLS_TREE_PANEL_H
#define PANNEX_TOOLS_TREE_PANEL_H

#include "tools/tree.h"

struct PANEL;
struct entry;

// The directory tree as panels list it, and the upkeep that keeps the tree
// in step with what the panels see and do.

// A directory entry that is not a symbolic link.
bool IsTreeEntry(const entry* e);

// Replaces panel's entries with one entry per visible node of tree, depth-
// first, entering only expanded nodes. Each entry is a directory carrying
// its node, its depth and, in its size, the branch mask: bit d is set when
// the node at depth d on the way to the entry has a following sibling (so a
// tree drawing continues that level's line). The position is kept within
// the list.
void treenodelist(PANEL* panel, CTree* tree);
// The same for the tree of source's file system.
void treenodelist(PANEL* panel, PANEL* source);

// The full path of the node of panel's entry index; empty for an entry
// without a node.
Westring treeFullPath(const PANEL* panel, const CTree* tree, int index);

// Expands node's ancestors, lists tree in panel and makes node's entry
// current, centred on a page of height rows where the list allows.
void position_tree(PANEL* panel, CTree* tree, TREENODE* node, int height);

// The full path of the node under a tree panel's cursor; empty when the
// panel shows no tree.
Westring tree_cursor_path(const PANEL* panel);

// Scans tree showing the "Scanning directories" window; Escape stops it
// (false, the tree unchanged). A finished scan is written.
bool scan_tree(CTree* tree);
// Writes a complete tree; a failure is reported in a message box. 0 or
// the errno.
int write_tree(CTree* tree);

// Fills a panel in tree detail from the tree of its file system, scanning
// first when the tree is new or marked for a rescan, with the cursor on
// where (the panel's directory when empty) or its nearest ancestor.
void read_tree(PANEL* panel, const Westring& where = Westring());

// Tree panels hold pointers to the nodes they list. Made before a tree
// changes, the guard notes where each tree panel's cursor is; destroyed
// after, it lists the trees again and puts the cursors back, so that no
// panel keeps a node that was freed. Guards may nest.
class CTreePanelsGuard
{
public:
    CTreePanelsGuard();
    ~CTreePanelsGuard();
    CTreePanelsGuard(const CTreePanelsGuard&) = delete;
    CTreePanelsGuard& operator=(const CTreePanelsGuard&) = delete;

private:
    Westring where[2];
    bool listed[2] = {false, false};
    bool outer;
};

// For a panel showing a real directory (not a tree) whose directory is in
// its tree: drops the child nodes that are no longer among the panel's
// subdirectories and adds those that are new (real directories, not
// links), then writes the tree if that changed it. True when it changed.
bool check_tree(PANEL* panel);

// After the directory from was moved or renamed to to (relative to the
// panel's directory): the node follows, below its new parent when that is
// in the same tree, else it only takes the new name; moved to another file
// system, it leaves this tree for that one's.
void graft(const wchar_t* from, const wchar_t* to, int panel);

// The directory-size command's way into the tree cache: stores size (the
// bytes of every file below dir) in dir's node, adding the node and any
// missing ancestors; the tree is marked changed for write_tree. False when
// dir lies on no tree (it cannot be examined). Sizes live for the run;
// the data file keeps only the directories.
bool tree_store_size(const Westring& dir, long long size);
// The size stored for dir; -1 when none is known.
long long tree_known_size(const Westring& dir);

#endif
