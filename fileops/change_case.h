#ifndef PANNEX_FILEOPS_CHANGE_CASE_H
#define PANNEX_FILEOPS_CHANGE_CASE_H

#include "foundation/westring.h"
#include "panels/panel_commands.h"

struct PANEL;
struct entry;

// Ctrl+C: renames the current or tagged entries to another letter case,
// and with CaseModRecurse everything below the directories among them.
//
// Case modes, one letter: 'l' lower, 'u' upper, 'm' mixed ("O'Brien's
// Dog", "I'll Go", "2nd File"), 'n' unchanged. The name part (before the
// last ".") and the extension part (from it) each have one.

// Applies mode to text in place. Upper case follows the program's
// national case table, lower case the full Unicode table whatever the
// locale; characters that stand for bytes that are not UTF-8 are kept.
void changeNameCase(Westring& text, char mode);
// text split at its last "." into name and extension, each changed.
Westring changeNameCase(const Westring& name, char nameMode, char extMode);
// True for a letter: the C character classes below 128, the Unicode
// letter classes above.
bool fnWordChar(wchar_t c);

// What a walk shows while it works; the default shows nothing and never
// stops (tests and benchmarks). The command's own draws the progress
// window and stops on Esc.
class CCaseProgress
{
public:
    virtual ~CCaseProgress() = default;
    // The walk entered dir; count entries were processed so far.
    virtual void Processing(const Westring& dir, long long count)
    {
        (void)dir;
        (void)count;
    }
    // Asked before every entry: true stops the walk.
    virtual bool Stopped() { return false; }
    // A rename or a listing failed: 'r' retry, 's' skip, 27 stop.
    virtual char Failed(int code, const Westring& path);
};

// Renames the entry name (a directory when isDirectory; a symbolic link
// when isLink) in directory as the case settings say, then, with
// recursion on, everything below it. Links and other file systems are
// never entered. 0 done, a positive value when something was skipped, -1
// when stopped.
[[nodiscard]] int change_entry_case(const Westring& directory, const Westring& name, bool isDirectory, bool isLink,
                                    char nameMode, char extMode, CCaseProgress& progress);
// The same for an entry of a panel.
[[nodiscard]] int change_entry_case(const Westring& directory, const entry& e, char nameMode, char extMode,
                                    CCaseProgress& progress);

// The dialog, then the loop over the entries; panels refreshed afterwards.
void change_case(PANEL* panel);

// The key-table entry for Ctrl+C.
void change_case_key(int key, PANEL_REQUEST& request);

#endif
