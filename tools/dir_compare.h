#ifndef PANNEX_TOOLS_DIR_COMPARE_H
#define PANNEX_TOOLS_DIR_COMPARE_H

#include "foundation/westring.h"

struct PANEL;
struct PANEL_REQUEST;

// Directory compare: tags the files of the two panels by how they differ,
// so that the ordinary commands can then copy or delete them.

// Date modes (CMPTime) and size modes (CMPSize): which file of a matched
// pair is tagged.
enum : int {
    CompareIgnore = 0,
    CompareNewer = 1,    // the larger with sizes
    CompareOlder = 2,    // the smaller with sizes
    CompareDifferent = 3,
};

struct COMPARE_OPTIONS
{
    int date_mode = 1;
    int size_mode = 0;
    bool unmatched = true;
    bool contents = false;
    // A filter expression a file must satisfy to be tagged.
    Westring mask = L"*";

    // The options kept in the configuration (CMPTime, CMPSize,
    // CMPUnmatched, CMPContents, CMPMask).
    static COMPARE_OPTIONS FromConfig();
};

// Compares two files byte by byte in blocks of 256 KiB. After 100 ms on one
// file a " Comparing " window shows its name and a bar; Escape stops. 0
// equal, 1 different, -1 when a file cannot be read (after an error box
// naming it) or Escape was pressed. Special files (FIFOs, devices) are
// never read: two of them count as equal, one beside a regular file as
// different. Logic thread.
[[nodiscard]] int compareFileContents(const Westring& a, const Westring& b);

// How a comparison reads two files' contents: compareFileContents, or a
// test's stand-in.
using ContentCompare = int (*)(const Westring& a, const Westring& b);

// The comparison itself: left and right are the two panels' entry lists,
// matched by exact name (fncompare). Tags are set in both panels and their
// tagged counts and totals recomputed. Returns the number of files tagged
// in both panels, or -1 when the comparison stopped (a read error or
// Escape while comparing contents), which leaves no tag in either panel.
// Directories, "..", and the program's reserved names are never tagged.
int compare_panels(PANEL* left, PANEL* right, const COMPARE_OPTIONS& options,
                   ContentCompare contents = compareFileContents);

// The options dialog " Directory Compare ". with_contents offers "Compare
// Contents" (only when both panels show real directories); without it the
// option is off for this run. 0 with the options stored in the
// configuration, -1 when cancelled. Help opens topic 9 and comes back.
[[nodiscard]] int getOptions(bool with_contents);

// The command (Ctrl+K, menu "Compare Directories"): both panels must show
// file lists, neither a tree; asks for the options, compares, repaints
// both panels, and says "No files meet the specified conditions" when
// nothing was tagged.
void directory_compare();
void directory_compare_key(int key, PANEL_REQUEST& request);

#endif
