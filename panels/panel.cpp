#include "panels/panel.h"

#include "archive/archive.h"
#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "textui/win.h"

#include <cwchar>
#include <sys/stat.h>
#include <vector>

PANEL panel_base[2];
int currpanel = 0;

void PanelWinDeleter::operator()(Win* w) const
{
    delete w;
}

void ArchiveChainDeleter::operator()(Archive* a) const
{
    while (a) {
        Archive* parent = a->parent;
        delete a;
        a = parent;
    }
}

PANEL::PANEL() = default;
PANEL::~PANEL() = default;
PANEL::PANEL(PANEL&&) noexcept = default;
PANEL& PANEL::operator=(PANEL&&) noexcept = default;

entry* PANEL::Current() const
{
    int i = CurrentIndex();
    return i >= 0 && i < Count() ? entries[i] : nullptr;
}

Westring PANEL::GetWD() const
{
    if (!archive)
        return path;
    const Archive* outer = archive.get();
    while (outer->parent)
        outer = outer->parent;
    Westring dir = outer->archivePath.path();
    return dir.empty() ? Westring(L"/") : dir;
}

Westring PANEL::ArchiveDirectory() const
{
    if (!archive)
        return Westring();
    Westring root = archive->VirtualRoot();
    int n = root.strlen();
    if (path.strlen() <= n + 1)
        return Westring();
    return path.mid(n + 1, 0);
}

void PANEL::CloseArchive()
{
    Archive* a = archive.release();
    if (!a)
        return;
    Archive* parent = a->parent;
    delete a;
    archive.reset(parent);
}

bool is_path_prefix(const Westring& prefix, const Westring& path)
{
    int n = prefix.strlen();
    if (n > path.strlen() || std::wcsncmp(prefix.c_str(), path.c_str(), static_cast<size_t>(n)) != 0)
        return false;
    return path[n] == 0 || path[n] == L'/' || (n > 0 && prefix[n - 1] == L'/');
}

ArchiveSettings archive_settings()
{
    ArchiveSettings s;
    s.CodePage = config.CodePage;
    return s;
}

void close_panel_archives()
{
    for (PANEL& p : panel_base)
        p.archive.reset();
}

namespace {

bool file_exists(const Westring& path)
{
    struct stat st;
    return stat(FileNameToSys(path).c_str(), &st) == 0;
}

// 1 for a directory (or a link to one), 0 for anything else that exists,
// -1 when nothing of that name exists. Examined by name, never through a
// wildcard search, so a "?" or "*" in a path can only name itself.
int kind_of(const Westring& path)
{
    struct stat st;
    Estring sys = FileNameToSys(path);
    if (lstat(sys.c_str(), &st) != 0)
        return -1;
    if (S_ISLNK(st.st_mode) && stat(sys.c_str(), &st) != 0)
        return -1;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

// The archives opened on the way to a new path, innermost last; closed
// again unless the panel takes them.
struct OpenedChain
{
    std::vector<Archive*> opened;
    ~OpenedChain()
    {
        for (auto it = opened.rbegin(); it != opened.rend(); ++it)
            delete *it;
    }
};

} // namespace

bool PANEL::ChangeVirtualWD(Westring to)
{
    Westring base = IsAbsolute(path) ? path : PxGetCwd();
    if (ResolvePath(to, base.empty() ? nullptr : base.c_str()) != 0)
        return false;
    if (to.strlen() > 1)
        RemoveBackslash(to);

    // The part of the present path that the new one shares, cut at a "/".
    Westring common = path;
    while (!common.empty() && !is_path_prefix(common, to)) {
        int slash = common.rchr(L'/');
        common = slash <= 0 ? Westring() : common.left(slash);
    }
    if (common.empty() || IsRoot(to))
        common = IsRoot(to) ? to : Westring(L"/");

    // The innermost open archive that the new path stays in (with its file
    // still there); those inside it close once the new path is reached,
    // so a failed change leaves the panel as it was.
    Archive* keep = archive.get();
    while (keep && (!is_path_prefix(keep->VirtualRoot(), common) || !file_exists(keep->archivePath)))
        keep = keep->parent;
    for (Archive* a = keep; a; a = a->parent)
        if (!file_exists(a->archivePath)) {
            keep = a->parent;
        }

    OpenedChain chain;
    Archive* inner = keep;
    // Walked from the innermost kept archive's root, or from "/" outside
    // every archive: each component outside is examined again, which
    // costs a stat and catches a directory that went away.
    Westring walked = inner ? common : Westring(L"/");
    if (inner && !is_path_prefix(inner->VirtualRoot(), walked))
        walked = inner->VirtualRoot();
    int len = to.strlen();
    int i = walked.strlen();
    while (i < len) {
        if (to[i] == L'/')
            i++;
        int end = i;
        while (end < len && to[end] != L'/')
            end++;
        if (end == i)
            break;
        Westring component = to.mid(i, end - i);
        Westring next = walked.AppendBackslash() + component;
        if (inner) {
            Westring root = inner->VirtualRoot();
            Westring dir = walked.strlen() > root.strlen() ? walked.mid(root.strlen() + 1, 0) : Westring();
            Westring below = dir.empty() ? component : dir + L"/" + component;
            ArchiveListEntry e;
            const ArchiveEntry* member = inner->FindMember(dir, component);
            if (member && !member->IsDirectory()) {
                // A member that is an archive itself opens nested; its
                // parent lists the directory holding it meanwhile.
                if (inner->FindFirst(dir, e) != 0)
                    return false;
                // Archives inside the kept one close now: the extraction
                // replaces the kept archive's temporary member, which may
                // be the file of one of them.
                if (inner == keep && archive.get() != keep) {
                    while (archive.get() != keep)
                        CloseArchive();
                    path = common;
                }
                Westring file;
                if (TmpExtractFile(*inner, component, file) != 0)
                    return false;
                auto* nested = new Archive(file, inner, archive_settings());
                if (nested->status != 0) {
                    delete nested;
                    return false;
                }
                chain.opened.push_back(nested);
                inner = nested;
            } else if (inner->FindFirst(below, e) != 0) {
                return false;
            }
        } else {
            int kind = kind_of(next);
            if (kind < 0)
                return false;
            if (kind == 0) {
                auto* opened = new Archive(next, nullptr, archive_settings());
                if (opened->status != 0) {
                    delete opened;
                    return false;
                }
                chain.opened.push_back(opened);
                inner = opened;
            }
        }
        walked = next;
        i = end;
    }

    while (archive.get() != keep)
        CloseArchive();
    if (!chain.opened.empty()) {
        (void)archive.release();
        archive.reset(chain.opened.back());
        chain.opened.clear();
    }
    path = to;
    return true;
}

int panel_side(const PANEL* panel)
{
    return panel == &panel_base[1] ? 1 : 0;
}

int page_size_for(paneldetail detail)
{
    int h = config.PanelHeight > 0 ? config.PanelHeight : 1;
    if (detail == DetailBrief)
        return h * 3;
    if (detail == DetailBriefWide)
        return h * 2;
    return h;
}

void clamp_position(PANEL* p)
{
    int n = p->Count();
    if (p->page_size < 1)
        p->page_size = 1;
    if (n == 0) {
        p->top = p->cursor = 0;
        return;
    }
    if (p->top > n - 1)
        p->top = n - 1;
    if (p->top < 0)
        p->top = 0;
    if (p->cursor > p->page_size - 1)
        p->cursor = p->page_size - 1;
    if (p->top + p->cursor > n - 1)
        p->cursor = n - 1 - p->top;
    if (p->cursor < 0)
        p->cursor = 0;
}

void goto_fname(PANEL* p, const wchar_t* name)
{
    int n = p->Count();
    for (int i = 0; i < n; i++) {
        if (fncompare(p->entries[i]->name, name) != 0)
            continue;
        p->cursor = i - p->top;
        if (p->cursor < 0) {
            p->top = i;
            p->cursor = 0;
        } else if (p->cursor >= p->page_size) {
            p->top = i - p->page_size + 1;
            p->cursor = p->page_size - 1;
        }
        return;
    }
    clamp_position(p);
}
