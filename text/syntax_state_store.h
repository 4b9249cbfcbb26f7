#ifndef PANNEX_TEXT_SYNTAX_STATE_STORE_H
#define PANNEX_TEXT_SYNTAX_STATE_STORE_H

#include "text/syntax_highlighter.h"

#include <cstdint>
#include <vector>

class CTextFile;

// The highlighter's state at one file offset (a line start).
struct TPositionSyntaxState
{
    long long offset = 0;
    SyntaxHighlighterState state;
};

// The viewer's checkpoints of the highlighter's state by file offset, so
// that colouring can start anywhere in a file of any size after reading
// only the bytes since the nearest checkpoint.
//
// Checkpoints are at least CheckpointSpacing bytes apart, and the few
// distinct stacks a file has are kept once each: paging through a whole
// file costs well under 1% of its size. The states point into the
// highlighter's definition: Reset the store when that is loaded again.
class CSyntaxStateStore
{
public:
    static constexpr long long CheckpointSpacing = 4096;
    // Far beyond the last checkpoint (End in a huge file), colouring starts
    // this many bytes before the target from an empty state, as the
    // editor's window of lines does, and keeps no checkpoint from it. The
    // states found on the way are kept apart, for that window only, so that
    // paging up from the end reads a few KiB a page, not a MiB.
    static constexpr long long CatchUpLimit = 1 << 20;
    // Within that, the window is the editor's: the 1,000 lines above.
    static constexpr int CatchUpLines = 1000;

    CSyntaxStateStore() { Reset(); }

    // Empties the store and puts the empty state at offset 0.
    void Reset();
    // Keeps a copy of state at offset; a second state for an offset
    // already present is dropped.
    void Add(long long offset, const SyntaxHighlighterState& state);
    // The checkpoint at or before offset.
    TPositionSyntaxState Find(long long offset) const;
    int Count() const { return static_cast<int>(points.size()); }
    // Bytes the store holds (for the benchmarks).
    size_t MemoryBytes() const;

    // Brings hl to the state at offset, a line start of file, and leaves
    // the file's read position there. From the nearest checkpoint every
    // line in between is processed without display, adding checkpoints on
    // the way; from more than CatchUpLimit bytes away, only the last
    // CatchUpLines lines within the last CatchUpLimit bytes are, from an
    // empty state. maxLine caps the pieces
    // long lines are read in.
    void CatchUp(CTextFile& file, SyntaxHighlighter& hl, long long offset, long long maxLine = 65536);
    // After a displayed page: the state behind its last line, at the
    // offset where the next line starts, kept when it is CheckpointSpacing
    // beyond the checkpoint before it.
    void PageEnd(long long offset, const SyntaxHighlighterState& state);

private:
    struct Point
    {
        long long offset;
        uint32_t stack;  // index into stacks
    };
    // The nearest checkpoint at or before offset in list.
    const Point* nearest(const std::vector<Point>& list, long long offset) const;
    void add(std::vector<Point>& list, long long offset, const CContextStack& stack);

    std::vector<Point> points;
    std::vector<CContextStack> stacks;
    // The provisional states of the last far jump: valid only as seen from
    // windowStart, where colouring began from an empty state.
    std::vector<Point> window;
    long long windowStart = -1;
};

#endif
