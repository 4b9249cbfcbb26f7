#ifndef PANNEX_FILEOPS_FILE_INFO_H
#define PANNEX_FILEOPS_FILE_INFO_H

#include "foundation/estring.h"
#include "foundation/object_store.h"
#include "foundation/westring.h"

// The facts the file information dialog lists about one file.

struct CFileInfoItem
{
    Estring label;
    Westring value;
};

// The facts in the order they were added.
class CFileInfoItems : public TObjectStore<CFileInfoItem>
{
public:
    void Add(const char* label, const Westring& value)
    {
        AddObject(new CFileInfoItem{Estring(label), value});
    }
};

// How the caller wants two of the values shown; a null member keeps the
// plain form. size formats the byte count (the dialog's number formatter);
// target shortens a link target in place to the room the screen leaves.
struct FileInfoFormat
{
    Westring (*size)(long long bytes) = nullptr;
    void (*target)(Westring& text) = nullptr;
};

// Adds the facts about path itself (a symbolic link describes the link):
// "Size", "Access Time", "Modified Time", "Changed Time", "Mode", "Hard
// Links", "Type", "Target" (links with a target only), "Owner" and "Group".
// Returns false, adding nothing, when lstat fails.
bool GetFileInfo(const Westring& path, CFileInfoItems& items, const FileInfoFormat& format = {});

#endif
