#include "panels/panel_filter.h"

#include "panels/mask_eval.h"

// An invalid filter lists every file: only a definite "no" hides one.
bool panel_filter_accepts(const PANEL* panel, const entry* e)
{
    return mask_eval(panel->filter.c_str(), *e) != 0;
}
