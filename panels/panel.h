#ifndef PANNEX_PANELS_PANEL_H
#define PANNEX_PANELS_PANEL_H

#include "config/config.h"
#include "entries/entry.h"
#include "foundation/westring.h"
#include "panels/link_target_cache.h"
#include "panels/position_stack.h"
#include "panels/subdirectory_list.h"

#include <memory>

class Archive;
class Win;

// Destroys a panel's window, restoring what it covered.
struct PanelWinDeleter
{
    void operator()(Win* w) const;
};

// Closes a chain of archives, innermost first.
struct ArchiveChainDeleter
{
    void operator()(Archive* innermost) const;
};

// One file panel: a directory, its entries in display order, the cursor and
// scroll position, sort order, layout, filter and the caches that go with
// them. The two panels of the program live in panel_base for the whole run;
// every field belongs to the logic thread.
//
// Positions: the entry under the cursor is entries[top + cursor]; cursor is
// the row on the page (0 .. page_size - 1), top the first entry shown.
struct PANEL
{
    PANEL();
    ~PANEL();
    PANEL(PANEL&&) noexcept;
    PANEL& operator=(PANEL&&) noexcept;
    PANEL(const PANEL&) = delete;
    PANEL& operator=(const PANEL&) = delete;

    // The current directory: absolute and normal, of any length.
    Westring path;
    // The directory before the last change; equal to path after each one.
    // read_panel compares the two to tell a re-read from a new directory.
    Westring prev_path;
    // Top and cursor as the main loop saw them at its last iteration.
    int saved_top = 0, saved_cursor = 0;
    // Where Ctrl+- goes back to, and the position to restore there.
    Westring back_path;
    int back_top = 0, back_cursor = 0;
    int cursor = 0;
    int top = 0;
    bool showing = false;
    // The directory must be read before the panel is shown again.
    bool reread_pending = false;
    // The panel must be painted before it is shown again.
    bool repaint_pending = false;
    // Switched off by the user (Ctrl+O, Ctrl+F1, Ctrl+F2).
    bool user_hidden = false;
    std::unique_ptr<Win, PanelWinDeleter> win;
    CPosStack positions;
    CEntryList entries;
    int tagged_count = 0;
    unsigned long long tagged_bytes = 0;
    // The quick-search text; empty when no search is going on.
    Westring search;
    sortby sort = SortName;
    paneltype type = PanelFiles;
    paneldetail detail = DetailFull;
    // The filter expression files must satisfy to be listed.
    Westring filter = L"*";
    // Entries per screen page for the present detail (page_size_for).
    int page_size = 1;
    // Type of the file system holding the directory; empty when unknown.
    Westring fs_type;
    Westring mount_point;
    // errno (or status code) of the last failed read; 0 when none.
    int read_error = 0;
    // The directory tree is not held here: tools/ keeps one per file
    // system, found from path (panels/tree_hooks.h).
    // The innermost archive the panel shows, or null; each links to the
    // archive its file was extracted from, and the panel owns the chain.
    std::unique_ptr<Archive, ArchiveChainDeleter> archive;
    // Columns the current entry's long name is scrolled, and the index of
    // the entry the scroll belongs to (-1: none).
    int name_scroll = 0;
    int name_scroll_entry = -1;
    // Lines of text an info panel shows.
    int info_lines = 0;
    CSubdirectoryList subdirs;
    CLinkTargetCache link_targets;

    int Count() const { return entries.Count(); }
    int CurrentIndex() const { return top + cursor; }
    // The entry under the cursor; null for an empty list.
    entry* Current() const;
    // The real directory of the panel: inside an archive, the directory
    // holding the outermost archive file (commands run there).
    Westring GetWD() const;
    // Moves the panel to path (relative paths start at the panel's own
    // directory) when every component of it exists and is a directory, or
    // an archive file (entered; a member of an archive that is itself an
    // archive is extracted and entered nested) or a directory inside one.
    // Archives the path leaves are closed. Only the path and the archive
    // chain change; the caller reads the panel. True on success.
    [[nodiscard]] bool ChangeVirtualWD(Westring path);
    // Inside an archive: the directory inside the innermost archive that
    // path names ("" at its root).
    Westring ArchiveDirectory() const;
    // Closes the innermost archive; its parent becomes the panel's.
    void CloseArchive();
    // The mount-point chooser; all lists every mount, not only the user's
    // own. True when the panel moved.
    bool ChooseMountPoint(bool all);
};

// The two panels: 0 left, 1 right.
extern PANEL panel_base[2];
// The side with the cursor, 0 or 1.
extern int currpanel;

// The side a panel is on: 1 for panel_base[1], else 0.
int panel_side(const PANEL* panel);

// Entries per screen page in a detail: the panel height times the number
// of name columns (3 brief, 2 brief-wide, 1 otherwise).
int page_size_for(paneldetail detail);

// Puts the cursor on the first entry named exactly name, keeping it on the
// page; an unknown name leaves the cursor where it was, clamped to the page.
void goto_fname(PANEL* panel, const wchar_t* name);

// Clamps top and cursor into the list and the page.
void clamp_position(PANEL* panel);

// Whether prefix is path itself or a directory above it ("/x/t.zip" is a
// prefix of "/x/t.zip/docs", not of "/x/t.zip2").
bool is_path_prefix(const Westring& prefix, const Westring& path);

// How archives are read: the code page of their 8-bit names.
struct ArchiveSettings archive_settings();

// Closes the archives of both panels, writing changed members back; at exit.
void close_panel_archives();

#endif
