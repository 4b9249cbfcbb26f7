#ifndef PANNEX_TEXTUI_COLLAPSE_PATH_H
#define PANNEX_TEXTUI_COLLAPSE_PATH_H

#include "foundation/westring.h"

// Shortens a path for display to at most width characters. An absolute
// path keeps its first directory ("/home/", or "//server/share/" for a
// network path) and its tail, joined by "...". A path that cannot be
// shortened that way is cut at width and its last character replaced by
// code 16, the console's right-pointing triangle, as the mark of a cut.
void collapse_path(Westring& path, int width);

#endif
