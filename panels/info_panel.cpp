#include "panels/info_panel.h"

#include "archive/archive.h"
#include "editor/edit.h"

#include "console/colours.h"
#include "console/console.h"
#include "fileops/file_system.h"
#include "foundation/program_name.h"
#include "panels/entry_format.h"
#include "panels/panel.h"
#include "panels/panel_columns.h"
#include "panels/panel_display.h"
#include "panels/panel_windows.h"
#include "panels/read_panel.h"
#include "text/code_page_table.h"
#include "text/text_file.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"
#include "textui/win.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The banner carries the day this file was compiled, in the compiler's
// "Mmm dd yyyy" form.
constexpr const wchar_t* Banner = L"" PANNEX_NAME " " PANNEX_VERSION ", built " __DATE__;

constexpr wchar_t Horizontal = 0x2500;
constexpr wchar_t DoubleHorizontal = 0x2550, DoubleVertical = 0x2551;
constexpr wchar_t BottomLeft = 0x255A, BottomRight = 0x255D;
constexpr wchar_t Replacement = 0xFFFD;

// Rows of the layout, inside the frame.
constexpr int RowBanner = 0, RowRule = 4, RowTotalMem = 5, RowFreeMem = 6, RowError = 7, RowFirstTotal = 8;

// Characters of a dirinfo line read past the width before reading stops:
// a file of one endless line must not hold the panel up.
constexpr long long SkipBudget = 1 << 20;

CSystemFacts system_facts;
CSystemFacts* facts = &system_facts;

// Per side, whether the panel was hidden before it became an info panel.
bool hidden_before[2];

int panel_height()
{
    return config.PanelHeight > 0 ? config.PanelHeight : 1;
}

// The last row inside a panel's frame: the info panel uses the rows a
// files panel gives its separator and status line too.
int last_row()
{
    return panel_height() + 1;
}

int centred(int width, int length)
{
    return std::max(0, (width - length) / 2);
}

unsigned long long pages_times_size(int which)
{
    long pages = sysconf(which);
    long size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0)
        return 0;
    return static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(size);
}

Westring comma_number(long long value, int width)
{
    wchar_t text[40];
    itoa_comma(value, text, static_cast<char>(std::min(width, 30)));
    return Westring(text);
}

// A number right-aligned in the first c - 1 cells in "Tagged", its label
// from there on in the panel's colour. c counts panel columns from the
// frame, so the label starts in column c: its leading blank keeps it off
// the number.
void put_number_line(Win* win, int row, int c, const INFO_NUMBER_LINE& line)
{
    int w = panel_half() - 2;
    win->puts_at(0, row, line.number.lpad(c - 1, L' ').c_str(), ui_colour(ColourTagged));
    win->puts_at(c - 1, row, Westring(line.label).left(std::max(0, w - c + 1)).c_str(), ui_colour(ColourPanel));
}

void put_centred(Win* win, int row, const Westring& text, int attr = -1)
{
    int w = panel_half() - 2;
    Westring cut = text.left(w);
    win->puts_at(centred(w, cut.strlen()), row, cut.c_str(), attr);
}

// The frame of a files panel has junctions where its separator and
// columns meet it; an info panel's is plain.
void plain_frame(Win* win)
{
    int w = panel_half() - 2;
    Westring side(L"");
    side += DoubleVertical;
    for (int row = 0; row <= last_row(); row++) {
        win->puts_at(-1, row, side.c_str());
        win->puts_at(w, row, side.c_str());
    }
    Westring bottom;
    bottom += BottomLeft;
    bottom += Westring().pad(w, DoubleHorizontal);
    bottom += BottomRight;
    win->puts_at(-1, last_row() + 1, bottom.c_str());
}

// Tabs to the next multiple of width, as everywhere else text is shown;
// bytes that are no character of the file's encoding as U+FFFD.
Westring displayable(const wchar_t* text, int len, int tab_width, int cells)
{
    if (tab_width <= 0)
        tab_width = 8;
    Westring out;
    for (int i = 0; i < len && out.strlen() < cells; i++) {
        wchar_t c = text[i];
        if (c == L'\t') {
            int n = tab_width - out.strlen() % tab_width;
            for (int k = 0; k < n; k++)
                out += L' ';
        } else if (IsRawTextByte(c) || (c >= 0xD800 && c <= 0xDFFF)) {
            out += Replacement;
        } else if (c < L' ') {
            out += L' ';
        } else {
            out += c;
        }
    }
    return out.left(cells);
}

// The files listed (directories and ".." are no files: one file is
// "1 file uses", whatever else the directory holds) and the space they
// take in whole allocation units.
int files_in(const PANEL* p, unsigned long block, unsigned long long& bytes)
{
    int files = 0;
    bytes = 0;
    for (int i = 0; i < p->Count(); i++) {
        const entry* e = p->entries[i];
        if (e->IsDirectory())
            continue;
        files++;
        bytes += allocated_size(e->size, block);
    }
    return files;
}

// The described directory's own error: that of its last read, or, since a
// directory that vanished reads as an empty list, what asking for it now
// gives.
int directory_error(const PANEL* about, const INFO_ARCHIVE* archive)
{
    if (about->read_error)
        return about->read_error;
    if (archive || about->path.empty())
        return 0;
    struct stat st;
    if (stat(FileNameToSys(about->GetWD()).c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Up to three lines of "Name : value", left-aligned at a common column
// that centres the longest; the next free row.
int put_details(Win* win, int row, const Westring* lines, int count)
{
    int w = panel_half() - 2;
    int longest = 0;
    for (int i = 0; i < count; i++)
        longest = std::max(longest, std::min(lines[i].strlen(), w));
    int x = centred(w, longest);
    for (int i = 0; i < count && row <= last_row(); i++, row++)
        win->puts_at(x, row, lines[i].left(w).c_str());
    return row;
}

// A label and a path, the path shortened so that both fit in width.
Westring detail_line(const wchar_t* label, const Westring& value, int width)
{
    Westring shown = value;
    collapse_path(shown, std::max(1, width - Westring(label).strlen()));
    return Westring(label) + shown;
}

}

unsigned long long CSystemFacts::TotalPhysicalMem()
{
    return QueryTotalPhysicalMem();
}

unsigned long long CSystemFacts::AvailPhysicalMem()
{
    return QueryAvailPhysicalMem();
}

int CSystemFacts::DiskSpace(const Westring& dir, unsigned long long& total, unsigned long long& free,
                            unsigned long& block)
{
    return pxGetDiskSpace(dir, total, free, block);
}

void set_system_facts(CSystemFacts* f)
{
    facts = f ? f : &system_facts;
}

unsigned long long QueryTotalPhysicalMem()
{
    return pages_times_size(_SC_PHYS_PAGES);
}

unsigned long long QueryAvailPhysicalMem()
{
    return pages_times_size(_SC_AVPHYS_PAGES);
}

unsigned long long allocated_size(unsigned long long size, unsigned long block)
{
    if (block <= 1)
        return size;
    unsigned long long units = size / block + (size % block ? 1 : 0);
    return units * block;
}

Westring files_use_line(int files, unsigned long long bytes)
{
    wchar_t count[16];
    std::swprintf(count, 16, L"%d", files);
    return Westring(count) + (files == 1 ? L" file uses " : L" files use ") +
           comma_number(static_cast<long long>(std::min<unsigned long long>(bytes, 0x7FFFFFFFFFFFFFFFull)), 7) +
           L" bytes in";
}

int archive_total_lines(long long size, long long packed, int width, INFO_NUMBER_LINE out[3])
{
    int n = 0;
    if (size >= 0)
        out[n++] = {comma_number(size, width), L" total uncompressed"};
    out[n++] = {comma_number(packed, width), L" total compressed"};
    if (size >= 0) {
        wchar_t saving[32];
        if (size == 0) {
            std::swprintf(saving, 32, L"0%%");
        } else {
            // Whole tenths of a per cent, cut towards zero; long double so
            // that sizes of many terabytes do not overflow the product.
            long double tenths = static_cast<long double>(size - packed) * 1000.0L / static_cast<long double>(size);
            long long whole = static_cast<long long>(tenths);
            std::swprintf(saving, 32, L"%.1f%%", static_cast<double>(whole) / 10.0);
        }
        out[n++] = {Westring(saving), L" total compression"};
    }
    return n;
}

void info_panel(PANEL* panels, int side)
{
    int target_side = 1 - side;
    PANEL* target = &panels[target_side];
    if (!target->showing) {
        hidden_before[target_side] = true;
        target->type = PanelInfo;
        target->reread_pending = true;
        make_panel(target, target_side);
    } else if (target->type == PanelInfo) {
        target->type = PanelFiles;
        if (hidden_before[target_side]) {
            remove_panel(target);
            target->user_hidden = true;
        } else {
            // The list was left as it was; it may have missed re-reads
            // while the info showed, and the window still holds the info.
            if (target->reread_pending)
                read_panel(target);
            paint_panel(target);
        }
    } else {
        hidden_before[target_side] = false;
        target->type = PanelInfo;
        paint_panel(target);
    }
}

void info_panel_update(int side)
{
    const PANEL* about = &panel_base[1 - side];
    if (about->type != PanelFiles || !about->archive) {
        info_panel_draw(side, nullptr);
        return;
    }
    INFO_ARCHIVE info;
    unsigned long long size = 0, packed = 0;
    about->archive->GetTotals(size, packed);
    // The sums count only known sizes: nothing unpacked known beside
    // packed bytes (a .bz2, whose header keeps no size) means unknown.
    info.size = size == 0 && packed > 0 ? -1 : static_cast<long long>(size);
    info.packed = static_cast<long long>(packed);
    info.archive_path = about->archive->archivePath;
    info.type_name = Westring(about->archive->GetArchTypeName());
    info_panel_draw(side, &info);
}

void info_panel_draw(int side, const INFO_ARCHIVE* archive)
{
    PANEL* info = &panel_base[side];
    const PANEL* about = &panel_base[1 - side];
    if (info->type != PanelInfo || !panel_visible(info))
        return;
    Win* win = info->win.get();
    int half = panel_half();
    int w = half - 2;
    int c = std::min(13, half - 40) + 12;

    console.BeginPaint();
    win->Clear();
    plain_frame(win);
    topline(L"", info == &panel_base[currpanel], side == 1 && config.Clock, info);
    put_centred(win, RowBanner, Banner);
    win->puts_at(0, RowRule, Westring().pad(w, Horizontal).c_str());

    int error = directory_error(about, archive);
    if (error) {
        win->PutParagraph(0, RowError, Westring(GetOSErrorMessage(error).c_str()).c_str());
        info->info_lines = RowError + 1;
        console.EndPaint();
        return;
    }
    put_number_line(win, RowTotalMem, c,
                    {comma_number(static_cast<long long>(facts->TotalPhysicalMem()), c - 1), L" total physical memory"});
    put_number_line(win, RowFreeMem, c,
                    {comma_number(static_cast<long long>(facts->AvailPhysicalMem()), c - 1), L" free physical memory"});
    int row = RowFirstTotal;

    Westring details[3];
    int detail_count = 0;
    if (archive) {
        INFO_NUMBER_LINE lines[3];
        int n = archive_total_lines(archive->size, archive->packed, c - 1, lines);
        for (int i = 0; i < n; i++)
            put_number_line(win, row++, c, lines[i]);
        Westring name = archive->archive_path.filename();
        if (name.strlen() > 25)
            name = name.left(24) + Westring(L"\x10");
        details[detail_count++] = Westring(L"Archive : ") + name;
        details[detail_count++] = Westring(L"Type    : ") + archive->type_name;
    } else {
        unsigned long long total = 0, free = 0;
        unsigned long block = 0;
        if (facts->DiskSpace(about->GetWD(), total, free, block) != 0) {
            put_centred(win, 9, L"Cannot read drive");
            info->info_lines = 10;
            console.EndPaint();
            return;
        }
        put_number_line(win, row++, c, {comma_number(static_cast<long long>(total), c - 1), L" total bytes"});
        put_number_line(win, row++, c, {comma_number(static_cast<long long>(free), c - 1), L" bytes free"});
        unsigned long long bytes;
        int files = files_in(about, block, bytes);
        Westring line = files_use_line(files, bytes);
        put_centred(win, row++, line);
        // The volume label and serial number have no source on Linux file
        // systems: their lines are left out.
        if (!about->mount_point.empty())
            details[detail_count++] = detail_line(L"Mount Point : ", about->mount_point, w);
        if (!about->fs_type.empty())
            details[detail_count++] = Westring(L"File System : ") + about->fs_type;
    }

    Westring dir = archive ? about->path : about->GetWD();
    collapse_path(dir, w - 2);
    put_centred(win, row++, dir);
    row = put_details(win, row, details, detail_count);
    info->info_lines = row;
    if (row <= last_row() && !archive)
        ShowDirInfo(win, about->GetWD(), row);
    console.EndPaint();
}

void ShowDirInfo(Win* win, Westring directory, int row)
{
    int bottom = (win->framed ? win->y2 - 1 : win->y2) - win->origin_y;
    int cells = win->x2 - win->x1 + 1 - 3;
    if (row > bottom || cells <= 0)
        return;
    // Only a regular file: CTextFile opens nothing else, so a FIFO named
    // dirinfo can never block the panel.
    CTextFile file;
    if (file.Open(directory.AppendBackslash() + L"dirinfo") != 0)
        return;
    int width = win->x2 - win->x1 + 1 - 2;
    Westring title(L" Dir Info ");
    win->puts_at(centred(width, title.strlen()), row, title.c_str(), ui_colour(ColourTagged));
    int tab_width = config.TabWidth > 0 ? config.TabWidth : 8;
    long long skipped = 0;
    // Only as many lines as fit are read, each at most one screen line's
    // worth: the rest of a longer line is passed over within a budget.
    for (row++; row <= bottom; row++) {
        int len = 0;
        const wchar_t* text = file.ReadTextLine(len, cells);
        if (!text)
            break;
        win->puts_at(1, row, displayable(text, len, tab_width, cells).c_str());
        while (!file.LastLineEnded() && len >= cells) {
            if (skipped > SkipBudget)
                return;
            if (!file.ReadTextLine(len, cells))
                return;
            skipped += len;
        }
    }
}

void info_side_command(int side, PANEL_REQUEST& request)
{
    int other = 1 - side;
    if (panel_base[other].type == PanelInfo && panel_base[other].showing)
        info_panel(panel_base, side);
    info_panel(panel_base, other);
    make_curr(panel_base, currpanel);
    request.redraw = std::max(request.redraw, 2);
}

void swap_info_sides()
{
    std::swap(hidden_before[0], hidden_before[1]);
}

void edit_dirinfo(int side)
{
    const PANEL* about = &panel_base[1 - side];
    Westring path = about->GetWD().AppendBackslash() + L"dirinfo";
    // The internal editor creates the file when it is saved.
    (void)edit(path.c_str());
    for (int i = 0; i < 2; i++)
        if (panel_base[i].showing && panel_base[i].type == PanelInfo)
            info_panel_update(i);
}
