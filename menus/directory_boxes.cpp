#include "menus/directory_boxes.h"

#include "command/environment.h"
#include "config/config.h"
#include "console/colours.h"
#include "console/console.h"
#include "console/key_codes.h"
#include "panels/change_dir.h"
#include "panels/directory_history.h"
#include "panels/panel.h"
#include "textui/collapse_path.h"
#include "textui/dialog.h"
#include "textui/list_box.h"
#include "textui/message_box.h"
#include "textui/textui_settings.h"

#include <algorithm>

namespace {

constexpr int StoredPaths = 10;

// The box's width inside its frame: the longest stored path (16 to 70),
// rounded up to an even number, plus 6.
int stored_paths_width()
{
    int longest = 16;
    for (const Westring& s : dirstore)
        longest = std::max(longest, s.strlen());
    longest = std::min(longest, 70);
    return longest + (longest & 1) + 6;
}

}

Westring sp_line(short slot, short width)
{
    Westring line = esprintf("%d - ", slot).c_str();
    if (slot < 0 || slot >= StoredPaths || dirstore[slot].empty())
        return line + L"Empty";
    Westring path = dirstore[slot];
    collapse_path(path, width - 6);
    return line + path;
}

bool storepop(PANEL* panel)
{
    int width = stored_paths_width();
    TObjectStore<Westring> lines;
    for (short i = 0; i < StoredPaths; i++)
        lines.AddObject(new Westring(sp_line(i, static_cast<short>(width))));
    int selection = 0;
    Dialog d(-1, -4, width + 2, 12, ui_colour(ColourMenu));
    d.PutCentre(-1, L" Stored Paths ");
    int list = d.AddListBox(0, 0, 1, width, StoredPaths, lines, selection, -1);
    for (;;) {
        int r = d.Process();
        if (r == RESULT_CANCEL)
            return false;
        if (r >= '0' && r <= '9') {
            selection = r - '0';
            r = RESULT_ACCEPT;
        }
        if (r == KEY_INS || r == KEY_DEL) {
            dirstore[selection] = r == KEY_INS ? panel->GetWD() : Westring();
            *lines[selection] = sp_line(static_cast<short>(selection), static_cast<short>(width));
            Event ev;
            ev.type = EventListRedraw;
            d.SendMessage(list, ev);
            continue;
        }
        if (r != RESULT_ACCEPT)
            continue;
        if (dirstore[selection].empty()) {
            d.Draw(list);
            continue;
        }
        Westring dir = dirstore[selection];
        SubstEnvVars(dir);
        if (!panel->ChangeVirtualWD(dir))
            (void)error(L"Invalid directory", dir.c_str());
        return true;
    }
}

Westring DirHistorySelect()
{
    int count = DirectoryHistory.Count();
    if (count == 0)
        return Westring();
    TObjectStore<Westring> paths;
    int longest = 21;
    for (int i = 0; i < count; i++) {
        paths.AddObject(new Westring(DirectoryHistory.At(i)));
        longest = std::max(longest, DirectoryHistory.At(i).strlen());
    }
    int width = std::min(longest, console.Columns() - 6);
    int height = std::min(count, console.Lines() - 5);
    int selection = count - 1;
    Dialog d(-1, -4, width + 2, height + 2, ui_colour(ColourMenu));
    d.PutCentre(-1, L" Directory History ");
    d.AddListBox(0, 0, 1, width, height, paths, selection, 0);
    if (d.Process() != RESULT_ACCEPT)
        return Westring();
    return *paths.At(selection);
}

void DirHistoryBox(PANEL* panel)
{
    Westring dir = DirHistorySelect();
    if (dir.empty() || !panel->ChangeVirtualWD(dir))
        return;
    int side = panel_side(panel);
    change_dir(panel_base, side, L"", 0, 0, 0);
}
