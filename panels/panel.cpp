#include "panels/panel.h"

#include "fileops/file_system.h"
#include "fileops/path_grammar.h"
#include "textui/win.h"

#include <sys/stat.h>

PANEL panel_base[2];
int currpanel = 0;

void PanelWinDeleter::operator()(Win* w) const
{
    delete w;
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
    // FIXME: inside an archive, the directory holding the outermost archive
    // file, once the archive model exists.
    return path;
}

bool PANEL::ChangeVirtualWD(Westring to)
{
    Westring base = IsAbsolute(path) ? path : PxGetCwd();
    if (ResolvePath(to, base.empty() ? nullptr : base.c_str()) != 0)
        return false;
    if (to.strlen() > 1)
        RemoveBackslash(to);
    // Every component must exist and be a directory. Each is examined by
    // name, never through a wildcard search, so a "?" or "*" in a path can
    // only name itself.
    Westring walked;
    int len = to.strlen();
    for (int i = 1; i <= len; i++) {
        if (i < len && to[i] != L'/')
            continue;
        walked = to.left(i);
        struct stat st;
        Estring sys = FileNameToSys(walked);
        if (lstat(sys.c_str(), &st) != 0)
            return false;
        if (S_ISLNK(st.st_mode) && stat(sys.c_str(), &st) != 0)
            return false;
        if (!S_ISDIR(st.st_mode)) {
            // FIXME: a file on the way is opened as an archive and entered
            // once the archive model exists.
            return false;
        }
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
