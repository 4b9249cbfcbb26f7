#include "textui/field_history.h"

#include <cwchar>
#include <utility>

namespace {

CFieldHistory own_history;

}

CFieldHistory* field_history = &own_history;

void CFieldHistory::Add(int list, const Westring& text)
{
    if (list < 0 || list >= FieldHistoryCount || text.empty())
        return;
    TObjectStore<Westring>& entries = lists[list];
    for (int i = 0; i < entries.count; i++)
        if (std::wcscmp(entries.At(i)->c_str(), text.c_str()) == 0) {
            entries.current = i;
            entries.DestroyCurrent();
            break;
        }
    entries.AddObject(new Westring(text));
}

const TObjectStore<Westring>& CFieldHistory::Entries(int list) const
{
    if (list < 0 || list >= FieldHistoryCount)
        return none;
    return lists[list];
}

void CFieldHistory::Assign(int list, std::vector<Westring> texts)
{
    if (list < 0 || list >= FieldHistoryCount)
        return;
    TObjectStore<Westring>& entries = lists[list];
    entries.DestroyAll();
    for (Westring& t : texts)
        entries.AddObject(new Westring(std::move(t)));
}
