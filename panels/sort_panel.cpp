#include "panels/sort_panel.h"

#include "foundation/nls.h"
#include "panels/change_dir.h"
#include "panels/panel_display.h"

#include <algorithm>
#include <cwchar>

namespace {

const wchar_t* extension_of(const entry* e)
{
    const wchar_t* dot = std::wcsrchr(e->name, L'.');
    return dot ? dot + 1 : L"";
}

// nls_fname_cmp's order, with ASCII folded through a small table: sorting
// a large directory makes millions of these comparisons.
struct FOLD_TABLE
{
    long ascii[128];
    FOLD_TABLE()
    {
        for (int c = 0; c < 128; c++)
            ascii[c] = c == '_' ? 1 : nls_toupper(static_cast<wchar_t>(c));
    }
};

long folded(const FOLD_TABLE& t, wchar_t c)
{
    if (c >= 0 && c < 128)
        return t.ascii[c];
    long u = nls_toupper(c);
    return u == '_' ? 1 : u;
}

int fname_cmp(const wchar_t* a, const wchar_t* b)
{
    static const FOLD_TABLE table;
    for (;; a++, b++) {
        if (*a == *b) {
            if (*a == 0)
                return 0;
            continue;
        }
        long ca = folded(table, *a), cb = folded(table, *b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

// Names by the display order; names equal but for case by their exact
// spelling, so that the result never depends on the directory order.
int by_name(const entry* a, const entry* b)
{
    int c = fname_cmp(a->name, b->name);
    return c ? c : fncompare(a->name, b->name);
}

int compare(int order, const entry* a, const entry* b)
{
    switch (order) {
    case SortExtension:
        if (int c = fname_cmp(extension_of(a), extension_of(b)))
            return c;
        return by_name(a, b);
    case SortTime:
        if (a->time != b->time)
            return a->time > b->time ? -1 : 1;
        return by_name(a, b);
    case SortSize:
        if (a->size != b->size)
            return a->size > b->size ? -1 : 1;
        return by_name(a, b);
    default:
        return by_name(a, b);
    }
}

}

void sort_panel(sortby order, entry** list, long count)
{
    int base = order % SortReversed;
    if (base == SortUnsorted || count < 2)
        return;
    int direction = order >= SortReversed ? -1 : 1;
    std::sort(list, list + count, [base, direction](const entry* a, const entry* b) {
        if (a->group != b->group)
            return a->group < b->group;
        return compare(base, a, b) * direction < 0;
    });
}

void sort_panel(PANEL* p)
{
    sort_panel(p->sort, p->entries.Data(), p->Count());
}

void set_sort(PANEL* p, sortby order)
{
    p->sort = order;
    (panel_side(p) ? config.RightSort : config.LeftSort) = order;
    entry* cur = p->Current();
    Westring name = cur ? Westring(cur->name) : Westring();
    if (p->detail != DetailTree) {
        // Only the directory itself knows the unsorted order.
        if (order % SortReversed == SortUnsorted)
            change_dir(p, L"", 1);
        else
            sort_panel(p);
        if (!name.empty())
            goto_fname(p, name.c_str());
    }
    paint_panel(p);
}
