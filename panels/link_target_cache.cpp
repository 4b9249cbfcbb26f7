#include "panels/link_target_cache.h"

#include "fileops/file_system.h"

const Westring& CLinkTargetCache::GetLinkTarget(const Westring& path)
{
    auto it = targets.find(path);
    if (it == targets.end())
        it = targets.emplace(path, ::GetLinkTarget(path)).first;
    return it->second;
}
