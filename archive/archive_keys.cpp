#include "archive/archive_commands.h"

#include "archive/archive.h"
#include "archive/archive_extract.h"
#include "command/execute.h"
#include "command/pling_subst.h"
#include "config/associations.h"
#include "config/config.h"
#include "console/key_codes.h"
#include "editor/edit.h"
#include "fileops/copy_move.h"
#include "fileops/delete.h"
#include "fileops/directory_usage.h"
#include "panels/panel_display.h"
#include "panels/sort_panel.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "panels/panel_loop.h"
#include "panels/startup.h"

#include <algorithm>
#include <vector>

namespace {

bool files_showing(const PANEL* p)
{
    return p->showing && p->type == PanelFiles;
}

// The stored sizes of every member below dir of the archive (unknown
// sizes count 0). The listing walks one directory at a time, as the
// archive lists only one at once.
unsigned long long archive_dir_size(Archive& a, const Westring& dir)
{
    std::vector<Westring> pending{dir};
    unsigned long long sum = 0;
    while (!pending.empty()) {
        Westring d = pending.back();
        pending.pop_back();
        ArchiveListEntry e;
        for (int r = a.FindFirst(d, e); r == 0; r = a.FindNext(e)) {
            if (e.name == L"..")
                continue;
            if (e.IsDirectory())
                pending.push_back(d.empty() ? e.name : d + L"/" + e.name);
            else if (e.size != ArchiveSizeUnknown)
                sum += e.size;
        }
    }
    return sum;
}

// Ctrl+Q (and F3 on a directory) in an archive: the sizes of the tagged
// directories, or of the one under the cursor, from the archive's own
// listing; nothing is extracted.
void archive_du(PANEL* panel)
{
    bool tagged = panel->tagged_count > 0;
    Westring base = panel->ArchiveDirectory();
    for (int i = 0; i < panel->Count(); i++) {
        entry* e = panel->entries[i];
        if (!e->IsDirectory() || Westring(e->name) == L".." || (tagged ? !e->tagged : i != panel->CurrentIndex()))
            continue;
        Westring dir = base.empty() ? Westring(e->name) : base + L"/" + e->name;
        e->size = archive_dir_size(*panel->archive, dir);
        e->depth = 1;
    }
    unsigned long long sum = 0;
    for (int i = 0; i < panel->Count(); i++)
        if (panel->entries[i]->tagged)
            sum += panel->entries[i]->size;
    panel->tagged_bytes = sum;
    if (panel->sort % SortReversed == SortSize && panel->Current()) {
        Westring current(panel->Current()->name);
        sort_panel(panel);
        goto_fname(panel, current.c_str());
    }
    paint_panel(panel);
}

void archive_usage_key(int key, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (panel->showing && panel->type == PanelFiles && panel->archive) {
        archive_du(panel);
        request.redraw = std::max(request.redraw, 1);
        return;
    }
    directory_usage_key(key, request);
}

} // namespace

void archive_copy_move_key(int key, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    const PANEL* other = &panel_base[1 - currpanel];
    bool plain = key == KEY_F1 + 4 || key == KEY_F1 + 5;
    if (plain && panels_on() && files_showing(panel) && (panel->archive || (files_showing(other) && other->archive))) {
        panel->search = Westring();
        (void)archive_copy_move(panel_base, currpanel, key == KEY_F1 + 5);
        request.redraw = 2;
        return;
    }
    copy_move_key(key, request);
}

void make_archive_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!panels_on() || !files_showing(panel))
        return;
    MakeArchive(panel);
    request.redraw = 2;
}

void edit_member_key(int key, PANEL_REQUEST& request)
{
    // Outside archives app/ hands these keys to the editor's commands.
    PANEL* p = &panel_base[currpanel];
    if (!panels_on() || !files_showing(p) || !p->archive)
        return;
    entry* e = p->Current();
    if (!e || e->IsDirectory())
        return;
    Westring command;
    if (key == KEY_F1 + 3) {
        if (!editAssociations.FindAssociation(e, command))
            command = config.Editor;
    } else {
        command = config.Editor2;
    }
    request.redraw = 2;
    Westring file;
    if (TmpExtractFile(*p->archive, Westring(e->name), file) != 0)
        return;
    set_title(file.c_str());
    if (command.empty()) {
        // The internal editor on the copy; a changed copy goes back at
        // once (a failed update keeps it and names its path).
        (void)edit(file.c_str());
        archive_member_edited(p);
        return;
    }
    if (pling_subst(command, file.c_str(), currpanel, SubstAssociation) < 0)
        return;
    (void)run(command.c_str(), currpanel, command.c_str(), 0);
    archive_member_edited(p);
}

void bind_archive_commands()
{
    install_archive_member_hooks();
    archive_delete_hook = ArchiveDelete;
    bind_key(KEY_F1 + 4, archive_copy_move_key);
    bind_key(KEY_F1 + 5, archive_copy_move_key);
    bind_key(KEY_SHIFT_F1 + 6, make_archive_key);
    bind_key(KEY_CTRL_A + 'Q' - 'A', archive_usage_key);
    bind_key(KEY_F1 + 3, edit_member_key);
    bind_key(KEY_ALT_F1 + 3, edit_member_key);
    bind_key((KEY_CTRL_F1 + 3) | KEY_SHIFT_FLAG, edit_member_key);
}
