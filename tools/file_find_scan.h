#ifndef PANNEX_TOOLS_FILE_FIND_SCAN_H
#define PANNEX_TOOLS_FILE_FIND_SCAN_H

#include "entries/entry.h"
#include "foundation/westring.h"

#include <atomic>
#include <string>

// What a file-find walk looks for.
struct FindOptions
{
    Westring start;           // the directory the walk begins in
    Westring mask = L"*";     // filter expression the entries must satisfy
    Westring text;            // content to look for; empty: names only
    bool recurse = true;      // enter subdirectories
    bool follow_links = false;// enter links to directories too
    bool case_sensitive = false;
    bool whole_word = false;
    bool hidden = true;       // list names beginning with "."
    // Leave kernel pseudo file systems (proc, sysfs, ...) below the start
    // alone: their files can block a reader or never end.
    bool skip_pseudo = false;
    int code_page = 0;        // of 8-bit and binary files; 0 the default
};

// The walk under file find, without a screen: it visits the start
// directory and, with recurse, every directory below it, always the
// smallest pending path next (by bytes, so "A" and "a" are two
// directories), so the tree is visited in order with each directory before
// its subdirectories. Each directory is entered once by (device, inode),
// so followed links never loop and no file is listed twice. Names keep
// their bytes exactly. Directories that cannot be listed are counted and
// passed over. With a text, only regular files are opened, and those in
// which it is not found are no results.
//
// Runs on the caller's thread (the scan thread); stop is looked at between
// entries and between the blocks of every file read.
class CFileScan
{
public:
    explicit CFileScan(const FindOptions& options);
    virtual ~CFileScan() = default;
    CFileScan(const CFileScan&) = delete;
    CFileScan& operator=(const CFileScan&) = delete;

    // 0 when the walk ended, -1 when stop was set, or the errno of a
    // start directory that cannot be listed (also counted), or EINVAL for
    // an invalid filter expression.
    [[nodiscard]] int Run(const std::atomic<bool>& stop);

    // Directories that could not be listed.
    int Unlistable() const { return unlistable; }

protected:
    // A result: e's name is the full path and match_pos the first match
    // (-2 when no text was searched, -3 when the file could not be
    // opened). The callee owns e.
    virtual void Found(entry* e) = 0;
    // A directory is about to be listed (full path, file-name bytes).
    virtual void Entering(const std::string& dir) { (void)dir; }
    // Called between entries, for a caller that shows progress.
    virtual void Tick() {}

private:
    FindOptions options;
    int unlistable = 0;
};

#endif
