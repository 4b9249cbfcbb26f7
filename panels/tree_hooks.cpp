#include "panels/tree_hooks.h"

#include "fileops/file_system.h"
#include "panels/directory.h"
#include "panels/panel.h"

#include <sys/stat.h>
#include <utility>

namespace {

CTreeHooks no_tree;

}

CTreeHooks* tree_hooks = &no_tree;

void CTreeHooks::ReadTree(PANEL* panel)
{
    panel->entries.Clear();
    panel->tagged_count = 0;
    panel->tagged_bytes = 0;
}

Westring panel_directory(const PANEL* panel)
{
    if (panel->type == PanelFiles && panel->detail == DetailTree) {
        Westring node = tree_hooks->NodePath(panel, panel->CurrentIndex());
        if (!node.empty())
            return node;
    }
    return panel->path;
}

Westring current_entry_path(const PANEL* panel)
{
    if (panel->type == PanelFiles && panel->detail == DetailTree)
        return tree_hooks->NodePath(panel, panel->CurrentIndex());
    const entry* e = panel->Current();
    if (!e)
        return Westring();
    return panel->path.strlen() == 1 && panel->path[0] == L'/' ? panel->path + e->name : panel->path + L'/' + e->name;
}

void with_tree_node(int side, const std::function<void()>& command)
{
    PANEL* p = &panel_base[side];
    Westring node = tree_hooks->NodePath(p, p->CurrentIndex());
    Westring name = node.filename();
    struct stat own;
    if (node.empty() || name.empty() || lstat(FileNameToSys(node).c_str(), &own) != 0)
        return;
    PANEL list;
    list.path = node.path().empty() ? Westring(L"/") : node.path();
    list.prev_path = list.path;
    list.showing = true;
    list.entries.Append(DirToEntry(name, own, nullptr));
    list.page_size = 1;
    std::swap(panel_base[side], list);
    command();
    std::swap(panel_base[side], list);
    // The command may have freed nodes the listing pointed at: the list
    // goes unread, and the tree is listed anew.
    p->entries.Clear();
    p->top = p->cursor = 0;
    tree_hooks->Position(p, node);
    p->repaint_pending = true;
}
