#include "viewer/view.h"

#include "viewer/file_viewer.h"

void (*viewer_help_hook)(int topic) = nullptr;

void view(const wchar_t* name, long long pos)
{
    CFileViewer viewer;
    (void)viewer.View(name, pos);
}
