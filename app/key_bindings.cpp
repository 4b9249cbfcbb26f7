#include "app/key_bindings.h"

#include "menus/menu_commands.h"
#include "panels/key_commands.h"
#include "tools/tool_commands.h"

void bind_commands()
{
    unbind_all_keys();
    bind_tool_commands();
    bind_menu_commands();
}
