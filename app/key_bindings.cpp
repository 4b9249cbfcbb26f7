#include "app/key_bindings.h"

#include "panels/key_commands.h"

void bind_commands()
{
    unbind_all_keys();
}
