#include "panels/subdirectory_list.h"

#include "foundation/nls.h"

#include <algorithm>

namespace {

bool exact_less(const Westring& a, const Westring& b)
{
    return fncompare(a.c_str(), b.c_str()) < 0;
}

}

void CSubdirectoryList::Seal()
{
    std::sort(names.begin(), names.end(), exact_less);
}

bool CSubdirectoryList::Contains(const Westring& name) const
{
    return std::binary_search(names.begin(), names.end(), name, exact_less);
}
