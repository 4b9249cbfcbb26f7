#include "panels/panel_filter.h"

#include "entries/mask_eval.h"

// An invalid filter lists every file: only a definite "no" hides one.
bool panel_filter_accepts(const PANEL* panel, const entry* e)
{
    // "*", the filter of nearly every panel, lets everything through.
    const wchar_t* filter = panel->filter.c_str();
    if (filter[0] == L'*' && filter[1] == 0)
        return true;
    return mask_eval(filter, *e) != 0;
}
