#include "viewer/view_panel_files.h"

#include "console/key_codes.h"
#include "panels/panel.h"
#include "viewer/file_viewer.h"

#include <sys/stat.h>

namespace {

// The file to show for entry e of the panel, 0; or the error the user was
// already told of.
int file_to_view(PANEL& panel, const entry* e, CFileViewer& /*viewer*/, Westring& file)
{
    // Archive members never come here: view_entry extracts the one under
    // the cursor and views that copy alone.
    // FIXME: moving on to the neighbouring members of an archive (each
    // extracted while the viewer is hidden) is not done yet.
    file = panel.path.AppendBackslash() + e->name;
    return 0;
}

// Size and time as they are now: viewing a growing log leaves it longer.
void refresh_entry(entry* e, const Westring& file)
{
    struct stat st;
    if (stat(FileNameToSys(file).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return;
    e->size = static_cast<unsigned long long>(st.st_size);
    e->time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
}

}

void view_panel_files(PANEL& panel)
{
    entry* current = panel.Current();
    if (!current || current->IsDirectory())
        return;
    int index = panel.CurrentIndex();
    auto neighbour = [&](int from, int direction) {
        for (int i = from + direction; i >= 0 && i < panel.Count(); i += direction)
            if (!panel.entries[i]->IsDirectory())
                return i;
        return -1;
    };
    CFileViewer viewer;
    viewer.HasNeighbour = [&](int direction) { return neighbour(index, direction) >= 0; };
    for (;;) {
        entry* e = panel.entries[index];
        Westring file;
        int key = KEY_ESC;
        if (file_to_view(panel, e, viewer, file) == 0) {
            key = viewer.View(file.c_str(), -1);
            refresh_entry(e, file);
        }
        if (key != KEY_ALT_UP && key != KEY_ALT_DOWN)
            break;
        int next = neighbour(index, key == KEY_ALT_UP ? -1 : 1);
        if (next >= 0)
            index = next;
        else
            viewer.NoMoreFiles();
    }
    goto_fname(&panel, panel.entries[index]->name);
    panel.repaint_pending = true;
}
