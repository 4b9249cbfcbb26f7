#include "panels/read_panel.h"

#include "archive/archive.h"
#include "console/console.h"
#include "fileops/file_system.h"
#include "fileops/mount_points.h"
#include "fileops/path_grammar.h"
#include "foundation/nls.h"
#include "panels/change_dir.h"
#include "panels/directory.h"
#include "panels/info_panel.h"
#include "panels/panel_filter.h"
#include "panels/sort_panel.h"
#include "panels/tree_hooks.h"
#include "textui/message_box.h"
#include "textui/progress_thread.h"

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Whether CaseFilter asks this file system's names to be drawn in upper
// case (directories) and lower case (files).
bool case_mapped(const PANEL* p)
{
    if (p->fs_type.empty() || config.CaseFilter.empty())
        return false;
    return config.CaseFilter.instri(p->fs_type) >= 0;
}

// Gives the kept-aside entries' marks to the entries of the new list that
// have their names, and frees them. The names are matched through a hash
// of the kept ones, so carrying a large selection costs one look-up per
// entry read.
void restore_marks(PANEL* p, std::vector<entry*>& kept)
{
    if (kept.empty())
        return;
    std::unordered_map<std::wstring_view, const entry*> by_name;
    by_name.reserve(kept.size());
    for (const entry* old : kept)
        by_name.emplace(std::wstring_view(old->name, static_cast<size_t>(old->name_length)), old);
    for (int i = 0; i < p->Count(); i++) {
        entry* e = p->entries[i];
        auto it = by_name.find(std::wstring_view(e->name, static_cast<size_t>(e->name_length)));
        if (it == by_name.end())
            continue;
        e->last_op = it->second->last_op;
        if (it->second->tagged && !e->tagged) {
            e->tagged = 1;
            p->tagged_count++;
            p->tagged_bytes += e->counted_size();
        }
    }
    for (entry* old : kept)
        entry::Destroy(old);
    kept.clear();
}

void free_all(std::vector<entry*>& list)
{
    for (entry* e : list)
        entry::Destroy(e);
    list.clear();
}

// Whether a failed first read moves the panel up a level instead of
// leaving it on an empty list.
bool moves_up(int status)
{
    return status == ENOTDIR || status == ENAMETOOLONG || status == EACCES;
}

Westring os_message(int status)
{
    return Westring(GetOSErrorMessage(status).c_str());
}

// The archive's listing as the panel's entries: members keep their sizes
// and times (unknown ones stay unknown: blank, and counted 0 when
// tagged), and the mode stays 0 as the archive gives none.
class ArchiveLister
{
public:
    explicit ArchiveLister(Archive& a) : archive(a) {}
    int First(const Westring& dir, entry** out)
    {
        if (archive.FindFirst(dir, member) != 0)
            return StatusNoMoreFiles;
        *out = make();
        return 0;
    }
    int Next(entry** out)
    {
        if (archive.FindNext(member) != 0)
            return StatusNoMoreFiles;
        *out = make();
        return 0;
    }

private:
    entry* make() const
    {
        entry* e = entry::Create(member.name);
        e->size = member.IsDirectory() ? 0 : member.size;
        e->attributes = member.IsDirectory() ? AttrDirectory : 0;
        e->time = member.time;
        e->uid = member.uid;
        e->gid = member.gid;
        return e;
    }
    Archive& archive;
    ArchiveListEntry member;
};

// Closes the archives the path has left (a prefix ends at a "/") or whose
// file is gone, innermost first.
void close_left_archives(PANEL* p)
{
    while (p->archive) {
        struct stat st;
        bool there = stat(FileNameToSys(p->archive->archivePath).c_str(), &st) == 0;
        if (there && is_path_prefix(p->archive->VirtualRoot(), p->path))
            break;
        p->CloseArchive();
    }
}

}

namespace {

void read_directory(PANEL* p);

}

void read_panel(PANEL* p)
{
    if (!p->showing || p->type == PanelInfo) {
        p->reread_pending = true;
        return;
    }
    read_directory(p);
    // An info panel about this one shows what was just read, or the
    // error of reading it.
    int other = 1 - panel_side(p);
    if (p == &panel_base[1 - other] && panel_base[other].type == PanelInfo)
        info_panel_update(other);
}

namespace {

void read_directory(PANEL* p)
{
    p->reread_pending = false;
    // The error describes the last read only.
    p->read_error = 0;
    p->repaint_pending = true;
    close_left_archives(p);

    p->fs_type = Westring();
    p->mount_point = Westring();
    if (p->path[0] == L'/' && !p->archive) {
        Estring type;
        Westring mount;
        if (GetUnixFSInfo(type, mount, p->path)) {
            p->fs_type = Westring(type);
            p->mount_point = mount;
        }
    }
    if (p->type == PanelFiles && p->detail == DetailTree) {
        tree_hooks->ReadTree(p);
        return;
    }

    bool same = fncompare(p->path.c_str(), p->prev_path.c_str()) == 0;
    Westring remembered;
    if (same && p->Current())
        remembered = p->Current()->name;

    std::vector<entry*> kept;
    for (entry* e : p->entries.TakeAll()) {
        if (same && (e->tagged || e->last_op))
            kept.push_back(e);
        else
            entry::Destroy(e);
    }
    p->tagged_count = 0;
    p->tagged_bytes = 0;
    p->subdirs.Clear();
    p->link_targets.Clear();
    p->page_size = page_size_for(p->detail);

    int read = 0;
    DirReadProgress progress(read);
    std::unordered_map<std::wstring, long long> known_sizes;
    if (config.RetainCount)
        tree_hooks->ChildSizes(p->path, known_sizes);

    Directory dir(p->path);
    entry* e = nullptr;
    std::unique_ptr<ArchiveLister> lister;
    int status;
    if (p->archive) {
        lister = std::make_unique<ArchiveLister>(*p->archive);
        status = lister->First(p->ArchiveDirectory(), &e);
        // A directory that a reload took away: the archive's root.
        if (status != 0) {
            p->path = p->archive->VirtualRoot();
            status = lister->First(Westring(), &e);
        }
    } else {
        status = dir.FindFirst(L"*", SearchPanel, &e);
    }
    bool root = !p->archive && IsRoot(p->path);
    if (status != 0 && status != StatusNoMoreFiles && status != ENOENT) {
        progress.Stop();
        free_all(kept);
        p->top = p->cursor = 0;
        if (status == -1)
            return;
        if (moves_up(status) && !root) {
            error(os_message(status), p->path.c_str());
            up_dir(p);
            return;
        }
        if (status != StatusNotReady)
            error(os_message(status), p->path.c_str());
        p->read_error = status;
        return;
    }

    bool mapped = case_mapped(p);
    bool has_updir = false;
    unsigned long long file_bytes = 0;
    int outer_break = break_status.exchange(1);
    for (; status == 0; status = lister ? lister->Next(&e) : dir.FindNext(&e)) {
        read++;
        bool is_dir = e->IsDirectory();
        bool dot = e->name[0] == L'.' && e->name[1] == 0;
        bool updir = e->IsUpDir();
        if (!is_dir && !(e->attributes & AttrSymLink))
            file_bytes += e->size;
        if (is_dir && !dot && !updir)
            p->subdirs.Add(Westring(e->name));
        bool hidden = (e->attributes & (AttrHidden | AttrSystem)) != 0;
        bool drop = dot || (updir && root) || (hidden && !config.Hidden) ||
                    (!is_dir && !panel_filter_accepts(p, e));
        if (drop) {
            entry::Destroy(e);
        } else {
            e->group = updir ? GroupUpDir : is_dir ? GroupDirectory : hidden ? GroupHidden : GroupFile;
            if (mapped && !updir)
                e->display_case = is_dir ? CaseUpper : CaseLower;
            if (is_dir && !updir && !known_sizes.empty()) {
                auto known = known_sizes.find(std::wstring(e->name, static_cast<size_t>(e->name_length)));
                if (known != known_sizes.end() && known->second >= 0) {
                    e->size = static_cast<unsigned long long>(known->second);
                    e->depth = 1;
                }
            }
            has_updir = has_updir || updir;
            p->entries.Append(e);
        }
        if (break_status == 2)
            break;
    }
    break_status = outer_break;
    dir.FindEnd();

    if (!root && !has_updir) {
        entry* up = entry::Create(L"..");
        up->attributes = AttrDirectory;
        up->group = GroupUpDir;
        up->time = TimeStamp(-1, static_cast<unsigned>(-1));
        p->entries.Insert(0, up);
    }
    p->subdirs.Seal();
    sort_panel(p);
    restore_marks(p, kept);
    progress.Stop();
    if (!p->read_error && tree_hooks->DirectoryRead(p, file_bytes)) {
        PANEL* other = &panel_base[panel_side(p) ^ 1];
        if (other != p && other->type == PanelFiles && other->detail == DetailTree && other->showing)
            other->reread_pending = true;
    }

    if (remembered.empty()) {
        p->top = p->cursor = 0;
    } else {
        clamp_position(p);
        goto_fname(p, remembered.c_str());
    }
}

}

void panel_refresh()
{
    for (PANEL& p : panel_base)
        if (p.type != PanelInfo)
            read_panel(&p);
}
