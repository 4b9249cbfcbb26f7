#include "tools/tree_set.h"

#include "config/config.h"
#include "panels/panel.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

CTreeSet TreeSet;

Westring tree_data_file(uint32_t device)
{
    Westring dir = config.TreeDir;
    if (dir.empty()) {
        const char* home = std::getenv("HOME");
        dir = FileNameFromSys(home ? home : "") + L"/.pxl";
    }
    if (dir.strlen() > 1 && dir[dir.strlen() - 1] == L'/')
        dir = dir.left(dir.strlen() - 1);
    struct stat st;
    if (stat("/", &st) == 0 && tree_device_key(st.st_dev) == device)
        return dir + L"/pxtree.dat";
    char name[32];
    std::snprintf(name, sizeof name, "/pxtree.%x.dat", device);
    return dir + Westring(name);
}

bool tree_root_of(const Westring& path, Westring& root, uint32_t& device)
{
    char resolved[PATH_MAX];
    struct stat st;
    if (!realpath(FileNameToSys(path).c_str(), resolved) || stat(resolved, &st) != 0)
        return false;
    std::string top = resolved;
    // Up while the parent lies on the same device.
    while (top != "/") {
        size_t slash = top.rfind('/');
        std::string parent = slash == 0 ? std::string("/") : top.substr(0, slash);
        struct stat up;
        if (stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev)
            break;
        top = parent;
    }
    root = FileNameFromSys(top.c_str());
    device = tree_device_key(st.st_dev);
    return true;
}

CTree* CTreeSet::GetTree(const PANEL* panel)
{
    return GetTree(panel->path);
}

CTree* CTreeSet::GetTree(const Westring& path)
{
    Westring root;
    uint32_t device;
    if (path.empty() || path[0] != L'/' || !tree_root_of(path, root, device))
        return nullptr;
    return GetTree('/', device, root);
}

CTree* CTreeSet::GetTree(char key, uint32_t device, const Westring& root_path)
{
    auto& slot = trees[{key, device}];
    if (!slot) {
        slot = std::make_unique<CTree>(key, device, root_path, tree_data_file(device));
        slot->Load(config.ExpandedTrees);
    }
    return slot.get();
}
