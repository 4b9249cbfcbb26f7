#ifndef PANNEX_TOOLS_FILE_FIND_H
#define PANNEX_TOOLS_FILE_FIND_H

#include "entries/entry.h"
#include "foundation/westring.h"

#include <mutex>
#include <vector>

struct PANEL;
struct PANEL_REQUEST;

// File find: Alt+F7 opens a new search, Alt+Shift+F7 the dialog with the
// results of the last one and the cursor where it was. The results outlive
// the dialog for the whole run. Logic thread.
void findfile(PANEL* panel, bool reopen);

// The keys of the main loop: Alt+F7 and Alt+Shift+F7.
void findfile_key(int key, PANEL_REQUEST& request);

// The results of file find: entries named by their full paths, with the
// first match in match_pos. Owns them. The scan thread appends under
// Mutex(); the logic thread reads, sorts and removes under it.
class FFEntryStore
{
public:
    FFEntryStore() = default;
    ~FFEntryStore() { Clear(); }
    FFEntryStore(const FFEntryStore&) = delete;
    FFEntryStore& operator=(const FFEntryStore&) = delete;

    int Count() const { return static_cast<int>(items.size()); }
    entry* At(int i) const { return i >= 0 && i < Count() ? items[static_cast<size_t>(i)] : nullptr; }
    // Takes ownership.
    void Append(entry* e) { items.push_back(e); }
    void Remove(int i);
    void Clear();
    entry** Data() { return items.data(); }
    std::mutex& Mutex() { return lock; }

private:
    std::vector<entry*> items;
    std::mutex lock;
};

// The text of one result line, without the padding to the list's width:
// size (or "SUBDIR" between triangles) in 10 columns, date, time, a shade
// for a hidden entry, and the path shortened to width - 28 columns;
// "Error opening" for a file that could not be searched.
Westring make_found(const entry& e, int width);

// Test hook: the scan runs to its end before the dialog reads the next
// key, so that a screen test sees the finished list.
extern bool find_scan_synchronous;

#endif
