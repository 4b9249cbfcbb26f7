#ifndef PANNEX_FILEOPS_SHELL_WINDOW_H
#define PANNEX_FILEOPS_SHELL_WINDOW_H

#include "foundation/westring.h"

// Opens the desktop's graphical file browser on dir, without waiting for it.
// The first program of the browser table found on the search path (PATH
// extended by pathAppend, the PathAppend setting) that can be started is
// used. False when none could be.
bool OpenShellWindow(const Westring& dir, const Westring& pathAppend);

// The full path of an executable program on the search path, or empty.
Westring FindProgram(const char* program, const Westring& pathAppend);

#endif
