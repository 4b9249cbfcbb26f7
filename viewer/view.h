#ifndef PANNEX_VIEWER_VIEW_H
#define PANNEX_VIEWER_VIEW_H

// Views one file and returns when the user leaves: the -v option, Shift+F3,
// the $view command and the Files menu's "View". pos as CFileViewer::View:
// a byte offset to start at and mark, or -1 for where the file was left.
// Logic thread.
void view(const wchar_t* name, long long pos = -1);

// Help for the viewer's F1 (help(topic) of the tools, which sit above the
// viewer): set at start-up by bind_viewer_commands. Unset, F1 does nothing.
extern void (*viewer_help_hook)(int topic);

#endif
