#include "fileops/make_dir.h"

#include "config/config.h"
#include "fileops/file_system.h"
#include "fileops/fs_error.h"
#include "fileops/panel_entries.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "panels/read_panel.h"
#include "panels/tree_hooks.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

bool only_blanks(const Westring& s)
{
    for (const wchar_t* p = s.c_str(); *p; p++)
        if (*p != L' ' && *p != L'\t')
            return false;
    return true;
}

// True when the panel's file system is one whose names CaseFilter maps.
bool case_filtered(const PANEL* panel)
{
    if (panel->fs_type.empty() || config.CaseFilter.empty())
        return false;
    return config.CaseFilter.instri(panel->fs_type) >= 0;
}

}

void make_dir(int panelIndex)
{
    PANEL* panel = &panel_base[panelIndex];
    // An information panel shows nothing to make a directory in; the
    // directory goes where the other panel is. In a tree panel it goes
    // into the directory under the cursor.
    PANEL* target = panel->type == PanelInfo ? &panel_base[1 - panelIndex] : panel;
    bool tree = panel->type == PanelFiles && panel->detail == DetailTree;
    Westring parent = tree ? panel_directory(panel) : target->GetWD();

    Westring name;
    {
        Dialog dlg(-1, -2, 76, 6, ui_colour(ColourMessages));
        dlg.AddStaticText(0, 0, "Create the directory");
        dlg.AddStringField(1, 1, 1, name, 72, 512, NoHistory);
        dlg.AddOkCancel(28, 3, 1);
        if (dlg.Process() != RESULT_ACCEPT)
            return;
    }
    // The name is not trimmed: "a " is a name of its own.
    if (only_blanks(name))
        return;
    if (case_filtered(target))
        nls_strupr(name.buffer());

    Westring path = IsAbsolute(name) ? name : join_path(parent, name);
    for (;;) {
        int code = MakeDirectory(path);
        if (code == 0)
            break;
        struct stat st;
        Estring sys = FileNameToSys(path);
        if ((code == EEXIST || code == EACCES) && lstat(sys.c_str(), &st) == 0) {
            bool dir = S_ISDIR(st.st_mode) || (stat(sys.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
            error(dir ? L"Directory already exists" : L"File already exists named", path.c_str());
            return;
        }
        bool done = true;
        fs_error(code, done, path);
        if (done)
            return;
    }

    Westring made = path;
    if (made.strlen() > 1 && made[made.strlen() - 1] == L'/')
        made = made.left(made.strlen() - 1);
    tree_hooks->AddDirectory(made.path().empty() ? Westring(L"/") : made.path(), made.filename());
    panel_refresh();
    if (!IsAbsolute(name) && !tree) {
        // The cursor goes to what the panel lists of the new path: the
        // directory itself, or the first directory on the way to it.
        int slash = name.chr(L'/');
        Westring first = slash > 0 ? name.left(slash) : name;
        goto_fname(target, first.c_str());
        target->repaint_pending = true;
    }
}

void make_dir_key(int, PANEL_REQUEST& request)
{
    if (panel_base[currpanel].archive)
        return;
    make_dir(currpanel);
    request.redraw = 2;
}
