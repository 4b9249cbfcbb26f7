#include "fileops/file_info_dialog.h"

#include "console/console.h"
#include "fileops/panel_entries.h"
#include "panels/entry_format.h"
#include "panels/panel.h"
#include "textui/collapse_path.h"
#include "textui/textui_settings.h"

#include <algorithm>

namespace {

Westring size_text(long long bytes)
{
    return FileInfoSizeFormat(bytes);
}

// A link's target gets the room the screen leaves beside the labels.
void shorten_target(Westring& target)
{
    collapse_path(target, console.Columns() - 20);
}

int text_width(const char* s)
{
    return Westring(s).strlen();
}

const PushButtonData OkButton[] = {{RESULT_ACCEPT, "_OK"}, {0, nullptr}};

int dialog_width(const Westring& path, CFileInfoItems& items, int& labelWidth)
{
    labelWidth = 0;
    int valueWidth = 0;
    for (int i = 0; i < items.count; i++) {
        labelWidth = std::max(labelWidth, text_width(items[i]->label.c_str()));
        valueWidth = std::max(valueWidth, items[i]->value.strlen());
    }
    int w = std::max(labelWidth + valueWidth + 2, path.strlen()) + 4;
    return std::min(w, console.Columns() - 3);
}

}

Westring FileInfoSizeFormat(long long size)
{
    wchar_t wide[32], narrow[32];
    itoa_comma(size, wide, 20);
    itoa_comma(size, narrow, 6);
    if (std::wcscmp(wide, narrow) == 0)
        return Westring(wide);
    return Westring(wide) + L" (" + narrow + L")";
}

CFileInfoDlg::CFileInfoDlg(const Westring& path, CFileInfoItems& items)
    : Dialog(-1, -2, [&] { int l; return dialog_width(path, items, l); }(), items.count + 6,
             ui_colour(ColourMessages))
{
    int labelWidth;
    int inner = dialog_width(path, items, labelWidth) - 2;
    AddPushButtonGroup(-1, -1, 1, OkButton);
    put_frame_title(*this, " File Information ");
    AddStaticText(-1, 0, shorten(path, inner).c_str());
    for (int i = 0; i < items.count; i++) {
        const CFileInfoItem* item = items[i];
        Westring label = String(L' ', labelWidth - text_width(item->label.c_str())) + Westring(item->label.c_str()) + L":";
        AddStaticText(1, 2 + i, label.c_str());
        Westring value = item->value.left(std::max(0, inner - (labelWidth + 3)));
        AddStaticText(labelWidth + 3, 2 + i, value.c_str());
    }
}

void FileInfo(const Westring& path)
{
    CFileInfoItems items;
    FileInfoFormat format;
    format.size = size_text;
    format.target = shorten_target;
    if (!GetFileInfo(path, items, format))
        return;
    CFileInfoDlg dlg(path, items);
    (void)dlg.Process();
}

void file_info_key(int, PANEL_REQUEST& request)
{
    PANEL* panel = &panel_base[currpanel];
    if (!panel->showing || !files_panel(panel) || !panel->Current() || panel->archive)
        return;
    FileInfo(entry_path(panel, panel->Current()));
    request.redraw = 2;
}
