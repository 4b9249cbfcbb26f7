#include "text/syntax_state_store.h"

#include "text/text_file.h"

#include <algorithm>

void CSyntaxStateStore::Reset()
{
    points.clear();
    stacks.clear();
    stacks.emplace_back();
    points.push_back({0, 0});
}

void CSyntaxStateStore::Add(long long offset, const SyntaxHighlighterState& state)
{
    auto it = std::lower_bound(points.begin(), points.end(), offset,
                               [](const Point& p, long long o) { return p.offset < o; });
    if (it != points.end() && it->offset == offset)
        return;
    // Files have few distinct states (outside anything, in a comment, in
    // a string): each is stored once and checkpoints name it. The recent
    // ones are the likely match.
    uint32_t index = static_cast<uint32_t>(stacks.size());
    for (size_t i = stacks.size(); i-- > 0;)
        if (stacks[i] == state.stack) {
            index = static_cast<uint32_t>(i);
            break;
        }
    if (index == stacks.size())
        stacks.push_back(state.stack);
    points.insert(it, {offset, index});
}

TPositionSyntaxState CSyntaxStateStore::Find(long long offset) const
{
    auto it = std::upper_bound(points.begin(), points.end(), offset,
                               [](long long o, const Point& p) { return o < p.offset; });
    TPositionSyntaxState r;
    if (it == points.begin())
        return r;
    --it;
    r.offset = it->offset;
    r.state.stack = stacks[it->stack];
    return r;
}

size_t CSyntaxStateStore::MemoryBytes() const
{
    size_t n = points.capacity() * sizeof(Point) + stacks.capacity() * sizeof(CContextStack);
    for (const auto& s : stacks)
        n += static_cast<size_t>(s.Count()) * sizeof(CSyntaxElement*);
    return n;
}

void CSyntaxStateStore::PageEnd(long long offset, const SyntaxHighlighterState& state)
{
    if (offset - Find(offset).offset >= CheckpointSpacing)
        Add(offset, state);
}

void CSyntaxStateStore::CatchUp(CTextFile& file, SyntaxHighlighter& hl, long long offset, long long maxLine)
{
    TPositionSyntaxState from = Find(offset);
    bool keep = offset - from.offset <= CatchUpLimit;
    long long pos = from.offset;
    if (keep)
        hl.stack = from.state.stack;
    else {
        hl.Reset();
        // Into the window, then to the start of the next line: a line cut
        // in the middle would start in the wrong state anyway.
        pos = offset - CatchUpLimit;
        file.SetReadPos(pos);
        int len;
        if (file.ReadTextLine(len, maxLine))
            pos = std::min(file.GetReadPos(), offset);
    }
    file.SetReadPos(pos);
    long long last = from.offset;
    while (pos < offset) {
        if (keep && pos - last >= CheckpointSpacing) {
            Add(pos, hl);
            last = pos;
        }
        int len;
        const wchar_t* line = file.ReadTextLine(len, maxLine);
        if (!line)
            break;
        hl.ProcessLine(line, len, nullptr);
        pos = file.GetReadPos();
    }
    file.SetReadPos(offset);
}
