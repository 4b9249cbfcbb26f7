#include "panels/directory_history.h"

#include "foundation/nls.h"

#include <algorithm>

CDirectoryHistory DirectoryHistory;

void CDirectoryHistory::Add(const Westring& path)
{
    std::erase_if(paths, [&](const Westring& p) { return fncompare(p.c_str(), path.c_str()) == 0; });
    paths.push_back(path);
    while (Count() > MaxEntries)
        paths.pop_front();
}

bool CDirectoryHistory::DropLastIf(const Westring& path)
{
    if (paths.empty() || fncompare(paths.back().c_str(), path.c_str()) != 0)
        return false;
    paths.pop_back();
    return true;
}
