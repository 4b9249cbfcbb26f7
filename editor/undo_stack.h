#ifndef PANNEX_EDITOR_UNDO_STACK_H
#define PANNEX_EDITOR_UNDO_STACK_H

#include <cstddef>
#include <deque>
#include <string>

// One change of the text, enough to take it back: what it removed, where
// the cursor stood before and after, and the range it inserted. Undoing
// builds the inverse item the same way, with `inverse` set.
struct UndoItem
{
    // The removed text, lines joined with LF, in the editor's stored
    // encoding (edit_utf8); empty for a pure insertion.
    std::string text;
    int beforeIndex = 0, beforeLine = 0;
    int afterIndex = 0, afterLine = 0;
    // The inserted range: from (startLine, startIndex) up to, not
    // including, (endLine, endIndex).
    int startLine = 0, startIndex = 0;
    int endLine = 0, endIndex = 0;
    bool inverse = false;

    size_t Bytes() const { return sizeof(UndoItem) + text.size(); }
};

// A bounded stack of changes, oldest first. It holds at most MaxItems
// items and at most its byte limit of removed text: past either the
// oldest go first, but the newest item is always kept, so the last change
// can be undone however large it was.
class TUndoStack
{
public:
    static constexpr int MaxItems = 1000;
    // The byte limit when none is set: 64 MiB.
    static constexpr size_t DefaultLimit = size_t{64} << 20;

    void Push(UndoItem item);
    // Copies the newest item into item: 0, or -1 when empty.
    [[nodiscard]] int Top(UndoItem& item) const;
    // Removes the newest item: 0, or -1 when empty.
    int Discard();
    // Moves the newest item out into item and removes it (no copy of a
    // large text): 0, or -1 when empty.
    [[nodiscard]] int Take(UndoItem& item);
    void Clear();
    int Count() const { return static_cast<int>(items.size()); }
    const UndoItem& At(int i) const { return items[static_cast<size_t>(i)]; }
    size_t Bytes() const { return bytes; }
    void SetLimit(size_t limit);
    size_t Limit() const { return limit; }

private:
    void trim();

    std::deque<UndoItem> items;
    size_t bytes = 0;
    size_t limit = DefaultLimit;
};

#endif
