#include "viewer/viewer_commands.h"

#include "archive/archive.h"
#include "command/execute.h"
#include "command/pling_subst.h"
#include "config/associations.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/key_codes.h"
#include "fileops/path_grammar.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/startup.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "tools/help_viewer.h"
#include "viewer/view.h"
#include "viewer/view_panel_files.h"

namespace {

// F3 (with associations and Viewer), Alt+F3 and Ctrl+Shift+F3 (Viewer2)
// on the entry under the cursor.
void view_entry(int key, PANEL_REQUEST& request)
{
    PANEL* p = &panel_base[currpanel];
    if (!p->showing || p->type != PanelFiles)
        return;
    entry* e = p->Current();
    if (!e)
        return;
    // F3 on a directory counts its size, as Ctrl+Q does.
    if (e->IsDirectory()) {
        if (key == KEY_F1 + 2)
            request.pending = KEY_CTRL_A + 'Q' - 'A';
        return;
    }
    Westring file = p->path.AppendBackslash() + e->name;
    // A member is viewed as a copy extracted for it, which the archive
    // keeps until another member is extracted or the archive closes.
    if (p->archive && TmpExtractFile(*p->archive, Westring(e->name), file) != 0) {
        request.redraw = 2;
        return;
    }
    set_title(file.c_str());
    Westring command;
    if (key == KEY_F1 + 2) {
        if (!viewAssociations.FindAssociation(e, command))
            command = config.Viewer;
    } else {
        command = config.Viewer2;
    }
    if (!command.empty())
        run_external_viewer(command, file);
    else if (p->archive)
        view(file.c_str());
    else
        view_panel_files(*p);
    request.redraw = 2;
}

// Shift+F3: a file named in a prompt.
void view_named(int, PANEL_REQUEST& request)
{
    PANEL* p = &panel_base[currpanel];
    if (p->archive)
        return;
    entry* e = p->type == PanelFiles ? p->Current() : nullptr;
    Westring name = e && !e->IsUpDir() ? Westring(e->name) : Westring();
    {
        Dialog d(-1, 6, 74, 9, ui_colour(ColourMessages));
        d.puts_at(1, 0, L"View the file:");
        d.AddStringField(1, 1, 1, name, 70, 512, HistoryFileName);
        int r = d.Process();
        request.redraw = 2;
        if (r != RESULT_ACCEPT || name.trim().empty())
            return;
    }
    if (ResolvePath(name, p->path.c_str()) != 0)
        return;
    if (!config.Viewer.empty())
        run_external_viewer(config.Viewer, name);
    else
        view(name.c_str());
    request.redraw = 2;
}

}

void run_external_viewer(const Westring& command, const Westring& file)
{
    // The command as an association: "!" names the file, and without any
    // substitution the file goes last.
    Westring cmd = command;
    if (pling_subst(cmd, file.c_str(), currpanel, SubstAssociation) < 0)
        return;
    (void)run(cmd.c_str(), currpanel, cmd.c_str(), 0);
}

void bind_viewer_commands()
{
    viewer_help_hook = help;
    bind_key(KEY_F1 + 2, view_entry);
    bind_key(KEY_ALT_F1 + 2, view_entry);
    bind_key((KEY_CTRL_F1 + 2) | KEY_SHIFT_FLAG, view_entry);
    bind_key(KEY_SHIFT_F1 + 2, view_named);
}
