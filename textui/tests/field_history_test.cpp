#include "textui/field_history.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring> entries(const CFieldHistory& h, int list)
{
    std::vector<std::wstring> out;
    const TObjectStore<Westring>& s = h.Entries(list);
    for (int i = 0; i < s.count; i++)
        out.push_back(s.At(i)->c_str());
    return out;
}

}

TEST(FieldHistory, KeepsEachTextOnceNewestLast)
{
    CFieldHistory h;
    h.Add(HistorySearch, L"foo");
    h.Add(HistorySearch, L"bar");
    h.Add(HistorySearch, L"foo");   // moves to the end
    h.Add(HistorySearch, L"Foo");   // differs in case: kept apart
    h.Add(HistorySearch, L"");      // ignored
    h.Add(HistoryFilter, L"*.c");
    h.Add(12, L"lost");             // no such list
    h.Add(NoHistory, L"lost");
    EXPECT_EQ(entries(h, HistorySearch), (std::vector<std::wstring>{L"bar", L"foo", L"Foo"}));
    EXPECT_EQ(entries(h, HistoryFilter), (std::vector<std::wstring>{L"*.c"}));
    EXPECT_EQ(h.Entries(NoHistory).count, 0);
    EXPECT_EQ(h.Entries(-1).count, 0);
}
