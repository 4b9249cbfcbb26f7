#include "editor/undo_stack.h"

void TUndoStack::Push(UndoItem item)
{
    bytes += item.Bytes();
    items.push_back(std::move(item));
    trim();
}

int TUndoStack::Top(UndoItem& item) const
{
    if (items.empty())
        return -1;
    item = items.back();
    return 0;
}

int TUndoStack::Discard()
{
    if (items.empty())
        return -1;
    bytes -= items.back().Bytes();
    items.pop_back();
    return 0;
}

int TUndoStack::Take(UndoItem& item)
{
    if (items.empty())
        return -1;
    bytes -= items.back().Bytes();
    item = std::move(items.back());
    items.pop_back();
    return 0;
}

void TUndoStack::Clear()
{
    items.clear();
    bytes = 0;
}

void TUndoStack::SetLimit(size_t l)
{
    limit = l;
    trim();
}

void TUndoStack::trim()
{
    while (items.size() > 1 && (items.size() > MaxItems || bytes > limit)) {
        bytes -= items.front().Bytes();
        items.pop_front();
    }
}
