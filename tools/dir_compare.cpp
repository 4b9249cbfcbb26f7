#include "tools/dir_compare.h"

#include "config/config.h"
#include "console/key_codes.h"
#include "entries/mask_eval.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/panel_display.h"
#include "textui/message_box.h"

#include <string_view>
#include <unordered_map>

namespace {

// A file of a panel as the comparison sees it: no directory (links to
// directories are listed as directories too), no reserved name.
bool comparable(const entry* e)
{
    return !e->IsDirectory() && !reserved_file(e->name);
}

bool satisfies(const COMPARE_OPTIONS& o, const entry* e)
{
    return mask_eval(o.mask.c_str(), *e) == 1;
}

Westring full_path(const PANEL* p, const entry* e)
{
    return p->path.strlen() == 1 ? p->path + e->name : p->path + L'/' + e->name;
}

void recount(PANEL* p)
{
    p->tagged_count = 0;
    p->tagged_bytes = 0;
    for (int i = 0; i < p->Count(); i++) {
        const entry* e = p->entries[i];
        if (e->tagged) {
            p->tagged_count++;
            p->tagged_bytes += e->size;
        }
    }
}

void untag_all(PANEL* p)
{
    for (int i = 0; i < p->Count(); i++)
        p->entries[i]->tagged = 0;
}

}

COMPARE_OPTIONS COMPARE_OPTIONS::FromConfig()
{
    COMPARE_OPTIONS o;
    o.date_mode = config.CMPTime;
    o.size_mode = config.CMPSize;
    o.unmatched = config.CMPUnmatched;
    o.contents = config.CMPContents;
    o.mask = config.CMPMask.empty() ? Westring(L"*") : config.CMPMask;
    return o;
}

int compare_panels(PANEL* left, PANEL* right, const COMPARE_OPTIONS& o, ContentCompare contents)
{
    untag_all(left);
    // The right panel's files by exact name; the first of a name wins.
    std::unordered_map<std::wstring_view, entry*> by_name;
    by_name.reserve(static_cast<size_t>(right->Count()));
    for (int i = 0; i < right->Count(); i++) {
        entry* e = right->entries[i];
        bool file = comparable(e);
        e->tagged = file && o.unmatched && satisfies(o, e) ? 1 : 0;
        if (file)
            by_name.emplace(std::wstring_view(e->name, static_cast<size_t>(e->name_length)), e);
    }

    bool stopped = false;
    for (int i = 0; i < left->Count() && !stopped; i++) {
        entry* a = left->entries[i];
        if (!comparable(a))
            continue;
        auto found = by_name.find(std::wstring_view(a->name, static_cast<size_t>(a->name_length)));
        if (found == by_name.end()) {
            a->tagged = o.unmatched && satisfies(o, a) ? 1 : 0;
            continue;
        }
        entry* b = found->second;
        b->tagged = 0;
        bool tag_a = false, tag_b = false;
        // Whole seconds: file systems keep times at different precisions,
        // and a copy to one that keeps less must not count as changed.
        time_t ta = a->time.seconds, tb = b->time.seconds;
        switch (o.date_mode) {
        case CompareNewer:
            tag_a = ta > tb;
            tag_b = tb > ta;
            break;
        case CompareOlder:
            tag_a = ta < tb;
            tag_b = tb < ta;
            break;
        case CompareDifferent:
            tag_a = tag_b = ta != tb;
            break;
        default:
            break;
        }
        switch (o.size_mode) {
        case CompareNewer:
            tag_a = tag_a || a->size > b->size;
            tag_b = tag_b || b->size > a->size;
            break;
        case CompareOlder:
            tag_a = tag_a || a->size < b->size;
            tag_b = tag_b || b->size < a->size;
            break;
        case CompareDifferent:
            if (a->size != b->size)
                tag_a = tag_b = true;
            break;
        default:
            break;
        }
        if (o.contents && !(tag_a && tag_b)) {
            if (a->size != b->size) {
                tag_a = tag_b = true;
            } else {
                int r = contents(full_path(left, a), full_path(right, b));
                if (r < 0)
                    stopped = true;
                else if (r == 1)
                    tag_a = tag_b = true;
            }
        }
        a->tagged = tag_a && satisfies(o, a) ? 1 : 0;
        b->tagged = tag_b && satisfies(o, b) ? 1 : 0;
    }

    if (stopped) {
        untag_all(left);
        untag_all(right);
    }
    recount(left);
    recount(right);
    return stopped ? -1 : left->tagged_count + right->tagged_count;
}

void directory_compare()
{
    PANEL* left = &panel_base[0];
    PANEL* right = &panel_base[1];
    for (const PANEL* p : {left, right})
        if (!p->showing || p->type != PanelFiles || p->detail == DetailTree)
            return;
    // Contents can only be read where both lists are real directories
    // (an archive's members have no path of their own).
    bool real = left->GetWD() == left->path && right->GetWD() == right->path;
    if (getOptions(real) != 0)
        return;
    COMPARE_OPTIONS o = COMPARE_OPTIONS::FromConfig();
    o.contents = o.contents && real;
    int tagged = compare_panels(left, right, o);
    paint_panel(left);
    paint_panel(right);
    if (tagged == 0)
        error(L"No files meet the specified conditions", nullptr, MB_MESSAGE);
}

void directory_compare_key(int, PANEL_REQUEST& request)
{
    directory_compare();
    request.redraw = 2;
}
