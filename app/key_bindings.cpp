#include "app/key_bindings.h"

#include "command/exec_keys.h"
#include "panels/key_commands.h"

void bind_commands()
{
    unbind_all_keys();
    bind_exec_commands();
}
