#ifndef PANNEX_PANELS_TREE_HOOKS_H
#define PANNEX_PANELS_TREE_HOOKS_H

#include "foundation/westring.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct PANEL;
struct entry;

// The directory tree as the panels and the file commands reach it. The
// tree lives in tools/, above both, so they call it through this object:
// tools/ derives from it and app/ installs its object at start-up (as
// bind_commands does for the key table). The defaults stand for a program
// without a tree: nothing is cached, a tree panel lists nothing. Every
// call is made on the logic thread.
class CTreeHooks
{
public:
    virtual ~CTreeHooks() = default;

    // Fills a panel in tree detail from the tree of its file system, the
    // cursor on its directory.
    virtual void ReadTree(PANEL* panel);
    // After a panel read its directory: the tree node of that directory
    // follows the subdirectories listed (check_tree), and a directory size
    // known for it is brought up to date with file_bytes, the sizes of the
    // files read. True when the tree changed.
    virtual bool DirectoryRead(PANEL*, unsigned long long /*file_bytes*/) { return false; }
    // The directory sizes known for the subdirectories of dir, by name.
    virtual void ChildSizes(const Westring& /*dir*/, std::unordered_map<std::wstring, long long>& /*sizes*/) {}

    // The full path of the node of a tree panel's entry index; empty for
    // an entry without a node.
    virtual Westring NodePath(const PANEL*, int /*index*/) { return Westring(); }
    // Whether a tree entry's node has children that are not listed (drawn
    // with "+").
    virtual bool Collapsed(const entry*) { return false; }
    // Grey + and Grey - (branch false), Ctrl+Grey + and - (branch true) on
    // a tree panel's entry index; the caller lists the tree again.
    virtual void Expand(PANEL*, int /*index*/, bool /*expand*/, bool /*branch*/) {}
    // Puts a tree panel's cursor on the node of dir (or its nearest
    // ancestor in the tree), opening the way to it.
    virtual void Position(PANEL*, const Westring& /*dir*/) {}
    // Ctrl+R on a tree panel: its tree is scanned again on the next read.
    virtual void MarkRescan(PANEL*) {}

    // The pop-up tree of the file system of panel's directory, width cells
    // wide: 0 with the chosen path, or -1.
    virtual int Popup(PANEL*, Westring& /*result*/, int /*width*/) { return -1; }
    // A directory name was made in parent (make directory, copy).
    virtual void AddDirectory(const Westring& /*parent*/, const Westring& /*name*/) {}
    // The directory path was deleted.
    virtual void RemoveDirectory(const Westring& /*path*/) {}
    // The directory from was moved or renamed to to (absolute paths).
    virtual void Graft(const Westring& /*from*/, const Westring& /*to*/) {}
    // cd's last resort: the directory names (one or more levels) below
    // start, else anywhere in start's tree. True with its full path.
    virtual bool Search(const Westring& /*start*/, const Westring& /*names*/, Westring& /*result*/) { return false; }
    // What the directory-size pass counted below top: each directory (a
    // path relative to top, "" for top itself, bytes in UTF-8 form as the
    // system gave them) with the bytes of the files below it. No link was
    // followed on the way.
    using DIR_SIZES = std::vector<std::pair<std::string, long long>>;
    virtual void StoreSizes(const Westring& /*top*/, const DIR_SIZES& /*sizes*/) {}
    // The directory-size pass ended: changed trees are written, and a tree
    // panel shows the new sizes.
    virtual void SizesDone() {}
};

// Never null: the do-nothing hooks until app/ installs the tree's.
extern CTreeHooks* tree_hooks;

// For a panel in tree detail, the full path of the entry under the cursor;
// otherwise the panel's directory. What commands take as "the directory"
// of a panel (the copy target, Ctrl+digit, Ctrl+W, make directory).
Westring panel_directory(const PANEL* panel);

// The path a command acts on for a panel's current entry: in tree detail
// the node's full path, else the directory and the name.
Westring current_entry_path(const PANEL* panel);

// Runs command with a tree panel (side) standing in for a file list of
// the directory under its cursor, in its parent, with that directory
// current: so F5, F6, F8, Shift+F8 and Ctrl+A act on the tree's node.
// Afterwards the tree panel lists its tree again, on the node or, when it
// went, on what is left of its path. Nothing for the tree's root.
void with_tree_node(int side, const std::function<void()>& command);

#endif
