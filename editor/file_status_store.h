#ifndef PANNEX_EDITOR_FILE_STATUS_STORE_H
#define PANNEX_EDITOR_FILE_STATUS_STORE_H

#include "foundation/westring.h"
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
    // FIXME: the editor's undo and redo stacks and its ten bookmarks join
    // the record with the editor; the viewer creates records without them.
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
