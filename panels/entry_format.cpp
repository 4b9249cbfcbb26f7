#include "panels/entry_format.h"

#include "config/associations.h"
#include "console/colours.h"
#include "fileops/file_system.h"
#include "fileops/permissions.h"
#include "panels/country_info.h"
#include "panels/panel_columns.h"
#include "panels/tree_hooks.h"
#include "textui/textui_settings.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

constexpr wchar_t Separator = 0x2502;  // │
constexpr wchar_t LinkArrow = 0x00BB;  // »
constexpr wchar_t HiddenMark = 0x2591; // ░
constexpr unsigned char BrokenLinkRed = 12;

unsigned char with_foreground(unsigned char attr, unsigned char fg_of)
{
    return static_cast<unsigned char>((attr & 0xF0) | (fg_of & 0x0F));
}

// Tagged entries in "Tagged"; directories in "Directories" and files in
// "Panel", each changed by the first matching [Directory Colours] or
// [Colours] association.
unsigned char normal_colour(const entry* e)
{
    if (e->tagged)
        return ui_colour(ColourTagged);
    bool dir = e->IsDirectory();
    unsigned char colour = ui_colour(dir ? ColourDirectories : ColourPanel);
    const AssociationSet& set = dir ? colourDirAssociations : colourAssociations;
    Estring spec;
    if (set.count && set.FindAssociation(e, spec))
        colour = Str2Attr(spec, colour);
    return colour;
}

// The name and, for a link, " » target", in the entry's colour.
CellString name_text(PANEL* p, const entry* e, unsigned char attr)
{
    CellString text(e->DisplayName().c_str(), attr);
    if (e->attributes & AttrSymLink) {
        unsigned char arrow = (e->attributes & AttrBrokenLink)
                                  ? with_foreground(attr, BrokenLinkRed)
                                  : with_foreground(attr, ui_colour(ColourTagged));
        text += ScreenCell(L' ', attr);
        text += ScreenCell(LinkArrow, arrow);
        text += ScreenCell(L' ', attr);
        text += p->link_targets.GetLinkTarget(p->path.AppendBackslash() + e->name);
    }
    return text;
}

wchar_t marker_of(const entry* e)
{
    bool file_link = (e->attributes & AttrSymLink) && !e->IsDirectory();
    if (file_link)
        return L'@';
    if (e->attributes & (AttrHidden | AttrSystem))
        return HiddenMark;
    return 0;
}

// The name field of width cells: scrolled, compacted, padded, marked.
CellString name_field(PANEL* p, const entry* e, unsigned char attr, int width, int* scroll)
{
    CellString text = name_text(p, e, attr);
    wchar_t marker = marker_of(e);
    int room = marker ? width - 1 : width;
    if (room < 0)
        room = 0;
    if (scroll) {
        while (*scroll > 0 && text.length() - *scroll < room)
            (*scroll)--;
        if (*scroll > 0)
            text = text.mid(*scroll, -1);
    }
    if (text.length() > room)
        compact_name(text, room);
    CellString field = text.pad(room);
    if (marker && width > 0)
        field += ScreenCell(marker, attr);
    return field;
}

unsigned long long power10(int n)
{
    unsigned long long r = 1;
    for (int i = 0; i < n && i < 19; i++)
        r *= 10;
    return r;
}

Westring directory_label(const entry* e, int width)
{
    bool wide = width >= 10;
    const wchar_t* label;
    if (e->IsUpDir())
        label = wide ? L" UP-DIR " : L"UP-DIR";
    else if (e->attributes & AttrSymLink)
        label = wide ? L"  LINK  " : L" LINK ";
    else
        label = wide ? L" SUBDIR " : L"SUBDIR";
    // The unix layout's size column may be narrower than a label between
    // its two marks; the label then goes without them rather than cut.
    if (width < 8)
        return Westring(label);
    return Westring() + CutMark + label + LeftMark;
}

bool has_no_time(const entry* e)
{
    return e->time.seconds == -1 && e->time.nanoseconds == static_cast<unsigned>(-1);
}

Westring date_field(const entry* e)
{
    ExpandedTime t;
    e->time.Expand(t);
    int a = t.month, b = t.day, c = t.year % 100;
    if (date_fmt == 1) {
        a = t.day;
        b = t.month;
    } else if (date_fmt == 2) {
        a = t.year % 100;
        b = t.month;
        c = t.day;
    }
    return Westring(esprintf(date_str.c_str(), a, b, c).c_str());
}

Westring time_field(const entry* e)
{
    ExpandedTime t;
    e->time.Expand(t);
    char buf[16];
    if (config.TimeMode == 12) {
        int hour = t.hour % 12 == 0 ? 12 : t.hour % 12;
        std::snprintf(buf, sizeof buf, "%2d:%02d%c", hour, t.minute, t.hour < 12 ? 'a' : 'p');
    } else {
        std::snprintf(buf, sizeof buf, "%3d:%02d", t.hour, t.minute);
    }
    return Westring(buf);
}

void add_separator(CellString& out, unsigned char attr)
{
    out += ScreenCell(Separator, with_foreground(attr, ui_colour(ColourPanel)));
}

void add_field(CellString& out, const Westring& text, int width, unsigned char attr, bool right_align)
{
    Westring t = right_align ? text.lpad(width, L' ') : text.pad(width, L' ');
    out.Append(t.c_str(), attr, width);
}

}

Westring size_field(const entry* e, int width)
{
    wchar_t buf[40];
    bool known = !e->IsDirectory() || e->depth == 1;
    Westring text;
    if (!known) {
        text = directory_label(e, width);
    } else if (static_cast<long long>(e->size) < 0) {
        text = Westring();
    } else if (config.ThousandSep) {
        itoa_comma(static_cast<long long>(e->size), buf, static_cast<char>(width));
        text = buf;
    } else {
        unsigned long long size = e->size;
        if (size < power10(width))
            std::swprintf(buf, 40, L"%llu", size);
        else if (size / 1024 < power10(width - 1))
            std::swprintf(buf, 40, L"%lluK", size / 1024);
        else
            std::swprintf(buf, 40, L"%lluM", size / 1048576);
        text = buf;
    }
    return text.lpad(width, L' ');
}

void format_entry(CellString& out, PANEL* p, int index, int colour, int* scroll, paneldetail detail,
                  int name_width)
{
    const entry* e = p->entries[index];
    unsigned char attr = colour ? static_cast<unsigned char>(colour) : normal_colour(e);
    out = CellString();
    out.SetAttr(attr);
    CellString name = name_field(p, e, attr, name_width, scroll);
    switch (detail) {
    case DetailFull: {
        out += name;
        add_separator(out, attr);
        add_field(out, size_field(e, column_width(detail, ColumnSize)), column_width(detail, ColumnSize), attr, true);
        add_separator(out, attr);
        int dw = column_width(detail, ColumnDate), tw = column_width(detail, ColumnTime);
        bool blank = has_no_time(e) || e->IsUpDir();
        add_field(out, blank ? Westring() : date_field(e), dw, attr, false);
        add_separator(out, attr);
        add_field(out, blank ? Westring() : time_field(e), tw, attr, true);
        break;
    }
    case DetailWide: {
        int sw = column_width(detail, ColumnSize);
        add_field(out, size_field(e, sw), sw, attr, true);
        add_separator(out, attr);
        out += name;
        break;
    }
    case DetailUnix: {
        out += name;
        add_separator(out, attr);
        int sw = column_width(detail, ColumnSize);
        add_field(out, size_field(e, sw), sw, attr, true);
        add_separator(out, attr);
        add_field(out, Westring(UnixMode2Str(e->mode)), column_width(detail, ColumnPermissions), attr, false);
        add_separator(out, attr);
        add_field(out, UID2Str(e->uid), column_width(detail, ColumnOwner), attr, false);
        add_separator(out, attr);
        add_field(out, GID2Str(e->gid), column_width(detail, ColumnGroup), attr, false);
        break;
    }
    case DetailTree: {
        // Two cells per level: a line where the level's branch goes on,
        // then this node's own joint; its size holds the branch bits.
        int depth = std::max(static_cast<int>(e->depth), 0);
        Westring prefix;
        for (int level = 1; level < depth; level++)
            prefix += (e->size >> level) & 1 ? L"\u2502 " : L"  ";
        if (depth >= 1) {
            prefix += (e->size >> depth) & 1 ? L'\u251C' : L'\u2514';
            prefix += tree_hooks->Collapsed(e) ? L'+' : L'\u2500';
        }
        out.Append(prefix.c_str(), attr, prefix.strlen());
        out += name_field(p, e, attr, std::max(name_width - prefix.strlen(), 1), scroll);
        out = out.left(name_width);
        break;
    }
    default:
        out += name;
        break;
    }
}

void print_entry(CellString& out, PANEL* p, int index, int colour, int* scroll)
{
    int x, y, width;
    ColInfo(x, y, width, p->detail, index - p->top);
    format_entry(out, p, index, colour, scroll, p->detail, width);
}

void compact_name(CellString& text, int width)
{
    if (width <= 0) {
        text = text.left(0);
        return;
    }
    if (text.length() <= width)
        return;
    int dot = text.rchr(L'.');
    int ext = dot >= 0 ? text.length() - dot : 0;
    if (config.KeepExtVisible && dot > 0 && ext <= width / 2) {
        CellString r = text.left(width - ext);
        r += text.mid(dot, -1);
        r[width - ext - 1].ch = CutMark;
        text = r;
        return;
    }
    text = text.left(width);
    text[width - 1].ch = CutMark;
}

void addCommas(wchar_t* out, const wchar_t* digits)
{
    int n = static_cast<int>(std::wcslen(digits));
    int o = 0;
    for (int i = 0; i < n; i++) {
        if (i > 0 && (n - i) % 3 == 0 && digits[i - 1] != L'-')
            out[o++] = thousand_separator;
        out[o++] = digits[i];
    }
    out[o] = 0;
}

void itoa_comma(long long value, wchar_t* out, char width)
{
    int digits = std::min(width - width / 4, 18);
    long long limit = static_cast<long long>(power10(digits));
    const wchar_t* suffixes = L"KMGT";
    int suffix = -1;
    if (value >= limit) {
        value /= 1024;
        suffix = 0;
        if (width % 4 != 0)
            limit /= 10;
        while (value > limit && suffix < 3) {
            value /= 1024;
            suffix++;
        }
    }
    wchar_t plain[32];
    std::swprintf(plain, 32, L"%lld", value);
    addCommas(out, plain);
    if (suffix >= 0) {
        size_t n = std::wcslen(out);
        out[n] = suffixes[suffix];
        out[n + 1] = 0;
    }
}

void itoa_comma(unsigned long value, wchar_t* out, char width)
{
    int digits = std::min(width - width / 4, 11);
    unsigned long limit = static_cast<unsigned long>(power10(digits));
    wchar_t suffix = 0;
    if (value > limit) {
        value /= 1024;
        suffix = L'K';
        if (value > limit / 10) {
            value /= 1024;
            suffix = L'M';
        }
    }
    wchar_t plain[32];
    std::swprintf(plain, 32, L"%lu", value);
    addCommas(out, plain);
    if (suffix) {
        size_t n = std::wcslen(out);
        out[n] = suffix;
        out[n + 1] = 0;
    }
}
