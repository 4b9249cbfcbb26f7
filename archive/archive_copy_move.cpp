#include "archive/archive_commands.h"

#include "archive/archive.h"
#include "archive/archive_extract.h"
#include "command/quote_name.h"
#include "config/ini_file.h"
#include "console/colours.h"
#include "console/key_codes.h"
#include "fileops/copy_move.h"
#include "fileops/delete.h"
#include "fileops/descriptions.h"
#include "fileops/file_globals.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "panels/change_dir.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "panels/selection.h"
#include "textui/collapse_path.h"
#include "textui/dialog.h"
#include "textui/field_history.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A directory made for one extraction, removed on every way out.
class CScratchDirectory
{
public:
    ~CScratchDirectory()
    {
        if (!path.empty())
            (void)RemoveTmpTree(path);
    }
    // 0 or the errno of mkdtemp.
    int Make(const Westring& inside)
    {
        std::string tmpl = std::string(FileNameToSys(inside).c_str()) + "/.px-extract-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (!mkdtemp(buf.data()))
            return errno;
        path = FileNameFromSys(buf.data());
        return 0;
    }
    Westring path;
};

Westring status_text(int status)
{
    return Westring(L" (") + Westring(std::to_string(status).c_str()) + L")";
}

Westring strip_slash(const Westring& path)
{
    Westring p = path;
    while (p.strlen() > 1 && p[p.strlen() - 1] == L'/')
        p = p.left(p.strlen() - 1);
    return p;
}

// True when relative names something below base reached through real
// directories only (the last component may be anything, links included:
// they move as links).
bool inside_below(const Westring& base, const Westring& relative)
{
    Westring walked = base;
    int len = relative.strlen(), start = 0;
    for (int i = 0; i <= len; i++) {
        if (i < len && relative[i] != L'/')
            continue;
        Westring component = relative.mid(start, i - start);
        start = i + 1;
        if (component.empty() || std::wcscmp(component.c_str(), L".") == 0 ||
            std::wcscmp(component.c_str(), L"..") == 0)
            return false;
        walked = walked + L"/" + component;
        struct stat st;
        if (lstat(FileNameToSys(walked).c_str(), &st) != 0)
            return false;
        if (i < len && !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

bool exists_no_follow(const Westring& path)
{
    struct stat st;
    return lstat(FileNameToSys(path).c_str(), &st) == 0;
}

// The dialog of F5 and F6 with an archive on either side.
int ask_target(const Westring& title, Westring& target)
{
    Dialog d(-1, -2, 76, 7, ui_colour(ColourMessages));
    d.AddStaticText(1, 0, title.c_str());
    int field = d.AddStringField(1, 2, 1, target, 72, 512, HistoryDirectory);
    d.AddPushButton(21, 4, 2, RESULT_ACCEPT, "_OK");
    d.AddPushButton(29, 4, 0, RESULT_CANCEL, "Cancel");
    // FIXME: F10 opens the directory tree pop-up once the tree exists.
    d.AddPushButton(41, 4, 0, KEY_F10, "F10-Tree");
    d.ChangeFocus(field);
    int r = d.Process();
    target = target.trim();
    return r;
}

Westring dialog_title(bool extracting, bool move, const std::vector<entry*>& chosen, int tagged)
{
    Westring title = extracting ? L"Extract" : L"Compress";
    if (move)
        title += L" and Move";
    if (tagged > 0) {
        title += Westring(esprintf(" %d file%c to", tagged, tagged > 1 ? 's' : ' ').c_str());
    } else {
        Westring name = chosen.empty() ? Westring() : Westring(chosen[0]->name);
        collapse_path(name, 50);
        title += Westring(L" \"") + name + L"\" to";
    }
    return title;
}

// Every regular file below path, as a path relative to base ("docs/a").
// Links and other non-files are listed too, with size -1.
int collect_files(const Westring& base, const Westring& relative, std::vector<std::pair<Westring, long long>>& out)
{
    static std::vector<std::pair<Westring, long long>>* sink;
    static size_t cut;
    sink = &out;
    Estring root = FileNameToSys(base + L"/" + relative);
    cut = static_cast<size_t>(FileNameToSys(base).strlen()) + 1;
    return nftw(root.c_str(),
                [](const char* p, const struct stat* st, int flag, struct FTW*) {
                    if (flag == FTW_D || flag == FTW_DP)
                        return 0;
                    long long size = flag == FTW_F && S_ISREG(st->st_mode) ? st->st_size : -1;
                    sink->emplace_back(FileNameFromSys(p + cut), size);
                    return 0;
                },
                16, FTW_PHYS);
}

// Whether archive (just read again) holds path ("docs/a") as a file of
// that size.
bool archive_has(Archive& archive, const Westring& path, long long size)
{
    int slash = path.rchr(L'/');
    Westring dir = slash < 0 ? Westring() : path.left(slash);
    Westring name = path.mid(slash + 1, 0);
    const ArchiveEntry* m = archive.FindMember(dir, name);
    return m && !m->IsDirectory() && size >= 0 && m->size == static_cast<unsigned long long>(size);
}

// Deletes exactly the listed entries of the panel's archive.
void delete_members(PANEL* panel, const std::vector<entry*>& which);

int extract(PANEL* panels, int which, bool move, const std::vector<entry*>& preview, int tagged)
{
    PANEL* src = &panels[which];
    PANEL* other = &panels[1 - which];
    Archive& archive = *src->archive;
    bool other_archive = other->showing && other->type == PanelFiles && other->archive;
    Westring target = other_archive ? src->GetWD() : other->path;
    if (target.empty() || target[target.strlen() - 1] != L'/')
        target += L'/';
    if (ask_target(dialog_title(true, move, preview, tagged), target) != RESULT_ACCEPT || target.empty())
        return -1;
    bool ended_slash = target[target.strlen() - 1] == L'/';
    if (ResolvePath(target, src->GetWD().c_str()) != 0) {
        error(L"Invalid path", target.c_str());
        return -1;
    }
    struct stat st;
    if (stat(FileNameToSys(target).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error(ended_slash ? L"Directory does not exist" : L"Destination must be a valid directory", target.c_str());
        return -1;
    }
    if (target.strlen() > 3)
        target = strip_slash(target);
    Westring command(Archiver[archive.type].value[ARCHIVER::Extract].c_str());
    if (command.trim().empty()) {
        error(Westring(esprintf("Extracting from %s not supported", archive.GetArchTypeName()).c_str()));
        return -1;
    }

    std::vector<entry*> chosen = chosen_entries(src);
    std::vector<ArchiveItem> items;
    std::vector<entry*> used;
    Westring skipped;
    chosen_members(src, chosen, items, used, skipped);
    if (items.empty()) {
        report_unsafe(skipped);
        return -1;
    }
    CScratchDirectory scratch;
    if (scratch.Make(target) != 0) {
        error(L"Unable to create temporary directory", target.c_str());
        return -1;
    }
    int result;
    {
        CWorkingDirectory back;
        if (int err = cdd(scratch.path)) {
            error(Westring(GetOSErrorMessage(err).c_str()), scratch.path.c_str());
            return -1;
        }
        if (ArchiverExtractsWhole(archive.type)) {
            result = FindArchiver(command) ? RunArchiveCommand(command, archive.archivePath, Westring()) : -1;
        } else if (archive.type == ArchGzip || archive.type == ArchBzip2) {
            // The single member goes under its listed name.
            std::vector<ArchiveItem> one(1);
            one[0].name = used[0]->name;
            result = ExecMultiFile(command, archive.archivePath, Westring(), one, archive.type, ArchiveOpExtract);
        } else {
            result = ExecMultiFile(command, archive.archivePath, Westring(), items, archive.type, ArchiveOpExtract);
        }
    }
    if (result != 0) {
        if (result > 0)
            error(L"An error occurred extracting", (archive.archivePath + status_text(result)).c_str());
        panel_refresh();
        return -1;
    }

    // Only what lies in the scratch directory under the listed names moves,
    // item by item with the overwrite question; the archive's directories
    // above the current one stay behind.
    Westring dir = src->ArchiveDirectory();
    ResetFileGlobals();
    CDescriptionSet descriptions;
    std::vector<entry*> moved;
    int count = static_cast<int>(used.size());
    for (int i = 0; i < count; i++) {
        entry* e = used[static_cast<size_t>(i)];
        Westring relative = dir.empty() ? Westring(e->name) : dir + L"/" + e->name;
        Westring from = scratch.path + L"/" + relative;
        if (!inside_below(scratch.path, relative)) {
            skipped += Westring(skipped.empty() ? L"" : L", ") + e->name;
            continue;
        }
        int r = move_file(from, target + L"/" + e->name, i + 1, count, nullptr, descriptions);
        if (r == -1)
            break;
        if (r == 0 && !exists_no_follow(from))
            moved.push_back(e);
    }
    (void)descriptions.Flush();
    report_unsafe(skipped);
    if (move && !moved.empty())
        delete_members(src, moved);
    panel_refresh();
    return 0;
}

int add(PANEL* panels, int which, bool move, const std::vector<entry*>& preview, int tagged)
{
    PANEL* src = &panels[which];
    PANEL* other = &panels[1 - which];
    Archive* dest = other->archive.get();
    Westring target = other->path;
    if (ask_target(dialog_title(false, move, preview, tagged), target) != RESULT_ACCEPT || target.empty())
        return -1;
    if (dest->type == ArchGzip) {
        error(L"Cannot add to a GZip file");
        return -1;
    }
    if (dest->type == ArchBzip2) {
        error(L"Cannot add to a BZip2 file");
        return -1;
    }
    Westring root = dest->VirtualRoot();
    Westring cut = strip_slash(target.left(root.strlen() + 1));
    if (std::wcscmp(cut.c_str(), root.c_str()) != 0)
        return file_copy_move(panels, which, move ? CopyFlagMove : 0, target.c_str());
    if (strip_slash(target).strlen() > root.strlen()) {
        error(L"Compressing into subdirectories not supported");
        return -1;
    }
    Westring command(Archiver[dest->type].value[ARCHIVER::Compress].c_str());
    if (command.trim().empty()) {
        error(Westring(esprintf("Adding to %s not supported", dest->GetArchTypeName()).c_str()));
        return -1;
    }
    if (move) {
        const Archive* outer = dest;
        while (outer->parent)
            outer = outer->parent;
        struct stat a, s;
        bool have = stat(FileNameToSys(outer->archivePath).c_str(), &a) == 0;
        for (entry* e : preview) {
            Westring path = src->path.AppendBackslash() + e->name;
            if (have && stat(FileNameToSys(path).c_str(), &s) == 0 && s.st_dev == a.st_dev && s.st_ino == a.st_ino) {
                error(L"Cannot move an archive into itself");
                return -1;
            }
        }
    }
    std::vector<entry*> chosen = chosen_entries(src);
    std::vector<ArchiveItem> items;
    for (entry* e : chosen) {
        ArchiveItem item;
        item.name = e->name;
        item.directory = e->IsDirectory();
        item.file = true;
        items.push_back(item);
    }
    int result;
    {
        CWorkingDirectory back;
        if (int err = cdd(src->path)) {
            error(Westring(GetOSErrorMessage(err).c_str()), src->path.c_str());
            return -1;
        }
        result = ExecMultiFile(command, dest->archivePath, Westring(), items, dest->type, ArchiveOpCompress);
    }
    if (result > 0)
        error(L"An error occurred updating", (dest->archivePath + status_text(result)).c_str());
    Westring left;
    if (reload_archive(other, &left) != 0) {
        change_dir(panels, 1 - which, L"");
        goto_fname(other, left.c_str());
    }
    if (move && result == 0 && other->archive) {
        // A source goes only when the archive, read again, holds every file
        // of it with its size.
        Archive& fresh = *other->archive;
        for (int i = 0; i < src->Count(); i++)
            tag(src, i, -1);
        for (entry* e : chosen) {
            std::vector<std::pair<Westring, long long>> files;
            bool all = true;
            if (e->IsDirectory()) {
                if (collect_files(src->path, e->name, files) != 0)
                    all = false;
            } else {
                struct stat s;
                if (lstat(FileNameToSys(src->path.AppendBackslash() + e->name).c_str(), &s) != 0)
                    all = false;
                else
                    files.emplace_back(Westring(e->name), S_ISREG(s.st_mode) ? s.st_size : -1);
            }
            for (const auto& f : files)
                all = all && archive_has(fresh, f.first, f.second);
            if (!all)
                continue;
            for (int i = 0; i < src->Count(); i++)
                if (src->entries[i] == e)
                    tag(src, i, 1);
        }
        if (src->tagged_count > 0)
            file_delete_selected(src);
    }
    panel_refresh();
    return 0;
}

void delete_members(PANEL* panel, const std::vector<entry*>& which)
{
    for (int i = 0; i < panel->Count(); i++)
        tag(panel, i, -1);
    for (entry* e : which)
        for (int i = 0; i < panel->Count(); i++)
            if (panel->entries[i] == e)
                tag(panel, i, 1);
    ArchiveDelete(panel);
}

} // namespace

std::vector<entry*> chosen_entries(PANEL* panel)
{
    std::vector<entry*> out;
    for (int i = 0; i < panel->Count(); i++)
        panel->entries[i]->last_op = 0;
    if (panel->tagged_count > 0) {
        for (int i = 0; i < panel->Count(); i++) {
            entry* e = panel->entries[i];
            if (!e->tagged || e->IsUpDir())
                continue;
            out.push_back(e);
            e->last_op = 1;
            tag(panel, i, -1);
        }
    } else if (entry* e = panel->Current(); e && !e->IsUpDir()) {
        e->last_op = 1;
        out.push_back(e);
    }
    return out;
}

void chosen_members(PANEL* panel, const std::vector<entry*>& chosen, std::vector<ArchiveItem>& items,
                    std::vector<entry*>& used, Westring& skipped)
{
    Archive& a = *panel->archive;
    Westring dir = panel->ArchiveDirectory();
    auto skip = [&skipped](const Westring& name) {
        if (!skipped.empty())
            skipped += L", ";
        skipped += name;
    };
    const ArchiveEntryStore& all = a.Entries();
    // Whether an unsafe member's stored name lies below path: archivers
    // such as tar take a name for everything under it too.
    auto unsafe_below = [&all](const Westring& path) {
        Westring below = path + L"/";
        Westring dot_below = Westring(L"./") + below;
        for (int i = 0; i < all.Count(); i++) {
            const ArchiveEntry* m = all.At(i);
            if (m->unsafe && (std::wcsncmp(m->name, below.c_str(), below.strlen()) == 0 ||
                              std::wcsncmp(m->name, dot_below.c_str(), dot_below.strlen()) == 0))
                return true;
        }
        return false;
    };
    for (entry* e : chosen) {
        if (!e->IsDirectory()) {
            const ArchiveEntry* m = a.FindMember(dir, e->name);
            // A link "l" stored beside "l/z" would bring "l/z" along.
            if (!m || m->unsafe || unsafe_below(dir.empty() ? Westring(e->name) : dir + L"/" + e->name)) {
                skip(e->name);
                continue;
            }
            items.push_back(member_item(*m));
            used.push_back(e);
            continue;
        }
        Westring dpath = dir.empty() ? Westring(e->name) : dir + L"/" + e->name;
        Westring below = dpath + L"/";
        Westring dot_below = Westring(L"./") + below;
        bool holds_unsafe = false;
        for (int i = 0; i < all.Count(); i++) {
            const ArchiveEntry* m = all.At(i);
            if (m->unsafe && (std::wcsncmp(m->name, below.c_str(), below.strlen()) == 0 ||
                              std::wcsncmp(m->name, dot_below.c_str(), dot_below.strlen()) == 0)) {
                holds_unsafe = true;
                skip(m->name);
            }
        }
        if (holds_unsafe) {
            // The directory goes as its safe files, one by one: a pattern
            // for the directory would reach the unsafe member too.
            for (int i = all.LowerBound(dpath.c_str(), dpath.strlen()); i < all.Count(); i++) {
                const ArchiveEntry* m = all.At(i);
                Westring path(m->path);
                if (std::wcscmp(m->path, dpath.c_str()) != 0 && std::wcsncmp(m->path, below.c_str(), below.strlen()) != 0)
                    break;
                if (!m->unsafe && !m->IsDirectory())
                    items.push_back(member_item(*m));
            }
            used.push_back(e);
            continue;
        }
        const ArchiveEntry* stored = a.FindMember(dpath, Westring());
        ArchiveItem item;
        if (stored) {
            item = member_item(*stored);
        } else {
            int first = all.LowerBound(dpath.c_str(), dpath.strlen());
            bool dotslash = first < all.Count() && all.At(first)->dotslash;
            item.name = dotslash ? Westring(L"./") + dpath : dpath;
        }
        item.directory = true;
        items.push_back(item);
        used.push_back(e);
    }
}

void report_unsafe(const Westring& skipped)
{
    if (!skipped.empty())
        error(L"Unsafe name in archive:", skipped.c_str());
}

int archive_copy_move(PANEL* panels, int which, int move)
{
    PANEL* src = &panels[which];
    PANEL* other = &panels[1 - which];
    if (src->Count() == 0)
        return -1;
    entry* current = src->Current();
    int tagged = src->tagged_count;
    if (tagged == 0 && (!current || current->IsUpDir()))
        return -1;
    std::vector<entry*> preview;
    if (tagged == 0) {
        preview.push_back(current);
    } else {
        for (int i = 0; i < src->Count(); i++)
            if (src->entries[i]->tagged && !src->entries[i]->IsUpDir())
                preview.push_back(src->entries[i]);
    }
    int outer_break = break_status.exchange(1);
    int r = -1;
    if (src->archive)
        r = extract(panels, which, move != 0, preview, tagged);
    else if (other->showing && other->type == PanelFiles && other->archive)
        r = add(panels, which, move != 0, preview, tagged);
    break_status = outer_break;
    return r;
}
