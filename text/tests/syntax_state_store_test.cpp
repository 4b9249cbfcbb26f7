#include "console/colours.h"
#include "text/syntax_state_store.h"
#include "text/text_file.h"
#include "textui/textui_settings.h"

#include "text_test_util.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A C file of n lines where every 50th line opens a block comment and the
// next one closes it.
std::string c_file(int n)
{
    std::string s;
    for (int i = 0; i < n; i++)
        s += i % 50 == 10 ? "/* open comment\n" : i % 50 == 11 ? "   closed */ int x;\n" : "int value = 42; // note\n";
    return s;
}

// A C file of n lines under the shipped definition, and the state at
// every line start, from the top with nothing skipped.
class SyntaxStateStore : public ::testing::Test
{
protected:
    void Open(int n)
    {
        textui_settings.colours[ColourFileViewer] = 0x1B;
        m = std::make_unique<MemFile>(c_file(n));
        ASSERT_EQ(f.Open(m->path), 0);
        ASSERT_TRUE(hl.LoadDef(PANNEX_SYNTAX_INI, L"big.c"));
        int len;
        for (long long at = 0; const wchar_t* l = f.ReadTextLine(len); at = f.GetReadPos()) {
            ref.push_back({at, hl.stack.Count()});
            hl.ProcessLine(l, len, nullptr);
        }
    }
    std::unique_ptr<MemFile> m;
    CTextFile f;
    SyntaxHighlighter hl;
    std::vector<std::pair<long long, int>> ref;
};

}

TEST_F(SyntaxStateStore, CatchUpFromCheckpointsGivesTheStateFromTheTop)
{
    ASSERT_NO_FATAL_FAILURE(Open(3000));
    ASSERT_GT(ref.back().first, 60000);

    CSyntaxStateStore store;
    // Paging down, then jumping about: each time the state of the top.
    for (size_t i : {size_t(0), size_t(11), size_t(12), size_t(500), size_t(1561), size_t(2999), size_t(11), size_t(1210)}) {
        store.CatchUp(f, hl, ref[i].first);
        EXPECT_EQ(hl.stack.Count(), ref[i].second) << "line " << i;
        EXPECT_EQ(f.GetReadPos(), ref[i].first);
    }
    // Checkpoints at least 4,096 bytes apart.
    EXPECT_GT(store.Count(), 10);
    for (long long at = 0; at < ref.back().first; at += 512) {
        TPositionSyntaxState p = store.Find(at);
        TPositionSyntaxState next = store.Find(p.offset - 1);
        if (p.offset > 0) {
            EXPECT_GE(p.offset - next.offset, CSyntaxStateStore::CheckpointSpacing);
        }
    }
    EXPECT_LT(store.MemoryBytes(), static_cast<size_t>(ref.back().first) / 100);
}

TEST_F(SyntaxStateStore, FarJumpKeepsNoCheckpoint)
{
    // Over 2 MiB: the end is more than the catch-up limit from offset 0.
    ASSERT_NO_FATAL_FAILURE(Open(100000));
    CSyntaxStateStore store;
    store.CatchUp(f, hl, ref.back().first);
    EXPECT_EQ(store.Count(), 1) << "only the empty state at 0";
    EXPECT_EQ(hl.stack.Count(), ref.back().second);
    // Paging up from there goes on from the states of that window: the
    // same states, and still nothing kept for good.
    for (size_t i = ref.size() - 1; i > ref.size() - 3000; i -= 97) {
        store.CatchUp(f, hl, ref[i].first);
        EXPECT_EQ(hl.stack.Count(), ref[i].second) << "line " << i;
        store.PageEnd(ref[std::min(i + 24, ref.size() - 1)].first, hl);
    }
    EXPECT_EQ(store.Count(), 1);
    EXPECT_LT(store.MemoryBytes(), 16384u);
}

TEST_F(SyntaxStateStore, DuplicateOffsetsAndPageEnds)
{
    CSyntaxStateStore store;
    SyntaxHighlighterState empty, one;
    CSyntaxBlock block;
    one.stack.Push(&block);
    store.Add(5000, one);
    store.Add(5000, empty);  // dropped: the first state for an offset stays
    EXPECT_EQ(store.Find(6000).state.stack.Count(), 1);
    EXPECT_EQ(store.Find(4999).offset, 0);
    store.PageEnd(7000, empty);  // too close to 5000
    EXPECT_EQ(store.Count(), 2);
    store.PageEnd(9096, empty);
    EXPECT_EQ(store.Count(), 3);
    store.Reset();
    EXPECT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Find(9999).offset, 0);
}
