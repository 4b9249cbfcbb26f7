#include "app/key_bindings.h"

#include "archive/archive_commands.h"
#include "command/exec_keys.h"
#include "console/key_codes.h"
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
#include "panels/key_commands.h"
#include "tools/tool_commands.h"
#include "viewer/viewer_commands.h"

void bind_commands()
{
    unbind_all_keys();
    bind_menu_commands();
    bind_tool_commands();
    bind_key(KEY_F1 + 6, make_dir_key);                              // F7
    bind_key((KEY_CTRL_F1 + 4) | KEY_SHIFT_FLAG, make_links_key);    // Ctrl+Shift+F5
    bind_key(KEY_ALT_F1 + 5, create_object_key);                     // Alt+F6
    bind_key(KEY_CTRL_A, file_attrib_key);                           // Ctrl+A
    bind_key(KEY_CTRL_A + 'C' - 'A', change_case_key);               // Ctrl+C
    bind_key(KEY_CTRL_I, file_info_key);                             // Ctrl+I
    bind_key(MENU_FILE_DATE, change_date_key);
    bind_exec_commands();
    // Copy, move, delete and directory sizes; the key bar's slots 5, 6 and
    // 8 send the same keys.
    bind_key(KEY_F1 + 4, copy_move_key);
    bind_key(KEY_F1 + 5, copy_move_key);
    bind_key(KEY_SHIFT_F1 + 4, copy_move_key);
    bind_key(KEY_SHIFT_F1 + 5, copy_move_key);
    bind_key(KEY_F1 + 7, delete_key);
    bind_key(KEY_SHIFT_F1 + 7, delete_key);
    bind_key(KEY_CTRL_A + 'Q' - 'A', directory_usage_key);
    bind_viewer_commands();
    // F5 and F6 again, choosing between the archive commands and the file
    // copy; Shift+F7, F4 on members and F8's hand-over inside archives.
    bind_archive_commands();
}
