#include "fileops/panel_entries.h"

#include "textui/collapse_path.h"
#include "textui/win.h"

#include <cstring>

Westring join_path(const Westring& dir, const Westring& name)
{
    if (!dir.empty() && dir[dir.strlen() - 1] == L'/')
        return dir + name;
    return dir + L"/" + name;
}

Westring entry_path(const PANEL* panel, const entry* e)
{
    return join_path(panel->GetWD(), Westring(e->name));
}

bool files_panel(const PANEL* panel)
{
    return panel->type == PanelFiles && panel->detail != DetailTree;
}

std::vector<entry*> chosen_entries(const PANEL* panel)
{
    std::vector<entry*> chosen;
    if (panel->tagged_count > 0) {
        for (int i = 0; i < panel->Count(); i++)
            if (panel->entries[i]->tagged)
                chosen.push_back(panel->entries[i]);
        return chosen;
    }
    entry* e = panel->Current();
    if (e && !e->IsUpDir())
        chosen.push_back(e);
    return chosen;
}

void put_frame_title(Win& w, const char* title)
{
    int width = w.x2 - w.x1 + 1;
    int len = static_cast<int>(std::strlen(title));
    // Relative to the origin, which lies one cell inside the frame.
    w.puts_at((width - len) / 2 - (w.origin_x - w.x1), w.y1 - w.origin_y, title);
}

Westring shorten(const Westring& name, int width)
{
    Westring s = name;
    collapse_path(s, width);
    return s;
}
