#ifndef PANNEX_FILEOPS_ATTRIBUTES_DIALOG_H
#define PANNEX_FILEOPS_ATTRIBUTES_DIALOG_H

#include "foundation/westring.h"
#include "panels/panel_commands.h"
#include "textui/dialog.h"

#include <sys/types.h>
#include <vector>

struct PANEL;
struct entry;

// Ctrl+A: permission bits, owner and group of the current entry or of the
// tagged entries.
//
// The twelve cells, row by row (User, Group, Other), each row read,
// write, execute and its special bit (set-user-id, set-group-id, sticky),
// are also the first twelve elements in focus order; the owner and group
// fields follow. For one entry a cell is 0 or 1; for tagged entries 0
// clear, 1 leave as it is, 2 set, and all start at 1.
class CFileAttributeDialog : public Dialog
{
public:
    // entries: the one entry, or the tagged ones (tagged), in panel order;
    // panel is where they are listed. Entries are updated in place.
    CFileAttributeDialog(PANEL* panel, std::vector<entry*> entries, bool tagged);

    // Runs until the attributes were applied (RESULT_ACCEPT) or the user
    // cancelled (RESULT_CANCEL).
    int Run();
    // The dialog's own keys: the digits 0-7, r w x s and R W X S. True
    // when key was one of them here.
    bool ApplyKey(int key);
    // The cells applied to mode; the file-type bits are kept.
    [[nodiscard]] unsigned UpdateMode(unsigned mode) const;
    // The owner and group to give (NoUID / NoGID: leave as it is). -1 after
    // telling the user of an unknown name.
    [[nodiscard]] int UpdateOwner(const entry& e, uid_t& uid, gid_t& gid) const;
    // Applies to every entry, stopping at the first the user cancels:
    // 0 done (some may have been skipped), -1 cancelled.
    [[nodiscard]] int UpdateAttributes();
    // chown (only when an owner or group changes) and chmod of path, with
    // Retry, Skip and Cancel on failure; afterwards e holds what the file
    // really has. 0 done, 1 skipped, -1 cancelled.
    [[nodiscard]] int UpdateAttributes(const Westring& path, entry& e, unsigned mode, uid_t uid, gid_t gid);

    char cells[12] = {};
    Westring owner, group;

private:
    void DrawRow(int row);

    PANEL* panel;
    std::vector<entry*> entries;
    bool tagged;
    // What the fields started with: an unchanged field changes nothing.
    Westring owner0, group0;
    int first_button = 0;
};

void file_attrib(PANEL* panel);

// The key-table entry for Ctrl+A.
void file_attrib_key(int key, PANEL_REQUEST& request);

#endif
