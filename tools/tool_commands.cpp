#include "tools/tool_commands.h"

#include "console/key_codes.h"
#include "panels/change_dir.h"
#include "panels/key_commands.h"
#include "panels/panel.h"
#include "tools/dir_compare.h"
#include "tools/help_file.h"
#include "tools/help_viewer.h"
#include "tools/tree_popup.h"

namespace {

constexpr int TreePopupWidth = 70;

void help_contents(int, PANEL_REQUEST& request)
{
    help(HelpContents);
    request.redraw = 1;
}

// Alt+F10: the pop-up tree; the current panel goes to the directory chosen.
void directory_tree(int, PANEL_REQUEST& request)
{
    PANEL* p = &panel_base[currpanel];
    if (p->type != PanelFiles)
        return;
    Westring path;
    if (tree_popup(p, path, TreePopupWidth) != 0)
        return;
    if (p->ChangeVirtualWD(path))
        change_dir(panel_base, currpanel, L"");
    request.redraw = 2;
}

}

void bind_tool_commands()
{
    load_help();
    bind_key(KEY_F1, help_contents);
    bind_key(KEY_ALT_F1 + 9, directory_tree);
    bind_key(KEY_CTRL_A + 'K' - 'A', directory_compare_key);
}
