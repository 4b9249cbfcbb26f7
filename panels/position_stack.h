#ifndef PANNEX_PANELS_POSITION_STACK_H
#define PANNEX_PANELS_POSITION_STACK_H

#include "foundation/nls.h"
#include "foundation/westring.h"

#include <map>

// Where the panel stood in a directory it left for a subdirectory: the top
// index and the name under the cursor, so that coming back up restores both.
struct TPanelPosition
{
    Westring path;
    int top = 0;
    Westring name;
};

// The remembered positions of one panel, one per directory. Paths compare
// exactly (case-sensitively), as the file system does.
class CPosStack
{
public:
    // Updates the record of path or adds one.
    void Store(const Westring& path, int top, const Westring& name);
    // The record of path, or null. The pointer is valid until the next Store.
    const TPanelPosition* Find(const Westring& path) const;
    int Count() const { return static_cast<int>(positions.size()); }

private:
    struct ExactLess
    {
        bool operator()(const Westring& a, const Westring& b) const { return fncompare(a.c_str(), b.c_str()) < 0; }
    };
    std::map<Westring, TPanelPosition, ExactLess> positions;
};

#endif
