#include "panels/change_dir.h"

#include "archive/archive.h"

#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "panels/directory_history.h"
#include "panels/panel_display.h"
#include "panels/read_panel.h"
#include "panels/tree_hooks.h"

void change_dir(PANEL* p, const wchar_t* name, char keep, int top, int cursor)
{
    p->read_error = 0;
    bool refresh = name[0] == 0 && fncompare(p->path.c_str(), p->prev_path.c_str()) == 0;
    if (!refresh && !p->prev_path.empty()) {
        DirectoryHistory.Add(p->prev_path);
        p->back_path = p->prev_path;
        p->back_top = p->saved_top;
        p->back_cursor = p->saved_cursor;
    }
    if (fncompare(name, L"..") == 0) {
        up_dir(p);
    } else {
        if (!keep)
            p->tagged_count = 0;
        if (name[0]) {
            entry* cur = p->Current();
            p->positions.Store(p->path, p->top, cur ? Westring(cur->name) : Westring());
            p->path = p->path.AppendBackslash() + name;
            p->top = p->cursor = 0;
        }
        read_panel(p);
    }
    if (top >= 0) {
        p->top = top;
        p->cursor = cursor;
        clamp_position(p);
    }
    p->search = Westring();
    p->prev_path = p->path;
    (void)cdd(p->GetWD());
}

void change_dir(PANEL* panels, int side, const wchar_t* name, char keep, int top, int cursor)
{
    change_dir(&panels[side], name, keep, top, cursor);
    PANEL* p = &panels[side];
    PANEL* other = &panels[side ^ 1];
    if (p->detail != DetailTree && other->showing && other->type == PanelFiles && other->detail == DetailTree &&
        p->read_error == 0) {
        tree_hooks->Position(other, p->path);
        paint_panel(other);
    }
}

void up_dir(PANEL* p)
{
    if (p->path.empty() || IsRoot(p->path))
        return;
    int slash = p->path.rchr(L'/');
    Westring left = p->path.mid(slash + 1, 0);
    p->path = slash <= 0 ? Westring(L"/") : p->path.left(slash);
    p->tagged_count = 0;
    read_panel(p);

    if (const TPanelPosition* pos = p->positions.Find(p->path)) {
        p->top = pos->top;
        p->cursor = 0;
        clamp_position(p);
        goto_fname(p, pos->name.c_str());
    }
    entry* cur = p->Current();
    if (cur && fncompare(cur->name, left.c_str()) == 0)
        return;
    for (int i = 0; i < p->Count(); i++) {
        if (fncompare(p->entries[i]->name, left.c_str()) == 0) {
            p->top = i >= p->page_size ? i - p->page_size + 1 : 0;
            p->cursor = i - p->top;
            return;
        }
    }
    p->top = p->cursor = 0;
}

bool enter_archive(PANEL* panels, int side, const wchar_t* name)
{
    PANEL* p = &panels[side];
    entry* cur = p->Current();
    Westring from = p->path;
    int top = p->top;
    // An unsafe member's name ("../x", "/x") is no path below the
    // archive: resolved as one it would lead out of the archive, to
    // whatever directory it happens to name. The extraction refuses it.
    if (p->archive) {
        const ArchiveEntry* member = p->archive->FindMember(p->ArchiveDirectory(), Westring(name));
        if (member && member->unsafe) {
            Westring file;
            (void)!TmpExtractFile(*p->archive, Westring(name), file);
            return true;
        }
    }
    if (!p->ChangeVirtualWD(p->path.AppendBackslash() + name))
        return false;
    p->positions.Store(from, top, cur ? Westring(cur->name) : Westring());
    change_dir(panels, side, L"");
    return true;
}

int reload_archive(PANEL* p, Westring* left_file)
{
    if (!p->archive)
        return 0;
    Archive* a = p->archive.release();
    Archive* parent = a->parent;
    Westring root = a->VirtualRoot();
    a->currentDirectory = p->ArchiveDirectory();
    if (ArchiveReload(a, archive_settings()) == 0) {
        p->archive.reset(a);
        return 0;
    }
    p->archive.reset(parent);
    // Out of the archive that went, onto its file: up_dir's way back.
    int slash = root.rchr(L'/');
    p->path = slash <= 0 ? Westring(L"/") : root.left(slash);
    if (left_file)
        *left_file = root.mid(slash + 1, 0);
    p->top = p->cursor = 0;
    return -1;
}

void leave_archives(PANEL* panels, int side)
{
    PANEL* p = &panels[side];
    if (!p->archive)
        return;
    const Archive* outer = p->archive.get();
    while (outer->parent)
        outer = outer->parent;
    Westring file = outer->archivePath;
    Westring dir = file.path().empty() ? Westring(L"/") : file.path();
    if (!p->ChangeVirtualWD(dir))
        return;
    change_dir(panels, side, L"");
    goto_fname(p, file.filename().c_str());
}
