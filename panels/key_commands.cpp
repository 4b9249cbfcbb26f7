#include "panels/key_commands.h"

#include <unordered_map>

int menu_click_x = 0;
ExecuteHook execute_hook = nullptr;
CompletionHook completion_hook = nullptr;

namespace {

std::unordered_map<int, KeyCommand>& table()
{
    static std::unordered_map<int, KeyCommand> bindings;
    return bindings;
}

}

void bind_key(int key, KeyCommand command)
{
    if (command)
        table()[key] = command;
    else
        table().erase(key);
}

KeyCommand bound_command(int key)
{
    auto it = table().find(key);
    return it == table().end() ? nullptr : it->second;
}

void unbind_all_keys()
{
    table().clear();
}
