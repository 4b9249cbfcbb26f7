#include "tools/tree_panel.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/keyboard.h"
#include "entries/entry.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "panels/panel.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "textui/win.h"
#include "tools/tree_set.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unordered_set>

namespace {

// The next node a listing shows after node: its first child when it is
// expanded, else the next sibling of it or of an ancestor.
TREENODE* next_visible(const TREENODE* node)
{
    if (node->expanded && node->child)
        return node->child;
    for (const TREENODE* n = node; n; n = n->parent)
        if (n->next)
            return n->next;
    return nullptr;
}

// The real path of a directory, links resolved, as trees know it.
Westring real_path(const Westring& path)
{
    char resolved[PATH_MAX];
    if (!realpath(FileNameToSys(path).c_str(), resolved))
        return path;
    return FileNameFromSys(resolved);
}

// Shows the count of directories scanned and takes Escape.
class CScanWindow : public CTreeScanWatch
{
public:
    CScanWindow() : win(-1, -4, 24, 4, ui_colour(ColourMessages), ui_colour(ColourMessages))
    {
        win.PutCentre(0, L"Scanning directories");
        Show(0);
    }
    bool Continue(long directories) override
    {
        auto now = std::chrono::steady_clock::now();
        if (now - shown >= std::chrono::milliseconds(100))
            Show(directories);
        return !check_esc();
    }

private:
    void Show(long count)
    {
        char text[24];
        std::snprintf(text, sizeof text, "%ld", count);
        win.puts_at(0, 1, Westring().pad(22, L' ').c_str());
        win.PutCentre(1, text);
        shown = std::chrono::steady_clock::now();
    }

    Win win;
    std::chrono::steady_clock::time_point shown;
};

}

bool IsTreeEntry(const entry* e)
{
    return (e->attributes & AttrDirectory) && !(e->attributes & AttrSymLink);
}

void treenodelist(PANEL* panel, CTree* tree)
{
    panel->entries.Clear();
    panel->tagged_count = 0;
    panel->tagged_bytes = 0;
    if (!tree || !tree->Root())
        return;
    // bits holds, for each depth on the way down, whether that level's
    // node has a following sibling.
    unsigned long long bits = 0;
    for (TREENODE* n = tree->Root(); n; n = next_visible(n)) {
        int d = n->depth;
        unsigned long long below = d >= 63 ? ~0ULL : (1ULL << (d + 1)) - 1;
        bits &= below >> 1;
        if (n->next)
            bits |= 1ULL << d;
        entry* e = entry::Create(n->name);
        e->attributes = AttrDirectory;
        e->mode = S_IFDIR | 0755;
        e->group = GroupDirectory;
        e->depth = static_cast<signed char>(d);
        e->tree_node = n;
        e->size = bits & below;
        panel->entries.Append(e);
    }
    clamp_position(panel);
}

void treenodelist(PANEL* panel, PANEL* source)
{
    treenodelist(panel, TreeSet.GetTree(source));
}

Westring treeFullPath(const PANEL* panel, const CTree* tree, int index)
{
    if (index < 0 || index >= panel->Count())
        return Westring();
    const auto* node = static_cast<const TREENODE*>(panel->entries[index]->tree_node);
    return node ? tree->FullPath(node) : Westring();
}

void position_tree(PANEL* panel, CTree* tree, TREENODE* node, int height)
{
    for (TREENODE* p = node ? node->parent : nullptr; p; p = p->parent)
        p->expanded = true;
    treenodelist(panel, tree);
    int index = 0;
    for (int i = 0; i < panel->Count(); i++)
        if (panel->entries[i]->tree_node == node) {
            index = i;
            break;
        }
    int count = panel->Count();
    panel->top = 0;
    panel->cursor = index;
    if (index >= height / 2 && count > height) {
        panel->top = index - height / 2 + 1;
        panel->cursor = height / 2 - 1;
        // The last page stays full.
        if (panel->top > count - height) {
            panel->cursor += panel->top - (count - height);
            panel->top = count - height;
        }
    }
}

namespace {

int guard_depth = 0;

}

Westring tree_cursor_path(const PANEL* panel)
{
    if (panel->type != PanelFiles || panel->detail != DetailTree || panel->Count() == 0)
        return Westring();
    CTree* tree = TreeSet.GetTree(panel);
    return tree ? treeFullPath(panel, tree, panel->CurrentIndex()) : Westring();
}

CTreePanelsGuard::CTreePanelsGuard() : outer(guard_depth++ == 0)
{
    if (!outer)
        return;
    for (int side = 0; side < 2; side++) {
        const PANEL* p = &panel_base[side];
        listed[side] = p->type == PanelFiles && p->detail == DetailTree && p->Count() > 0 &&
                       p->entries[0]->tree_node != nullptr;
        if (listed[side])
            where[side] = tree_cursor_path(p);
    }
}

CTreePanelsGuard::~CTreePanelsGuard()
{
    guard_depth--;
    if (!outer)
        return;
    for (int side = 0; side < 2; side++) {
        PANEL* p = &panel_base[side];
        if (!listed[side] || p->type != PanelFiles || p->detail != DetailTree)
            continue;
        CTree* tree = TreeSet.GetTree(p);
        int top = p->top, cursor = p->cursor;
        treenodelist(p, tree);
        TREENODE* node = tree ? tree->FindNearest(where[side].c_str()) : nullptr;
        int index = -1;
        for (int i = 0; node && i < p->Count(); i++)
            if (p->entries[i]->tree_node == node)
                index = i;
        // The cursor stays on its row when its node is still on the page.
        if (index >= top && index < top + p->page_size) {
            p->top = top;
            p->cursor = index - top;
        } else if (node) {
            position_tree(p, tree, node, config.PanelHeight);
        } else {
            p->cursor = cursor;
            clamp_position(p);
        }
        p->repaint_pending = true;
    }
}

bool scan_tree(CTree* tree)
{
    CTreePanelsGuard guard;
    bool done;
    {
        CScanWindow window;
        done = tree->Scan(&window, config.ExpandedTrees);
    }
    if (done)
        (void)write_tree(tree);
    return done;
}

int write_tree(CTree* tree)
{
    if (!tree->complete)
        return 0;
    int err = tree->Write();
    if (err)
        error(Westring(L"Error writing tree data file: ") + Westring(GetOSErrorMessage(err).c_str()),
              tree->DataFile().c_str());
    return err;
}

void read_tree(PANEL* panel, const Westring& where)
{
    CTree* tree = TreeSet.GetTree(panel);
    // The panel's directory may be gone; the node's file system stays.
    if (!tree && !where.empty())
        tree = TreeSet.GetTree(where);
    if (!tree) {
        panel->entries.Clear();
        return;
    }
    if (tree->rescan || !tree->complete) {
        tree->rescan = false;
        (void)scan_tree(tree);
    }
    TREENODE* node = tree->FindNearest(real_path(where.empty() ? panel->path : where).c_str());
    position_tree(panel, tree, node ? node : tree->Root(), config.PanelHeight);
}

bool check_tree(PANEL* panel)
{
    if (panel->type != PanelFiles || panel->detail == DetailTree || panel->read_error || panel->path.empty() ||
        panel->path[0] != L'/')
        return false;
    CTree* tree = TreeSet.GetTree(panel);
    if (!tree)
        return false;
    Westring dir = real_path(panel->path);
    TREENODE* node = tree->Find(dir.c_str(), false);
    if (!node)
        return false;
    CTreePanelsGuard guard;
    bool changed = false;
    for (TREENODE* c = node->child; c;) {
        TREENODE* next = c->next;
        if (!panel->subdirs.Contains(c->name)) {
            tree->Remove(c);
            changed = true;
        }
        c = next;
    }
    // Every read comes here: a directory of many subdirectories must not
    // cost a walk of the child list per name.
    std::unordered_set<std::wstring> known;
    TREENODE* last = nullptr;
    for (TREENODE* c = node->child; c; c = c->next) {
        known.insert(c->name.c_str());
        last = c;
    }
    for (int i = 0; i < panel->subdirs.Count() && node->depth < TreeMaxDepth; i++) {
        const Westring& name = panel->subdirs.At(i);
        if (known.count(name.c_str()))
            continue;
        // Links to directories are listed as directories, but the tree
        // holds only the directories themselves.
        struct stat st;
        Westring full = dir.strlen() == 1 ? dir + name : dir + L'/' + name;
        if (lstat(FileNameToSys(full).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        auto* c = new TREENODE;
        c->name = name;
        c->parent = node;
        c->depth = static_cast<unsigned char>(node->depth + 1);
        (last ? last->next : node->child) = c;
        last = c;
        tree->MarkChanged();
        changed = true;
    }
    if (changed)
        (void)write_tree(tree);
    return changed;
}

void graft(const wchar_t* from, const wchar_t* to, int panel)
{
    CTreePanelsGuard guard;
    PANEL* p = &panel_base[panel];
    Westring source = from, target = to;
    if (ResolvePath(source, p->path.c_str()) != 0 || ResolvePath(target, p->path.c_str()) != 0)
        return;
    // The source is gone: only its parent's links can be resolved.
    Westring source_parent = source.path().empty() ? Westring(L"/") : source.path();
    source_parent = real_path(source_parent);
    source = (source_parent.strlen() == 1 ? source_parent : source_parent + L'/') + source.filename();
    CTree* tree = TreeSet.GetTree(source_parent);
    TREENODE* node = tree ? tree->Find(source.c_str(), false) : nullptr;
    if (!node || node == tree->Root())
        return;
    Westring target_parent = target.path().empty() ? Westring(L"/") : target.path();
    CTree* destination = TreeSet.GetTree(target_parent);
    if (destination && destination != tree) {
        // Another file system: the directory left this tree.
        tree->Remove(node);
        destination->AddPath(real_path(target).c_str());
        (void)write_tree(destination);
    } else if (TREENODE* there = tree->Find(real_path(target).c_str(), false); there && there != node) {
        // Merged into a directory the tree knew: its node stays, the
        // source's goes.
        tree->Remove(node);
    } else {
        TREENODE* parent = tree->Find(real_path(target_parent).c_str(), false);
        if (parent && parent != node->parent)
            (void)tree->Move(node, parent);
        node->name = target.filename();
        tree->MarkChanged();
    }
    (void)write_tree(tree);
}

bool tree_store_size(const Westring& dir, long long size)
{
    Westring real = real_path(dir);
    CTree* tree = TreeSet.GetTree(real);
    TREENODE* node = tree ? tree->AddPath(real.c_str()) : nullptr;
    if (!node)
        return false;
    node->size = size;
    return true;
}

long long tree_known_size(const Westring& dir)
{
    Westring real = real_path(dir);
    CTree* tree = TreeSet.GetTree(real);
    TREENODE* node = tree ? tree->Find(real.c_str(), false) : nullptr;
    return node ? node->size : -1;
}
