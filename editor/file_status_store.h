#ifndef PANNEX_EDITOR_FILE_STATUS_STORE_H
#define PANNEX_EDITOR_FILE_STATUS_STORE_H

#include "foundation/westring.h"
#include "editor/undo_stack.h"
#include "text/text_file.h"

#include <map>
#include <memory>

// What the program remembers of one file it showed, for the rest of the
// run: where the viewer's page began, where the editor stood, and the
// format and code page the file was shown in.
struct HISTREC
{
    // The resolved name, the key.
    Westring name;
    // The editor's page and cursor (lines and columns).
    int topLine = 0;
    int cursorRow = 0;
    int cursorColumn = 0;
    int scroll = 0;
    // The editor's history, kept across closing the file. It belongs to
    // the text of size bytes last changed at mtime (nanoseconds since the
    // epoch): a file changed outside since then drops it.
    TUndoStack undo;
    TUndoStack redo;
    struct BOOKMARK
    {
        int index = 0;
        int line = -1;  // -1: unset
    } bookmarks[10];
    long long size = -1;
    long long mtime = 0;
    // When the editor last closed the file (a counter): the oldest
    // histories go first when they grow too large together.
    unsigned long long closed = 0;
    // The viewer's top of page; -1 when the editor wrote the record last.
    long long viewOffset = -1;
    EFileFormat format = FormatDetect;
    // 0 stands for DefaultTextCodePage().
    int codePage = 0;
};

// The records by name. Names compare exactly (fncompare): a Latin-1 and a
// UTF-8 spelling of the same letters are two files. Records stay where
// they are until Clear, so a pointer to one stays valid. Logic thread.
class FileStatusStore
{
public:
    // The record of name, or null.
    HISTREC* Find(const Westring& name);
    // The record of name, created empty when there is none.
    HISTREC& Obtain(const Westring& name);
    int Count() const { return static_cast<int>(records.size()); }
    // Called after an editor stored its stacks: while the stacks of all
    // records hold more than limit bytes, those of the least recently
    // closed file (other than keep) are dropped with its bookmarks.
    void TrimHistories(const HISTREC* keep, size_t limit = HistoryLimit);
    static constexpr size_t HistoryLimit = size_t{256} << 20;
    void Clear() { records.clear(); }

private:
    struct ByName
    {
        bool operator()(const Westring& a, const Westring& b) const;
    };
    std::map<Westring, std::unique_ptr<HISTREC>, ByName> records;
};

extern FileStatusStore fileStatusStore;

#endif
