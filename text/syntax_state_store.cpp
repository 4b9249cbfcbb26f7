#include "text/syntax_state_store.h"

#include "text/text_file.h"

#include <algorithm>

void CSyntaxStateStore::Reset()
{
    points.clear();
    stacks.clear();
    window.clear();
    windowStart = -1;
    stacks.emplace_back();
    points.push_back({0, 0});
}

void CSyntaxStateStore::add(std::vector<Point>& list, long long offset, const CContextStack& stack)
{
    auto it = std::lower_bound(list.begin(), list.end(), offset,
                               [](const Point& p, long long o) { return p.offset < o; });
    if (it != list.end() && it->offset == offset)
        return;
    // Files have few distinct states (outside anything, in a comment, in
    // a string): each is stored once and checkpoints name it. The recent
    // ones are the likely match.
    uint32_t index = static_cast<uint32_t>(stacks.size());
    for (size_t i = stacks.size(); i-- > 0;)
        if (stacks[i] == stack) {
            index = static_cast<uint32_t>(i);
            break;
        }
    if (index == stacks.size())
        stacks.push_back(stack);
    list.insert(it, {offset, index});
}

void CSyntaxStateStore::Add(long long offset, const SyntaxHighlighterState& state)
{
    add(points, offset, state.stack);
}

const CSyntaxStateStore::Point* CSyntaxStateStore::nearest(const std::vector<Point>& list, long long offset) const
{
    auto it = std::upper_bound(list.begin(), list.end(), offset,
                               [](long long o, const Point& p) { return o < p.offset; });
    return it == list.begin() ? nullptr : &*(it - 1);
}

TPositionSyntaxState CSyntaxStateStore::Find(long long offset) const
{
    TPositionSyntaxState r;
    if (const Point* p = nearest(points, offset)) {
        r.offset = p->offset;
        r.state.stack = stacks[p->stack];
    }
    return r;
}

size_t CSyntaxStateStore::MemoryBytes() const
{
    size_t n = (points.capacity() + window.capacity()) * sizeof(Point) + stacks.capacity() * sizeof(CContextStack);
    for (const auto& s : stacks)
        n += static_cast<size_t>(s.Count()) * sizeof(CSyntaxElement*);
    return n;
}

void CSyntaxStateStore::PageEnd(long long offset, const SyntaxHighlighterState& state)
{
    long long from = Find(offset).offset;
    if (offset - from <= CatchUpLimit) {
        if (offset - from >= CheckpointSpacing)
            Add(offset, state);
    } else if (windowStart >= 0 && offset >= windowStart) {
        const Point* p = nearest(window, offset);
        if (offset - (p ? p->offset : windowStart) >= CheckpointSpacing)
            add(window, offset, state.stack);
    }
}

void CSyntaxStateStore::CatchUp(CTextFile& file, SyntaxHighlighter& hl, long long offset, long long maxLine)
{
    TPositionSyntaxState from = Find(offset);
    bool keep = offset - from.offset <= CatchUpLimit;
    std::vector<Point>* list = &points;
    long long pos = from.offset;
    long long last = from.offset;
    if (keep)
        hl.stack = from.state.stack;
    else {
        list = &window;
        const Point* p = windowStart >= 0 && offset >= windowStart ? nearest(window, offset) : nullptr;
        long long base = p ? p->offset : windowStart;
        if (windowStart >= 0 && offset >= windowStart && offset - base <= CatchUpLimit) {
            // Within the window of an earlier jump: go on from there.
            hl.Reset();
            if (p)
                hl.stack = stacks[p->stack];
            pos = last = base;
        } else {
            hl.Reset();
            window.clear();
            // 1,000 lines up, or into the window and to the start of the
            // next line: a line cut in the middle would start in the
            // wrong state anyway.
            pos = file.LineStartBefore(offset, CatchUpLines, CatchUpLimit);
            if (pos < 0) {
                pos = offset - CatchUpLimit;
                file.SetReadPos(pos);
                int len;
                if (file.ReadTextLine(len, maxLine))
                    pos = std::min(file.GetReadPos(), offset);
            }
            windowStart = last = pos;
        }
    }
    file.SetReadPos(pos);
    while (pos < offset) {
        if (pos - last >= CheckpointSpacing) {
            add(*list, pos, hl.stack);
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
