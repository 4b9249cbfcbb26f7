#ifndef PANNEX_PANELS_INFO_PANEL_H
#define PANNEX_PANELS_INFO_PANEL_H

#include "foundation/westring.h"
#include "panels/panel_commands.h"

struct PANEL;
class Win;

// The info panel: one panel shows, instead of its list, facts about the
// other one: memory, the disk's totals (or an archive's), the directory
// with its mount point and file system, and the directory's own notes
// from a file "dirinfo". Logic thread.

// The facts about the machine an info panel shows. The system's are used
// unless a test puts fixed ones in their place with set_system_facts.
class CSystemFacts
{
public:
    virtual ~CSystemFacts() = default;
    // Bytes of physical memory in all, and available now; 0 when unknown.
    virtual unsigned long long TotalPhysicalMem();
    virtual unsigned long long AvailPhysicalMem();
    // As pxGetDiskSpace: 0, or the errno of asking.
    [[nodiscard]] virtual int DiskSpace(const Westring& dir, unsigned long long& total, unsigned long long& free,
                                        unsigned long& block);
};
// facts stays the caller's and must outlive its use; null puts the
// system's back.
void set_system_facts(CSystemFacts* facts);

// The page size times the number of physical pages (all, or available),
// as 64-bit byte counts; 0 when the system does not tell.
unsigned long long QueryTotalPhysicalMem();
unsigned long long QueryAvailPhysicalMem();

// What an info panel shows of an archive the described panel is in.
struct INFO_ARCHIVE
{
    // Sums over the members; size below 0 when the uncompressed total is
    // not known.
    long long size = -1;
    long long packed = 0;
    Westring archive_path;
    Westring type_name;
};

// One line of a number and its label.
struct INFO_NUMBER_LINE
{
    Westring number;
    const wchar_t* label = L"";
};

// The lines of an archive's totals, numbers fitted to width cells: the
// uncompressed total (when known), the compressed one, and the saving
// (when the uncompressed total is known). Their number.
int archive_total_lines(long long size, long long packed, int width, INFO_NUMBER_LINE out[3]);

// size rounded up to a whole number of allocation units of block bytes
// (block 0 counts as 1).
unsigned long long allocated_size(unsigned long long size, unsigned long block);

// "1 file uses 4,096 bytes in", "3 files use 12,288 bytes in": the line
// over the directory's name.
Westring files_use_line(int files, unsigned long long bytes);

// Ctrl+L: the panel opposite to side becomes an info panel about
// panels[side], or back into a files panel (hidden again when it was
// hidden before it became one).
void info_panel(PANEL* panels, int side);
// Draws the info panel on side (about the other side); nothing when that
// panel shows no info or its window is not on screen.
void info_panel_update(int side);
// The same with the archive the described panel is in; archive may be
// null.
void info_panel_draw(int side, const INFO_ARCHIVE* archive);
// " Dir Info " and the lines of directory's "dirinfo" from row on, as many
// as fit in win; nothing when there is no such regular file.
void ShowDirInfo(Win* win, Westring directory, int row);

// The side menus' "Info": the side named becomes an info panel about the
// other side, or back; an info panel on the other side goes back first.
void info_side_command(int side, PANEL_REQUEST& request);
// Ctrl+U: the memory of which side was hidden before it showed info moves
// with the panels.
void swap_info_sides();
// F4 on an info panel and a double-click below its text: the described
// directory's "dirinfo" in the internal editor. side is the info panel's.
void edit_dirinfo(int side);

#endif
