#include "app/key_bindings.h"

#include "archive/archive_commands.h"
#include "command/exec_keys.h"
#include "console/key_codes.h"
#include "editor/editor_commands.h"
#include "fileops/attributes_dialog.h"
#include "fileops/change_case.h"
#include "fileops/change_date.h"
#include "fileops/copy_move.h"
#include "fileops/delete.h"
#include "fileops/directory_usage.h"
#include "fileops/file_info_dialog.h"
#include "fileops/launcher.h"
#include "fileops/make_dir.h"
#include "fileops/symbolic_links.h"
#include "menus/menu_codes.h"
#include "menus/menu_commands.h"
#include "panels/info_panel.h"
#include "panels/key_commands.h"
#include "tools/file_find.h"
#include "panels/panel.h"
#include "panels/tree_hooks.h"
#include "tools/tool_commands.h"
#include "tools/tree_commands.h"
#include "viewer/viewer_commands.h"

namespace {

// In a tree panel these commands act on the directory under the cursor.
template <KeyCommand command>
void on_tree_node(int key, PANEL_REQUEST& request)
{
    const PANEL* p = &panel_base[currpanel];
    if (p->showing && p->type == PanelFiles && p->detail == DetailTree) {
        with_tree_node(currpanel, [&] { command(key, request); });
        request.redraw = 2;
        return;
    }
    command(key, request);
}

// F4, Alt+F4 and Ctrl+Shift+F4: on a member of an archive the archive's
// command (which extracts the member and writes it back), elsewhere the
// editor's.
constexpr int EditKeys[3] = {KEY_F1 + 3, KEY_ALT_F1 + 3, (KEY_CTRL_F1 + 3) | KEY_SHIFT_FLAG};
KeyCommand editor_keys[3];

void edit_key(int key, PANEL_REQUEST& request)
{
    const PANEL* p = &panel_base[currpanel];
    if (p->showing && p->type == PanelFiles && p->archive) {
        edit_member_key(key, request);
        return;
    }
    // F4 on an info panel edits the described directory's "dirinfo".
    if (p->showing && p->type == PanelInfo) {
        if (key == EditKeys[0]) {
            edit_dirinfo(currpanel);
            request.redraw = 2;
        }
        return;
    }
    for (int i = 0; i < 3; i++)
        if (EditKeys[i] == key && editor_keys[i])
            editor_keys[i](key, request);
}

}

void bind_commands()
{
    unbind_all_keys();
    bind_menu_commands();
    bind_tool_commands();
    install_tree_hooks();
    bind_key(KEY_F1 + 6, make_dir_key);                              // F7
    bind_key((KEY_CTRL_F1 + 4) | KEY_SHIFT_FLAG, make_links_key);    // Ctrl+Shift+F5
    bind_key(KEY_ALT_F1 + 5, create_object_key);                     // Alt+F6
    bind_key(KEY_CTRL_A, on_tree_node<file_attrib_key>);             // Ctrl+A
    bind_key(KEY_CTRL_A + 'C' - 'A', change_case_key);               // Ctrl+C
    bind_key(KEY_CTRL_I, file_info_key);                             // Ctrl+I
    bind_key(MENU_FILE_DATE, change_date_key);
    bind_key(MENU_LEFT_INFO, [](int, PANEL_REQUEST& r) { info_side_command(0, r); });
    bind_key(MENU_RIGHT_INFO, [](int, PANEL_REQUEST& r) { info_side_command(1, r); });
    bind_exec_commands();
    // Copy, move, delete and directory sizes; the key bar's slots 5, 6 and
    // 8 send the same keys.
    bind_key(KEY_F1 + 4, on_tree_node<copy_move_key>);
    bind_key(KEY_F1 + 5, on_tree_node<copy_move_key>);
    bind_key(KEY_SHIFT_F1 + 4, on_tree_node<copy_move_key>);
    bind_key(KEY_SHIFT_F1 + 5, on_tree_node<copy_move_key>);
    bind_key(KEY_F1 + 7, on_tree_node<delete_key>);
    bind_key(KEY_SHIFT_F1 + 7, on_tree_node<delete_key>);
    bind_key(KEY_CTRL_A + 'Q' - 'A', directory_usage_key);
    bind_viewer_commands();
    bind_key(KEY_ALT_F1 + 6, findfile_key);                          // Alt+F7
    bind_key((KEY_ALT_F1 + 6) | KEY_SHIFT_FLAG, findfile_key);       // Alt+Shift+F7
    bind_editor_commands();
    for (int i = 0; i < 3; i++)
        editor_keys[i] = bound_command(EditKeys[i]);
    // F5 and F6 again, choosing between the archive commands and the file
    // copy; Shift+F7, F4 on members and F8's hand-over inside archives.
    bind_archive_commands();
    bind_key(KEY_F1 + 4, on_tree_node<archive_copy_move_key>);
    bind_key(KEY_F1 + 5, on_tree_node<archive_copy_move_key>);
    for (int key : EditKeys)
        bind_key(key, edit_key);
}
