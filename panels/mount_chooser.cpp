#include "panels/mount_chooser.h"

#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "fileops/file_system.h"
#include "fileops/mount_points.h"
#include "fileops/path_grammar.h"
#include "panels/change_dir.h"
#include "panels/mount_eject.h"
#include "panels/panel.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "textui/win.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int KeyReload = KEY_CTRL_A + 'R' - 'A';

struct COLUMNS
{
    int device = 10, mount_point = 20, fs_type = 11;
};

COLUMNS measure(CMountPointList& list)
{
    COLUMNS c;
    for (int i = 0; i < list.count; i++) {
        const TMountPoint* mp = list.At(i);
        c.device = std::max(c.device, mp->device.strlen());
        c.mount_point = std::max(c.mount_point, mp->mountPoint.strlen());
        c.fs_type = std::max(c.fs_type, mp->fsType.strlen());
    }
    return c;
}

// Ejects the mount at `mount`. The process must not keep the mount busy:
// when its current directory lies inside, it steps out to the mount's
// parent first and goes back if the eject fails. True when ejected.
bool eject(PANEL* p, const Westring& mount)
{
    Westring cwd = PxGetCwd();
    Westring parent = mount.path().empty() ? Westring(L"/") : mount.path();
    bool inside = IsBelow(mount, cwd);
    if (inside)
        (void)cdd(parent);
    Westring message;
    int rc;
    {
        Win note(-1, -2, 20, 3, ui_colour(ColourMessages), ui_colour(ColourMessages));
        note.PutCentre(0, "Ejecting...");
        rc = eject_mount(mount, message);
    }
    if (rc == -1)
        error(L"eject failed", mount.c_str());
    else if (rc != 0)
        error(L"Error ejecting", message.c_str());
    if (rc != 0) {
        if (inside)
            (void)cdd(cwd);
        return false;
    }
    if (IsBelow(mount, p->path)) {
        p->path = parent;
        change_dir(p, L"");
    }
    return true;
}

}

bool PANEL::ChooseMountPoint(bool all)
{
    int selection = 0;
    for (;;) {
        CMountPointList list;
        if (!list.Load(all) || list.count == 0)
            return false;
        COLUMNS c = measure(list);
        int cols = console.Columns(), rows = console.Lines();
        int width = std::min(c.device + c.mount_point + c.fs_type + 6, cols - 3);
        int height = std::min(list.count + 4, rows - 5);
        TObjectStore<Westring> lines;
        for (int i = 0; i < list.count; i++)
            lines.AddObject(new Westring(list.At(i)->ToStr(c.device, c.mount_point)));
        selection = std::clamp(selection, 0, list.count - 1);

        Dialog d(-1, -4, width, height, ui_colour(ColourMenu));
        d.PutCentre(-1, L" Mount Points ");
        d.puts_at(1, 0, L"Device");
        d.puts_at(2 + c.device, 0, L"Mount Point");
        d.puts_at(3 + c.device + c.mount_point, 0, L"File System");
        d.PutCentre(height - 2, L" Alt-E=Eject ");
        d.AddListBox(1, 1, 1, width - 4, height - 4, lines, selection, 0);
        d.AddExitKey(KeyReload);
        d.AddExitKey(KEY_ALT_E);
        int r;
        // The table is checked once a second, so a medium inserted or
        // removed while the chooser is open shows up in it.
        while ((r = d.Process(1000)) == 0 && !list.IsStale()) {
        }
        if (r == RESULT_CANCEL)
            return false;
        if (r == RESULT_ACCEPT) {
            Westring target = list.At(selection)->mountPoint;
            if (!ChangeVirtualWD(target))
                return false;
            int side = panel_side(this);
            if (this == &panel_base[side])
                change_dir(panel_base, side, L"");
            else
                change_dir(this, L"");
            return true;
        }
        if (r == KEY_ALT_E)
            eject(this, list.At(selection)->mountPoint);
        // Ctrl+R, an eject or a changed table: list the mounts again.
    }
}

void change_drive(int side)
{
    panel_base[side].ChooseMountPoint(false);
}
