#include "fileops/copy_move.h"

#include "config/config.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "console/keyboard.h"
#include "fileops/copy_data.h"
#include "fileops/copy_dialog.h"
#include "fileops/delete.h"
#include "fileops/directory_usage.h"
#include "fileops/file_system.h"
#include "fileops/fs_error.h"
#include "fileops/path_grammar.h"
#include "fileops/tree_walk.h"
#include "panels/tree_hooks.h"
#include "foundation/estring.h"
#include "foundation/nls.h"
#include "foundation/time_stamp.h"
#include "panels/panel_commands.h"
#include "panels/panel_display.h"
#include "panels/panel_loop.h"
#include "panels/read_panel.h"
#include "textui/collapse_path.h"
#include "textui/message_box.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

Estring sys(const Westring& path)
{
    return FileNameToSys(path);
}

bool lstat_of(const Westring& path, struct stat& st)
{
    return lstat(sys(path).c_str(), &st) == 0;
}

bool stat_of(const Westring& path, struct stat& st)
{
    return stat(sys(path).c_str(), &st) == 0;
}

bool is_directory(const Westring& path)
{
    struct stat st;
    return stat_of(path, st) && S_ISDIR(st.st_mode);
}

// The text after the last "/" (a backslash is part of a name here).
Westring last_component(const Westring& path)
{
    int slash = path.rchr(L'/');
    return slash < 0 ? path : path.mid(slash + 1, 0);
}

// The text before the last "/", "/" for a name under the root, "" for a
// bare name.
Westring directory_part(const Westring& path)
{
    int slash = path.rchr(L'/');
    if (slash < 0)
        return Westring();
    return slash == 0 ? Westring(L"/") : path.left(slash);
}

Westring with_slash(const Westring& dir)
{
    if (!dir.empty() && dir[dir.strlen() - 1] == L'/')
        return dir;
    return dir + L'/';
}

Westring join(const Westring& dir, const wchar_t* name)
{
    return with_slash(dir) + name;
}

bool has_wildcard(const Westring& s)
{
    return s.chr(L'*') >= 0 || s.chr(L'?') >= 0;
}

// A target of blanks only is no target; any other is taken as typed, so
// that "a " never lands on "a".
bool blank(const Westring& s)
{
    for (int i = 0; i < s.strlen(); i++)
        if (s[i] != L' ' && s[i] != L'\t')
            return false;
    return true;
}

// Keeps break_status at 1 while an item runs, for the Break key; a stop
// requested meanwhile (2) is left for the command to see.
class CBreakScope
{
public:
    CBreakScope() : saved(break_status.load())
    {
        if (saved == 0)
            break_status = 1;
    }
    ~CBreakScope()
    {
        if (break_status == 1)
            break_status = saved;
    }

private:
    int saved;
};

// Which of the two names a failure concerns: the target for the failures
// of writing, the source for reading.
const Westring& failing_name(int code, const Westring& src, const Westring& dst)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EROFS:
    case ENAMETOOLONG:
    case EEXIST:
    case EISDIR:
    case ENOTDIR:
        return dst;
    case EACCES:
    case EPERM:
        return access(sys(src).c_str(), R_OK) == 0 ? dst : src;
    case ENOENT: {
        struct stat st;
        return lstat_of(src, st) ? dst : src;
    }
    default:
        return src;
    }
}

// The overwrite question for the existing file dst, under the command's
// policy: TreeRetry replaces it, TreeSkip keeps it, TreeStop aborts. A
// move offers no "All Older" and treats If Older as Ask.
int overwrite_answer(const Westring& src, const Westring& dst, copy_status* status, bool move)
{
    for (;;) {
        int mode = file_globals.overwrite_mode;
        if (mode == OverwriteAlways)
            return TreeRetry;
        if (mode == OverwriteNever)
            return TreeSkip;
        if (mode == OverwriteIfOlder && !move) {
            struct stat s, d;
            if (stat_of(src, s) && stat_of(dst, d)) {
                bool newer = s.st_mtim.tv_sec > d.st_mtim.tv_sec ||
                             (s.st_mtim.tv_sec == d.st_mtim.tv_sec && s.st_mtim.tv_nsec > d.st_mtim.tv_nsec);
                return newer ? TreeRetry : TreeSkip;
            }
        }
        char a = error(status, L"File already exists, Overwrite?", dst.c_str(),
                       move ? MB_OK_CANCEL_SKIP_ALL : MB_OVERWRITE);
        switch (a) {
        case 'y':
            return TreeRetry;
        case 'a':
            file_globals.overwrite_mode = OverwriteAlways;
            return TreeRetry;
        case 'e':
            file_globals.overwrite_mode = OverwriteNever;
            return TreeSkip;
        case 'd':
            file_globals.overwrite_mode = OverwriteIfOlder;
            continue;
        case ANSWER_CANCEL:
            return TreeStop;
        default:
            return TreeSkip;
        }
    }
}

// A source that changed while it was copied: TreeRetry copies it anyway.
int changed_answer(const Westring& src, copy_status* status)
{
    if (file_globals.read_written_all == ReadWrittenSkipAll)
        return TreeSkip;
    if (file_globals.read_written_all == ReadWrittenCopyAll)
        return TreeRetry;
    char a = error(status, L"File is open for writing, copy anyway?", src.c_str(), MB_OK_CANCEL_SKIP_ALL);
    switch (a) {
    case 'y':
        return TreeRetry;
    case 'a':
        file_globals.read_written_all = ReadWrittenCopyAll;
        return TreeRetry;
    case 'e':
        file_globals.read_written_all = ReadWrittenSkipAll;
        return TreeSkip;
    case ANSWER_CANCEL:
        return TreeStop;
    default:
        return TreeSkip;
    }
}

// What the byte mover and the tree walks hear from the command: counters
// for the progress window, the stop keys, and every question.
class CCopyEvents : public CCopyTreeEvents
{
public:
    CCopyEvents(copy_status* status, bool move) : status(status), move(move) {}

    void Advance(long long bytes) override
    {
        if (status) {
            status->done += bytes;
            status->Changed();
        }
    }
    bool Cancelled() override { return file_command_stopped(); }

    int Failed(const TreeEntry& e, int code) override
    {
        Westring path = WidePath(e);
        int answer;
        if (code == StatusSameFile) {
            answer = error(status, L"File cannot overwrite itself", path.c_str(), MB_OK_CANCEL) == ANSWER_CANCEL
                         ? TreeStop
                         : TreeSkip;
        } else {
            bool done = true;
            int c = code;
            char a = fs_error(c, done, path, nullptr, status);
            answer = a == 'r' ? TreeRetry : c == -1 ? TreeStop : TreeSkip;
        }
        Resume();
        return answer;
    }
    void MountPoint(const TreeEntry& e) override
    {
        error(status, L"A mounted file system is left where it is:", WidePath(e).c_str(), MB_OK | MB_MESSAGE);
        Resume();
    }
    void Copying(const TreeEntry& e, const std::string& dst) override
    {
        if (status)
            status->ShowPath(WidePath(e), FileNameFromSys(dst.c_str()));
    }
    int Exists(const TreeEntry& e, const std::string& dst) override
    {
        int a = overwrite_answer(WidePath(e), FileNameFromSys(dst.c_str()), status, move);
        Resume();
        return a;
    }
    int SourceChanged(const TreeEntry& e) override
    {
        int a = changed_answer(WidePath(e), status);
        Resume();
        return a;
    }

private:
    // After a question the window is refreshed again.
    void Resume()
    {
        if (status)
            status->StartUpdate();
    }

    copy_status* status;
    bool move;
};

// The merge question for the directory the user chose (never for the
// directories inside it): 0 merge, -1 abort, ItemSkippedQuietly skip.
int merge_answer(const Westring& dst, copy_status* status, int flags)
{
    if (file_globals.merge_all || (flags & CopyNested))
        return 0;
    char a = error(status, L"Directory already exists, merge with source?", dst.c_str(), MB_OK_CANCEL_SKIP_ALL);
    if (status)
        status->StartUpdate();
    switch (a) {
    case 'a':
        file_globals.merge_all = true;
        return 0;
    case 'y':
        return 0;
    case ANSWER_CANCEL:
        return -1;
    default:
        return ItemSkippedQuietly;
    }
}

int copy_directory(const Westring& src, const Westring& dst, bool move, copy_status* status,
                   CDescriptionSet& descriptions, int flags)
{
    if (IsInsideItself(src, dst)) {
        error(status, L"Directory cannot be copied into itself", src.c_str(), MB_OK);
        return -1;
    }
    struct stat st;
    bool existed = stat_of(dst, st);
    if (existed && !S_ISDIR(st.st_mode))
        return EEXIST;
    if (existed) {
        int m = merge_answer(dst, status, flags);
        if (m != 0)
            return m;
    }
    CopyTreeOptions options;
    options.move = move;
    options.merge = existed;
    options.acceptChanged = (flags & CopyAcceptChanged) != 0;
    options.keepOwner = move && geteuid() == 0;
    CCopyEvents events(status, move);
    int r = CopyTree(src, dst, options, events);
    if (r == StatusIntoItself) {
        error(status, L"Directory cannot be copied into itself", src.c_str(), MB_OK);
        return -1;
    }
    // A directory made anew takes the source's line along.
    if ((r == 0 || r == StatusSomeLeft) && !existed)
        descriptions.Copy(src, dst);
    if (r == 0 && move)
        descriptions.Delete(src);
    if (r == StatusSomeLeft)
        return ItemSkippedQuietly;
    return r;
}

}

int copyfile(const Westring& src, const Westring& dst, bool overwrite, bool move, copy_status* status,
             CDescriptionSet& descriptions, int flags)
{
    struct stat st;
    if (!lstat_of(src, st))
        return errno;
    if (S_ISDIR(st.st_mode))
        return copy_directory(src, dst, move, status, descriptions, flags);
    struct stat there;
    // Replacing a file by a copy of itself (a hard link, a linked
    // directory, another spelling) would leave a move without its only
    // copy: the same object is never a target.
    const bool exists = lstat_of(dst, there);
    if (exists && FileRelation(src, dst) != RelationDifferent)
        return StatusSameFile;
    if (overwrite && exists) {
        if (S_ISDIR(there.st_mode))
            return EISDIR;
        // Decision: an existing device node is never written into nor
        // replaced by a regular file; a copy onto one is refused.
        if (S_ISCHR(there.st_mode) || S_ISBLK(there.st_mode))
            return ENOTSUP;
    }
    CopyOptions options;
    // Only an existing target is replaced through a synced temporary; a
    // new one (after "All", most of a tree) is written directly.
    options.replace = overwrite && exists;
    options.acceptChanged = (flags & CopyAcceptChanged) != 0;
    options.durable = move;
    options.keepOwner = move && geteuid() == 0;
    CCopyEvents events(status, move);
    CopyReport report;
    int r = CopyNode(src, dst, options, &events, &report);
    if (r == EEXIST && overwrite && !options.replace) {
        // Made meanwhile by someone else: replaced as it would have been.
        options.replace = true;
        r = CopyNode(src, dst, options, &events, &report);
    }
    if (r != 0)
        return r;
    if (!move) {
        descriptions.Copy(src, dst);
        return 0;
    }
    // The copy is on the disk (it and its directory were synced); a
    // source that changed meanwhile stays, with its copy beside it.
    if (report.sourceChanged) {
        descriptions.Copy(src, dst);
        return ItemSkippedQuietly;
    }
    descriptions.Move(src, dst);
    for (;;) {
        if (unlink(sys(src).c_str()) == 0 || errno == ENOENT)
            return 0;
        bool done = true;
        int code = errno;
        char a = fs_error(code, done, src, nullptr, status);
        if (a == 'r')
            continue;
        return code == -1 ? -1 : ItemSkippedQuietly;
    }
}

int copy_file(const Westring& src, const Westring& dst, int index, int count, copy_status* status,
              CDescriptionSet& descriptions)
{
    CBreakScope scope;
    if (status)
        status->ShowItem(L"Copying", src, dst, index, count);
    bool allowed = false;
    int flags = file_globals.read_written_all == ReadWrittenCopyAll ? CopyAcceptChanged : 0;
    for (;;) {
        struct stat s, d;
        if (file_globals.overwrite_mode == OverwriteIfOlder && !allowed && lstat_of(dst, d) && !S_ISDIR(d.st_mode) &&
            stat_of(src, s) && !S_ISDIR(s.st_mode)) {
            bool newer = s.st_mtim.tv_sec > d.st_mtim.tv_sec ||
                         (s.st_mtim.tv_sec == d.st_mtim.tv_sec && s.st_mtim.tv_nsec > d.st_mtim.tv_nsec);
            if (!newer && FileRelation(src, dst) == RelationDifferent)
                return 0;
            allowed = newer;
        }
        if (status)
            status->StartUpdate();
        int r = copyfile(src, dst, allowed || file_globals.overwrite_mode == OverwriteAlways, false, status,
                         descriptions, flags);
        if (r == 0 || r == -1 || r == ItemSkippedQuietly)
            return r;
        if (r == StatusSameFile || (r == EEXIST && FileRelation(src, dst) != RelationDifferent)) {
            char a = error(status, L"File cannot overwrite itself", dst.c_str(), MB_OK_CANCEL);
            return a == ANSWER_CANCEL ? -1 : ItemSkippedQuietly;
        }
        if (r == EEXIST) {
            struct stat there;
            if (lstat_of(dst, there) && !S_ISDIR(there.st_mode)) {
                int a = overwrite_answer(src, dst, status, false);
                if (a == TreeRetry) {
                    allowed = true;
                    continue;
                }
                if (a == TreeStop)
                    return -1;
                // All Older: asked again under the new policy.
                if (file_globals.overwrite_mode == OverwriteIfOlder)
                    continue;
                return ItemSkippedQuietly;
            }
        } else if (r == StatusSourceChanged) {
            int a = changed_answer(src, status);
            if (a == TreeRetry) {
                flags |= CopyAcceptChanged;
                continue;
            }
            return a == TreeStop ? -1 : ItemSkippedQuietly;
        }
        bool done = true;
        int code = r;
        char a = fs_error(code, done, failing_name(r, src, dst), nullptr, status);
        if (a == 'r')
            continue;
        return code == -1 ? -1 : r;
    }
}

namespace {

// Moves every entry of the directory src into the existing directory dst
// by rename, each a nested item, then removes the emptied src. The
// description file stays with the directory it describes.
int merge_by_rename(const Westring& src, const Westring& dst, copy_status* status, CDescriptionSet& descriptions)
{
    std::vector<Westring> names;
    {
        DIR* d = opendir(sys(src).c_str());
        if (!d)
            return errno;
        while (dirent* de = readdir(d)) {
            if (!std::strcmp(de->d_name, ".") || !std::strcmp(de->d_name, "..") ||
                !std::strcmp(de->d_name, DescriptionFileName))
                continue;
            names.push_back(FileNameFromSys(de->d_name));
        }
        closedir(d);
    }
    bool left = false;
    for (const Westring& name : names) {
        int r = move_file(join(src, name.c_str()), join(dst, name.c_str()), 1, 1, status, descriptions, true);
        if (r < 0)
            return -1;
        left |= r > 0;
        if (file_command_stopped())
            return -1;
    }
    if (left)
        return ItemSkippedQuietly;
    // The emptied source's description file goes first, or it would keep
    // the directory.
    (void)descriptions.Flush();
    for (;;) {
        int r = DosDeleteDir(src);
        if (r == 0) {
            descriptions.Delete(src);
            return 0;
        }
        // Something arrived or stayed meanwhile: the directory is kept.
        if (r == ENOTEMPTY || r == EEXIST)
            return ItemSkippedQuietly;
        bool done = true;
        int code = r;
        char a = fs_error(code, done, src, nullptr, status);
        if (a == 'r')
            continue;
        return code == -1 ? -1 : ItemSkippedQuietly;
    }
}

}

int move_file(const Westring& src, const Westring& dst, int index, int count, copy_status* status,
              CDescriptionSet& descriptions, bool nested)
{
    CBreakScope scope;
    if (status)
        status->ShowItem(L"Moving", src, dst, index, count);
    bool renaming = true, allowed = false;
    int flags = (file_globals.read_written_all == ReadWrittenCopyAll ? CopyAcceptChanged : 0) |
                (nested ? CopyNested : 0);
    for (;;) {
        int r;
        struct stat s, d;
        if (renaming) {
            int relation = FileRelation(src, dst);
            if (relation == RelationSameObject) {
                char a = error(status, L"File cannot overwrite itself", dst.c_str(), MB_OK_CANCEL);
                return a == ANSWER_CANCEL ? -1 : ItemSkippedQuietly;
            }
            if (relation == RelationDifferent && lstat_of(src, s) && S_ISDIR(s.st_mode) && IsInsideItself(src, dst)) {
                error(status, L"Directory cannot be copied into itself", src.c_str(), MB_OK);
                return -1;
            }
            // Two spellings of one entry (a file system that ignores case):
            // the plain rename is the whole move.
            if (relation == RelationSameEntry || allowed)
                r = rename(sys(src).c_str(), sys(dst).c_str()) == 0 ? 0 : errno;
            else
                r = DosMove(src, dst);
            if (r == 0) {
                descriptions.Move(src, dst);
                if (status) {
                    status->ShowItem(L"Moving", src, dst, index, count);
                    status->ProgressUpdate();
                }
                return 0;
            }
            if (r == EXDEV) {
                renaming = false;
                continue;
            }
            if (break_status == 2)
                return -1;
        } else {
            if (status)
                status->StartUpdate();
            r = copyfile(src, dst, allowed || file_globals.overwrite_mode == OverwriteAlways, true, status,
                         descriptions, flags);
            if (r == 0)
                return 0;
        }
        if (r == -1 || r == ItemSkippedQuietly)
            return r;
        if (r == StatusSameFile) {
            char a = error(status, L"File cannot overwrite itself", dst.c_str(), MB_OK_CANCEL);
            return a == ANSWER_CANCEL ? -1 : ItemSkippedQuietly;
        }
        if (r == EEXIST && lstat_of(src, s) && (lstat_of(dst, d) || stat_of(dst, d))) {
            bool dirs = S_ISDIR(s.st_mode) && is_directory(dst);
            if (dirs && renaming) {
                int m = merge_answer(dst, status, flags);
                if (m != 0)
                    return m;
                return merge_by_rename(src, dst, status, descriptions);
            }
            if (!S_ISDIR(d.st_mode)) {
                int a = overwrite_answer(src, dst, status, true);
                if (a == TreeRetry) {
                    allowed = true;
                    continue;
                }
                return a == TreeStop ? -1 : ItemSkippedQuietly;
            }
        } else if (r == StatusSourceChanged) {
            int a = changed_answer(src, status);
            if (a == TreeRetry) {
                flags |= CopyAcceptChanged;
                continue;
            }
            return a == TreeStop ? -1 : ItemSkippedQuietly;
        }
        bool done = true;
        int code = r;
        char a = fs_error(code, done, failing_name(r, src, dst), nullptr, status);
        if (a == 'r')
            continue;
        return code == -1 ? -1 : r;
    }
}

int editname(const Westring& name, const Westring& target, Westring& out)
{
    Westring t = target;
    bool slash = RemoveBackslash(t);
    if (t.empty())
        t = L"/";
    Westring name_part = last_component(name);
    Westring pattern = last_component(t);
    if (!has_wildcard(pattern)) {
        if (slash || (is_directory(t) && fncompare(t.c_str(), name.c_str()) != 0 &&
                           fncompare(pattern.c_str(), name_part.c_str()) != 0))
            out = with_slash(t) + name_part;
        else
            out = t;
        return 0;
    }
    wchar_t edited[4096];
    int r = DosEditName(0, name_part.c_str(), pattern.c_str(), edited, 4096);
    if (r != 0)
        return r;
    Westring dir = directory_part(t);
    out = dir.empty() ? Westring(edited) : with_slash(dir) + edited;
    return 0;
}

bool SameFS(const PANEL* panel, const Westring& target)
{
    Westring t = target;
    Westring dir = !t.empty() && t[t.strlen() - 1] == L'/' ? t : directory_part(t);
    if (dir.empty())
        dir = L".";
    struct stat a, b;
    if (!stat_of(panel->path, a) || !stat_of(dir, b))
        return true;
    return a.st_dev == b.st_dev;
}

namespace {

bool is_real_directory(const entry* e)
{
    return (e->attributes & AttrDirectory) && !(e->attributes & AttrSymLink);
}

// The directory tree follows a directory copied (a new node) or moved (its
// node and branch go along).
void tree_follows(bool move, const Westring& src, const Westring& dst)
{
    if (move) {
        tree_hooks->Graft(src, dst);
        return;
    }
    Westring parent = directory_part(dst);
    tree_hooks->AddDirectory(parent.empty() ? Westring(L"/") : parent, last_component(dst));
}

// The end of a command: descriptions written once, the window gone, both
// panels read again, and the cursor on a name renamed in place.
// With PX_RUN_TIMES=<file> set (benchmarks), each copy or move appends the
// seconds from the start of its work to its end, progress window included,
// so that the real window can be compared with a run without one.
void record_command_time(const copy_status& status)
{
    const char* path = std::getenv("PX_RUN_TIMES");
    double started = status.start_time;
    if (!path || !*path || started <= 0)
        return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%.6f\n", copy_status::clock() - started);
        std::fclose(f);
    }
}

void finish(PANEL* panel, CDescriptionSet& descriptions, copy_status& status, const Westring& renamed)
{
    (void)descriptions.Flush();
    status.Close();
    record_command_time(status);
    break_status = 0;
    panel_refresh();
    if (!renamed.empty() && panel->showing) {
        goto_fname(panel, renamed.c_str());
        paint_panel(panel);
    }
}

}

int file_copy_move(PANEL* panels, int which, int flags, const wchar_t* given)
{
    PANEL* panel = &panels[which];
    PANEL* other = &panels[1 - which];
    bool move = (flags & CopyFlagMove) != 0;
    ResetFileGlobals();
    if (panel->Count() == 0)
        return -1;
    // Names are copied as they are on disk: the CaseFilter setting only
    // changes how the panels draw them, so "Data.TXT" and "data.txt" both
    // arrive as themselves.
    entry* current = panel->Current();
    const Westring& dir = panel->path;
    int tagged = panel->tagged_count;
    Westring proposal;
    // A tree's directory is the one under its cursor.
    Westring other_dir = panel_directory(other);
    if (other->showing && other->type == PanelFiles && !(flags & CopyFlagProposeName)) {
        proposal = with_slash(other_dir);
        if (!tagged)
            proposal += current->name;
    } else {
        proposal = current->name;
    }
    Westring destination_dir = other_dir;
    copy_status status;
    CDescriptionSet descriptions;
    Westring target;

    if (!tagged) {
        if (current->IsUpDir())
            return -1;
        Westring name(current->name);
        if (given) {
            target = given;
        } else {
            Westring shown = name;
            collapse_path(shown, 55);
            Westring title = Westring(move ? L"Move/Rename" : L"Copy") + L" \"" + shown + L"\" to";
            CCopyDlg dlg(destination_dir, title, proposal, current->IsDirectory(), true);
            if (dlg.Process() != RESULT_ACCEPT)
                return -1;
            target = dlg.target;
            file_globals.overwrite_mode = dlg.policy;
        }
        if (blank(target))
            return -1;
        bool dir_target = fncompare(target.c_str(), L"..") == 0 || target[target.strlen() - 1] == L'/';
        if (ResolvePath(target, dir.c_str()) != 0) {
            error(L"Invalid path", nullptr, MB_OK);
            return -1;
        }
        Westring src = join(dir, current->name);
        Westring dst;
        if (dir_target) {
            dst = join(target, current->name);
        } else if (int r = editname(src, target, dst); r != 0) {
            bool done = true;
            fs_error(r, done, target);
            return -1;
        }
        if ((!move || !SameFS(panel, dst)) && is_real_directory(current) && !du(panel, 1))
            return -1;
        status.total = static_cast<long long>(current->size);
        status.start_time = copy_status::clock();
        int r = move ? move_file(src, dst, 1, 1, &status, descriptions)
                     : copy_file(src, dst, 1, 1, &status, descriptions);
        if (r == 0 && is_real_directory(current))
            tree_follows(move, src, dst);
        Westring renamed;
        if (r == 0 && move && fncompare(directory_part(dst).c_str(), dir.c_str()) == 0)
            renamed = last_component(dst);
        if (r == 0)
            current->last_op = 1;
        finish(panel, descriptions, status, renamed);
        return 0;
    }

    if (given) {
        target = given;
    } else {
        Westring title(esprintf("%s %d file%c to", move ? "Move" : "Copy", tagged, tagged > 1 ? 's' : ' ').c_str());
        CCopyDlg dlg(destination_dir, title, proposal, true, false);
        if (dlg.Process() != RESULT_ACCEPT)
            return -1;
        target = dlg.target;
        file_globals.overwrite_mode = dlg.policy;
    }
    if (blank(target))
        return -1;
    bool dir_target = fncompare(target.c_str(), L"..") == 0 || target[target.strlen() - 1] == L'/';
    if (ResolvePath(target, dir.c_str()) != 0) {
        error(L"Invalid path", nullptr, MB_OK);
        return -1;
    }
    Westring pattern = last_component(target);
    bool wild = has_wildcard(pattern);
    bool exists = wild ? is_directory(directory_part(target).empty() ? Westring(L"/") : directory_part(target))
                       : is_directory(target);
    if (!exists && !IsDevice(target)) {
        error(dir_target || wild ? L"Directory does not exist" : L"Destination must be a valid directory",
              target.c_str(), MB_OK);
        return -1;
    }
    if (!wild && !IsDevice(target))
        target = with_slash(target);
    if ((!move || !SameFS(panel, target)) && !du(panel, 1))
        return -1;
    status.total = static_cast<long long>(panel->tagged_bytes);
    status.start_time = copy_status::clock();
    break_status = 1;
    for (int i = 0; i < panel->Count(); i++)
        panel->entries[i]->last_op = 0;
    int index = 0;
    for (int i = 0; i < panel->Count(); i++) {
        entry* e = panel->entries[i];
        if (!e->tagged)
            continue;
        index++;
        Westring src = join(dir, e->name);
        Westring dst;
        int r = editname(src, target, dst);
        if (r != 0) {
            bool done = true;
            if (fs_error(r, done, src, nullptr, &status) == ANSWER_CANCEL)
                break;
            continue;
        }
        r = move ? move_file(src, dst, index, tagged, &status, descriptions)
                 : copy_file(src, dst, index, tagged, &status, descriptions);
        if (r == 0 && is_real_directory(e))
            tree_follows(move, src, dst);
        if (r == 0) {
            e->tagged = 0;
            e->last_op = 1;
            panel->tagged_count--;
            panel->tagged_bytes -= e->size;
        }
        if (r == -1 || break_status == 2 || file_command_stopped())
            break;
    }
    finish(panel, descriptions, status, Westring());
    return 0;
}

void copy_move_key(int key, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!panels_on() || !panel->showing || panel->type != PanelFiles)
        return;
    // Archives are the archive commands' (bound over these keys), and a
    // copy within one panel has nothing to do inside an archive: no file
    // command ever gets a path inside an archive.
    const PANEL* other = &panel_base[1 - currpanel];
    if (panel->archive || (other->showing && other->type == PanelFiles && other->archive))
        return;
    panel->search = Westring();
    int flags = 0;
    if (key == KEY_F1 + 5 || key == (KEY_SHIFT_F1 + 5))
        flags |= CopyFlagMove;
    if (key == KEY_SHIFT_F1 + 4 || key == KEY_SHIFT_F1 + 5)
        flags |= CopyFlagProposeName;
    file_copy_move(panel_base, currpanel, flags);
    request.redraw = 2;
}
