#include "tools/tree_commands.h"

#include "config/config.h"
#include "entries/entry.h"
#include "fileops/file_system.h"
#include "panels/panel.h"
#include "panels/tree_hooks.h"
#include "tools/tree_panel.h"
#include "tools/tree_popup.h"
#include "tools/tree_set.h"

#include <climits>
#include <cstdlib>
#include <cwchar>

namespace {

Westring real_path(const Westring& path)
{
    char resolved[PATH_MAX];
    if (!realpath(FileNameToSys(path).c_str(), resolved))
        return path;
    return FileNameFromSys(resolved);
}

TREENODE* node_of(const PANEL* p, int index)
{
    if (index < 0 || index >= p->Count())
        return nullptr;
    return static_cast<TREENODE*>(p->entries[index]->tree_node);
}

// The tree of the directory and its node, links resolved; null node when
// the tree lacks it.
TREENODE* find_node(const Westring& dir, CTree*& tree)
{
    Westring real = real_path(dir);
    tree = TreeSet.GetTree(real);
    return tree ? tree->Find(real.c_str(), false) : nullptr;
}

class CPanelTreeHooks : public CTreeHooks
{
public:
    void ReadTree(PANEL* panel) override
    {
        // A panel that lists the tree already keeps its node.
        Westring where = tree_cursor_path(panel);
        read_tree(panel, where);
    }

    bool DirectoryRead(PANEL* panel, unsigned long long file_bytes) override
    {
        bool changed = check_tree(panel);
        CTree* tree;
        TREENODE* node = panel->path.empty() || panel->path[0] != L'/' ? nullptr : find_node(panel->path, tree);
        if (node && node->size >= 0) {
            // What was counted before, with the files as they are now; a
            // subdirectory not yet counted makes the total unknown.
            long long total = static_cast<long long>(file_bytes);
            for (TREENODE* c = node->child; c && total >= 0; c = c->next)
                total = c->size < 0 ? -1 : total + c->size;
            node->size = total;
        }
        return changed;
    }

    void ChildSizes(const Westring& dir, std::unordered_map<std::wstring, long long>& sizes) override
    {
        CTree* tree;
        TREENODE* node = dir.empty() || dir[0] != L'/' ? nullptr : find_node(dir, tree);
        for (TREENODE* c = node ? node->child : nullptr; c; c = c->next)
            if (c->size >= 0)
                sizes[std::wstring(c->name.c_str())] = c->size;
    }

    Westring NodePath(const PANEL* panel, int index) override
    {
        if (!node_of(panel, index))
            return Westring();
        CTree* tree = TreeSet.GetTree(panel);
        return tree ? treeFullPath(panel, tree, index) : Westring();
    }

    bool Collapsed(const entry* e) override
    {
        const auto* node = static_cast<const TREENODE*>(e->tree_node);
        return node && node->child && !node->expanded;
    }

    void Expand(PANEL* panel, int index, bool expand, bool branch) override
    {
        TREENODE* node = node_of(panel, index);
        if (!node)
            return;
        CTreePanelsGuard guard;
        if (branch)
            expand_branch(node, expand);
        else
            node->expanded = expand;
    }

    void Position(PANEL* panel, const Westring& dir) override
    {
        // Only within the tree shown: another file system's tree is not
        // scanned for a glance at it.
        CTree* shown = panel->Count() > 0 && panel->entries[0]->tree_node ? TreeSet.GetTree(panel) : nullptr;
        if (shown && TreeSet.GetTree(dir) != shown)
            return;
        panel->path = dir;
        read_tree(panel, dir);
    }

    void MarkRescan(PANEL* panel) override
    {
        if (CTree* tree = TreeSet.GetTree(panel))
            tree->rescan = true;
    }

    int Popup(PANEL* panel, Westring& result, int width) override { return tree_popup(panel, result, width); }

    void AddDirectory(const Westring& parent, const Westring& name) override
    {
        CTree* tree;
        TREENODE* node = find_node(parent, tree);
        if (!node)
            return;
        for (TREENODE* c = node->child; c; c = c->next)
            if (std::wcscmp(c->name.c_str(), name.c_str()) == 0)
                return;
        CTreePanelsGuard guard;
        if (tree->AddChild(node, name))
            (void)write_tree(tree);
    }

    void RemoveDirectory(const Westring& path) override
    {
        // The directory is gone: only its parent's links can be resolved.
        Westring parent = path.path().empty() ? Westring(L"/") : path.path();
        CTree* tree;
        TREENODE* up = find_node(parent, tree);
        if (!up)
            return;
        Westring name = path.filename();
        for (TREENODE* c = up->child; c; c = c->next)
            if (std::wcscmp(c->name.c_str(), name.c_str()) == 0) {
                CTreePanelsGuard guard;
                tree->Remove(c);
                (void)write_tree(tree);
                return;
            }
    }

    void Graft(const Westring& from, const Westring& to) override { graft(from.c_str(), to.c_str(), currpanel); }

    bool Search(const Westring& start, const Westring& names, Westring& result) override
    {
        CTree* tree;
        TREENODE* below = find_node(start, tree);
        if (!tree)
            return false;
        if (below && tree->Search(names, result, false, below))
            return true;
        return tree->Search(names, result, false);
    }

    void StoreSizes(const Westring& top, const DIR_SIZES& sizes) override
    {
        // One resolution for the whole pass: below top no link was
        // followed, so the names below its real path are the real ones.
        Westring real = real_path(top);
        CTree* tree = TreeSet.GetTree(real);
        if (!tree)
            return;
        Estring base = FileNameToSys(real);
        std::string prefix(base.c_str());
        for (const auto& [relative, bytes] : sizes) {
            std::string path = relative.empty() ? prefix : prefix == "/" ? "/" + relative : prefix + "/" + relative;
            if (TREENODE* node = tree->AddPath(FileNameFromSys(path.c_str()).c_str()))
                node->size = bytes;
        }
    }

    void SizesDone() override
    {
        CTreePanelsGuard guard;
        TreeSet.ForEach([](CTree& tree) {
            if (tree.changed)
                (void)write_tree(&tree);
        });
    }
};

CPanelTreeHooks panel_tree_hooks;

}

void install_tree_hooks()
{
    tree_hooks = &panel_tree_hooks;
}
