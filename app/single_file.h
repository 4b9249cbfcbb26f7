#ifndef PANNEX_APP_SINGLE_FILE_H
#define PANNEX_APP_SINGLE_FILE_H

#include "panels/startup.h"

// The -v run: the settings read, the file shown in the internal viewer
// with the text cursor hidden, then the cursor back at the start of the
// last row. Nothing is written: no panels, history or px.ini. Returns the
// exit status.
int run_single_viewer(const START_OPTIONS& opt);
// The -e run: the same for the internal editor. Exit status 0 once the
// editor was left (also when the user declined to create the file).
int run_single_editor(const START_OPTIONS& opt);

#endif
