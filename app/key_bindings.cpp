#include "app/key_bindings.h"

#include "panels/key_commands.h"
#include "tools/tool_commands.h"
#include "viewer/viewer_commands.h"

void bind_commands()
{
    unbind_all_keys();
    bind_tool_commands();
    bind_viewer_commands();
}
