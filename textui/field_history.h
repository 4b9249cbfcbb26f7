#ifndef PANNEX_TEXTUI_FIELD_HISTORY_H
#define PANNEX_TEXTUI_FIELD_HISTORY_H

#include "foundation/object_store.h"
#include "foundation/westring.h"

#include <vector>

// The lists of texts typed into dialog input fields, one per kind of field,
// so that a field can offer what was typed into its kind before. A field
// names its list by a HistoryIndex; NoHistory keeps nothing.
using HistoryIndex = int;
constexpr int FieldHistoryCount = 12;
constexpr HistoryIndex HistoryFindMask = 2;      // file find: filter expression
constexpr HistoryIndex HistoryFindText = 3;      // file find: text, multi-file replace
constexpr HistoryIndex HistorySelect = 4;        // select and unselect group
constexpr HistoryIndex HistorySearch = 5;        // viewer and editor search
constexpr HistoryIndex HistoryReplace = 6;       // editor replace
constexpr HistoryIndex HistoryFilter = 7;        // panel filter
constexpr HistoryIndex HistoryCodePages = 8;     // viewer code-page list
constexpr HistoryIndex HistoryArchiveName = 9;   // compress files
constexpr HistoryIndex HistoryDirectory = 10;    // copy and move targets
constexpr HistoryIndex HistoryFileName = 11;     // view or edit a named file
constexpr HistoryIndex NoHistory = 13;

// The twelve lists in memory, oldest entry first, each text at most once.
// The history file stage derives from it so that Add also appends the
// record to the file, and installs its object as field_history.
// Logic thread only.
class CFieldHistory
{
public:
    virtual ~CFieldHistory() = default;
    // Makes text the newest entry of list (removing an equal older entry,
    // compared exactly). Empty texts and lists outside 0-11 are ignored.
    virtual void Add(int list, const Westring& text);
    // The entries of list, oldest first; an empty store for a list outside
    // 0-11.
    const TObjectStore<Westring>& Entries(int list) const;
    // Replaces list with texts, oldest first, which must already be unique
    // and non-empty: loading a large history file stays linear.
    void Assign(int list, std::vector<Westring> texts);

private:
    TObjectStore<Westring> lists[FieldHistoryCount];
    TObjectStore<Westring> none;
};

// The histories dialogs use; never null. Points at a CFieldHistory of
// textui's own until the history file stage installs its object.
extern CFieldHistory* field_history;

#endif
