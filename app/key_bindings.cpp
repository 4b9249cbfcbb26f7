#include "app/key_bindings.h"

#include "console/key_codes.h"
#include "fileops/copy_move.h"
#include "fileops/delete.h"
#include "fileops/directory_usage.h"
#include "panels/key_commands.h"

void bind_commands()
{
    unbind_all_keys();
    // Copy, move, delete and directory sizes; the key bar's slots 5, 6 and
    // 8 send the same keys.
    bind_key(KEY_F1 + 4, copy_move_key);
    bind_key(KEY_F1 + 5, copy_move_key);
    bind_key(KEY_SHIFT_F1 + 4, copy_move_key);
    bind_key(KEY_SHIFT_F1 + 5, copy_move_key);
    bind_key(KEY_F1 + 7, delete_key);
    bind_key(KEY_SHIFT_F1 + 7, delete_key);
    bind_key(KEY_CTRL_A + 'Q' - 'A', directory_usage_key);
}
