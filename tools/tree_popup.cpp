#include "tools/tree_popup.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "entries/entry.h"
#include "fileops/file_system.h"
#include "foundation/nls.h"
#include "panels/panel.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"
#include "textui/win.h"
#include "tools/tree_panel.h"
#include "tools/tree_set.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

constexpr int SearchWidth = 20;
constexpr int KeyRescan = KEY_CTRL_A + 'R' - 'A';
constexpr wchar_t TruncationMark = 16;

// The pop-up: a scratch panel listing the tree, drawn in its own window.
class CTreePopup
{
public:
    CTreePopup(CTree* tree, int width)
        : tree(tree), width(width), rows(console.Lines() - 10),
          win(console.Columns() - width - 6, 2, console.Columns() - 5, console.Lines() - 4, ui_colour(ColourMenu),
              ui_colour(ColourMenu))
    {
        list.detail = DetailTree;
        win.PutCentre(-1, L" Directory Tree ");
    }

    void Position(TREENODE* node) { position_tree(&list, tree, node, rows); }
    int Run(Westring& result);

private:
    TREENODE* Current() const
    {
        return list.Count() ? static_cast<TREENODE*>(list.entries[list.CurrentIndex()]->tree_node) : nullptr;
    }
    // Makes entry index current, scrolling the least that shows it.
    void MoveTo(int index);
    // Lists the tree again with node current, where it was on the page.
    void Relist(TREENODE* node);
    void Draw();
    void DrawRow(int row);
    // The next entry of the current one's depth in direction dir, not
    // leaving its parent's branch.
    void SameDepth(int dir);
    // Extends the search by c; a character that finds nothing is dropped.
    void SearchFor(wchar_t c);
    // Scrolls one row at a time while the mouse button is held still.
    void ScrollHeld(int dir);

    CTree* tree;
    int width;
    int rows;
    Win win;
    PANEL list;
    Westring search;
};

void CTreePopup::MoveTo(int index)
{
    if (list.Count() == 0)
        return;
    index = std::clamp(index, 0, list.Count() - 1);
    if (index < list.top)
        list.top = index;
    else if (index >= list.top + rows)
        list.top = index - rows + 1;
    list.cursor = index - list.top;
}

void CTreePopup::Relist(TREENODE* node)
{
    int row = list.cursor;
    treenodelist(&list, tree);
    for (int i = 0; i < list.Count(); i++)
        if (list.entries[i]->tree_node == node) {
            list.top = std::max(0, i - row);
            list.cursor = i - list.top;
            return;
        }
    MoveTo(list.CurrentIndex());
}

void CTreePopup::DrawRow(int row)
{
    int index = list.top + row;
    if (index >= list.Count()) {
        win.puts_at(0, row, String(L' ', width).c_str());
        return;
    }
    const entry* e = list.entries[index];
    const auto* node = static_cast<const TREENODE*>(e->tree_node);
    int depth = e->depth;
    Westring prefix;
    for (int level = 1; level < depth; level++)
        prefix += (e->size >> level) & 1 ? L"\u2502 " : L"  ";
    if (depth >= 1) {
        prefix += (e->size >> depth) & 1 ? L'\u251C' : L'\u2514';
        prefix += node->child && !node->expanded ? L'+' : L'\u2500';
    }
    int room = std::max(width - prefix.strlen(), 1);
    Westring name = e->name;
    if (name.strlen() > room) {
        name = name.left(room);
        name[room - 1] = TruncationMark;
    }
    bool current = index == list.CurrentIndex();
    win.puts_at(0, row, prefix.c_str());
    win.puts_at(prefix.strlen(), row, name.pad(room, L' ').c_str(),
                current ? ui_colour(ColourMenuHighlight) : -1);
}

void CTreePopup::Draw()
{
    console.BeginPaint();
    for (int row = 0; row < rows; row++)
        DrawRow(row);
    win.puts_at(0, rows, String(L'\u2500', width).c_str());
    Westring path = Current() ? tree->FullPath(Current()) : Westring();
    collapse_path(path, width - 2);
    win.puts_at(0, rows + 1, String(L' ', width).c_str());
    win.puts_at(1, rows + 1, path.c_str());
    win.puts_at(0, rows + 2, String(L' ', width).c_str());
    win.puts_at(1, rows + 2, L"Search:");
    win.puts_at(9, rows + 2, search.pad(SearchWidth, L' ').c_str(), ui_colour(ColourCommandLine));
    if (width >= 70)
        win.puts_at(width - 27, rows + 2, L"Ctrl-Enter for next match");
    win.Goto(9 + search.strlen(), rows + 2);
    console.EndPaint();
}

void CTreePopup::SameDepth(int dir)
{
    if (list.Count() == 0)
        return;
    int depth = list.entries[list.CurrentIndex()]->depth;
    for (int i = list.CurrentIndex() + dir; i >= 0 && i < list.Count(); i += dir) {
        int d = list.entries[i]->depth;
        if (d < depth)
            return;
        if (d == depth) {
            MoveTo(i);
            return;
        }
    }
}

void CTreePopup::SearchFor(wchar_t c)
{
    if (search.strlen() >= SearchWidth)
        return;
    Westring text = search + c;
    // The first character looks after the current node; a longer text
    // stays on the current node while it still matches, so typing a name
    // letter by letter does not skip past it.
    TREENODE* at = Current();
    TREENODE* found = nullptr;
    if (!search.empty() && at && at->name.strlen() >= text.strlen() &&
        nls_strnicmp(at->name.c_str(), text.c_str(), static_cast<size_t>(text.strlen())) == 0)
        found = at;
    else
        found = tree_seek(tree->Root(), at, text.c_str());
    if (!found)
        return;
    search = text;
    Position(found);
}

void CTreePopup::ScrollHeld(int dir)
{
    for (;;) {
        int before = list.CurrentIndex();
        MoveTo(before + dir);
        Draw();
        if (list.CurrentIndex() == before || CheckEvent())
            return;
        DosSleep(static_cast<unsigned>(std::max(*textui_settings.scroll_delay, 0)));
        if (CheckEvent())
            return;
    }
}

int CTreePopup::Run(Westring& result)
{
    for (;;) {
        Draw();
        _MEVENT m{};
        int key = getkey(nullptr, &m, -1);
        TREENODE* node = Current();
        switch (key) {
        case KEY_RETURN:
            if (!node)
                break;
            result = tree->FullPath(node);
            return 0;
        case KEY_ESC:
        case KEY_F10:
            return -1;
        case KEY_UP:
            MoveTo(list.CurrentIndex() - 1);
            break;
        case KEY_DOWN:
            MoveTo(list.CurrentIndex() + 1);
            break;
        case KEY_PGUP:
            list.top = std::max(0, list.top - rows);
            MoveTo(list.CurrentIndex() - rows);
            break;
        case KEY_PGDN:
            list.top = std::max(0, std::min(list.top + rows, list.Count() - rows));
            MoveTo(list.CurrentIndex() + rows);
            break;
        case KEY_HOME:
            MoveTo(0);
            break;
        case KEY_END:
            MoveTo(list.Count() - 1);
            break;
        case '+':
        case KEY_GREY_PLUS:
        case '-':
        case KEY_GREY_MINUS:
            if (node) {
                node->expanded = key == '+' || key == KEY_GREY_PLUS;
                Relist(node);
            }
            break;
        case KEY_CTRL_GREY_PLUS:
        case KEY_CTRL_GREY_MINUS:
            if (node) {
                expand_branch(node, key == KEY_CTRL_GREY_PLUS);
                Relist(node);
            }
            break;
        case KEY_ALT_UP:
            SameDepth(-1);
            break;
        case KEY_ALT_DOWN:
            SameDepth(1);
            break;
        case KeyRescan: {
            Westring at = node ? tree->FullPath(node) : tree->RootPath();
            if (!scan_tree(tree))
                return -1;
            Position(tree->FindNearest(at.c_str()));
            break;
        }
        case KEY_CTRL_RETURN:
            if (!search.empty())
                if (TREENODE* found = tree_seek(tree->Root(), node, search.c_str()))
                    Position(found);
            break;
        case KEY_BACKSPACE:
            if (!search.empty())
                search = search.left(search.strlen() - 1);
            break;
        case KEY_MOUSE: {
            bool inside = win.click_in_win(m);
            if (m.kind == MouseLeftRelease || m.kind == MouseRightRelease) {
                if (!inside)
                    return -1;
                break;
            }
            if (!inside || m.kind == MouseWheel)
                break;
            if (m.y == -1 || m.y == rows) {
                if (m.kind == MouseLeftPress || m.kind == MouseLeftDrag)
                    ScrollHeld(m.y < 0 ? -1 : 1);
                break;
            }
            if (m.y < 0 || m.y >= rows || list.top + m.y >= list.Count())
                break;
            MoveTo(list.top + m.y);
            if (m.kind == MouseLeftDouble || m.kind == MouseRightPress) {
                result = tree->FullPath(Current());
                return 0;
            }
            break;
        }
        default:
            if (key >= 32 && key < KEY_EXTENDED && key != 127)
                SearchFor(static_cast<wchar_t>(key));
            break;
        }
    }
}

}

int tree_popup(PANEL* panel, Westring& result, int width)
{
    CTree* tree = TreeSet.GetTree(panel);
    if (!tree)
        return -1;
    if (!tree->complete && !scan_tree(tree))
        return -1;
    if (!tree->written)
        (void)write_tree(tree);
    CTreePopup popup(tree, width);
    char resolved[PATH_MAX];
    Westring here = realpath(FileNameToSys(panel->path).c_str(), resolved) ? FileNameFromSys(resolved) : panel->path;
    TREENODE* node = tree->FindNearest(here.c_str());
    popup.Position(node ? node : tree->Root());
    return popup.Run(result);
}
