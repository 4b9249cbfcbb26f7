#ifndef PANNEX_PANELS_LINK_TARGET_CACHE_H
#define PANNEX_PANELS_LINK_TARGET_CACHE_H

#include "foundation/nls.h"
#include "foundation/westring.h"

#include <map>

// The targets of the symbolic links a panel shows, each read from the file
// system once per reading of the directory: drawing a page of links asks
// for them on every repaint. The panel empties the cache whenever it reads
// its directory.
class CLinkTargetCache
{
public:
    // The text of the link at path (absolute); read and kept on first use.
    // Empty when path is no link or cannot be read.
    const Westring& GetLinkTarget(const Westring& path);
    void Clear() { targets.clear(); }
    int Count() const { return static_cast<int>(targets.size()); }

private:
    struct ExactLess
    {
        bool operator()(const Westring& a, const Westring& b) const { return fncompare(a.c_str(), b.c_str()) < 0; }
    };
    std::map<Westring, Westring, ExactLess> targets;
};

#endif
