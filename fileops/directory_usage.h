#ifndef PANNEX_FILEOPS_DIRECTORY_USAGE_H
#define PANNEX_FILEOPS_DIRECTORY_USAGE_H

#include "fileops/tree_walk.h"
#include "foundation/westring.h"
#include "panels/panel.h"

#include <functional>

struct PANEL_REQUEST;

// Directory sizes: Ctrl+Q, and the size pass before a copy or a move
// across file systems. Counts below each directory; links are not
// followed and mounts not entered. Esc or Break cancels.

// Computes the size of the directory under the cursor, or of every tagged
// directory, while " Reading Directories " shows the totals. Each
// directory entry then shows its size; the tagged total follows. Unless
// quiet, the SizeCountPause setting waits for OK at the end. False when
// cancelled.
bool du(PANEL* panel, int quiet);

// The counting walk below dir, added to usage. reading, when given, hears
// each directory as it is entered (the walk's thread). 0, -1 when
// cancelled, or the errno of dir.
[[nodiscard]] int dirUsage(const Westring& dir, DirectoryUsage& usage,
                           const std::function<void(const Westring&)>& reading = {});

// Ctrl+Q of the main loop.
void directory_usage_key(int key, PANEL_REQUEST& request);

#endif
