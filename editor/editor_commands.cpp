#include "editor/editor_commands.h"

#include "command/execute.h"
#include "command/pling_subst.h"
#include "config/associations.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/key_codes.h"
#include "editor/edit.h"
#include "editor/editor.h"
#include "entries/entry.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "panels/startup.h"
#include "textui/dialog.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"
#include "tools/help_viewer.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// Puts the panel's cursor on the entry called name, when it lists one.
void cursor_on(PANEL* p, const Westring& name)
{
    for (int i = 0; i < p->Count(); i++) {
        if (fncompare(p->entries[i]->name, name.c_str()) != 0)
            continue;
        if (i < p->top || i >= p->top + p->page_size)
            p->top = std::max(0, i - p->page_size / 2);
        p->cursor = i - p->top;
        return;
    }
}

// F4 (associations, then Editor, then the internal editor), Alt+F4 and
// Ctrl+Shift+F4 (Editor2) on the entry under the cursor.
void edit_entry(int key, PANEL_REQUEST& request)
{
    PANEL* p = &panel_base[currpanel];
    if (!p->showing || p->type != PanelFiles)
        return;
    entry* e = p->Current();
    if (!e || e->IsDirectory())
        return;
    // Members of an archive never come here: app/ hands F4 inside an
    // archive to the archive's command, which edits the extracted copy.
    Westring file = p->path.AppendBackslash() + e->name;
    set_title(file.c_str());
    Westring command;
    if (key == KEY_F1 + 3) {
        if (!editAssociations.FindAssociation(e, command))
            command = config.Editor;
    } else {
        command = config.Editor2.empty() ? Westring(L"editor") : config.Editor2;
    }
    if (!command.empty())
        run_external_editor(command, file);
    else
        (void)edit(file.c_str());
    panel_refresh();
    request.redraw = 2;
}

// Shift+F4: a file named in a prompt; a new name is offered to be made.
void edit_named(int, PANEL_REQUEST& request)
{
    PANEL* p = &panel_base[currpanel];
    entry* e = p->type == PanelFiles ? p->Current() : nullptr;
    Westring name = e && !e->IsUpDir() && !e->IsDirectory() ? Westring(e->name) : Westring();
    {
        Dialog d(-1, 6, 74, 9, ui_colour(ColourMessages));
        d.puts_at(1, 0, L"Edit the file:");
        d.AddStringField(1, 1, 1, name, 70, 512, HistoryFileName);
        int r = d.Process();
        request.redraw = 2;
        if (r != RESULT_ACCEPT || name.trim().empty())
            return;
    }
    name = name.trim();
    if (ResolvePath(name, p->path.c_str()) != 0)
        return;
    if (!config.Editor.empty())
        run_external_editor(config.Editor, name);
    else
        (void)edit(name.c_str());
    panel_refresh();
    // The cursor goes to the file when it is in this panel's directory.
    Westring dir = name.left(std::max(0, name.rchr(L'/')));
    if (dir.empty())
        dir = L"/";
    if (fncompare(dir.c_str(), p->path.c_str()) == 0)
        cursor_on(p, name.filename());
    request.redraw = 2;
}

}

void run_external_editor(const Westring& command, const Westring& file)
{
    Westring cmd = command;
    if (pling_subst(cmd, file.c_str(), currpanel, SubstAssociation) < 0)
        return;
    (void)run(cmd.c_str(), currpanel, cmd.c_str(), 0);
}

int edit_temporary_copy(const Westring& copy, const std::function<int(const Westring&)>& update)
{
    struct stat before, after;
    Estring sys = FileNameToSys(copy);
    bool had = stat(sys.c_str(), &before) == 0;
    (void)edit(copy.c_str());
    if (stat(sys.c_str(), &after) != 0)
        return 0;
    if (had && after.st_size == before.st_size && after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
        after.st_mtim.tv_nsec == before.st_mtim.tv_nsec)
        return 0;
    int rc = update(copy);
    if (rc != 0)
        (void)::error(L"An error occurred updating the archive; the edited file is kept as", copy.c_str());
    return rc;
}

void bind_editor_commands()
{
    editor_help_hook = help;
    bind_key(KEY_F1 + 3, edit_entry);
    bind_key(KEY_ALT_F1 + 3, edit_entry);
    bind_key((KEY_CTRL_F1 + 3) | KEY_SHIFT_FLAG, edit_entry);
    bind_key(KEY_SHIFT_F1 + 3, edit_named);
}
