#include "panels/position_stack.h"

void CPosStack::Store(const Westring& path, int top, const Westring& name)
{
    TPanelPosition& p = positions[path];
    p.path = path;
    p.top = top;
    p.name = name;
}

const TPanelPosition* CPosStack::Find(const Westring& path) const
{
    auto it = positions.find(path);
    return it == positions.end() ? nullptr : &it->second;
}
