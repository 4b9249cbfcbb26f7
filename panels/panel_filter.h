#ifndef PANNEX_PANELS_PANEL_FILTER_H
#define PANNEX_PANELS_PANEL_FILTER_H

#include "entries/entry.h"
#include "panels/panel.h"

// Whether a file (never a directory) is listed under the panel's filter
// expression. The one place where reading a directory consults the filter.
bool panel_filter_accepts(const PANEL* panel, const entry* e);

#endif
