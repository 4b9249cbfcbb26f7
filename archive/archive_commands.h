#ifndef PANNEX_ARCHIVE_ARCHIVE_COMMANDS_H
#define PANNEX_ARCHIVE_ARCHIVE_COMMANDS_H

#include "archive/archiver_command.h"
#include "foundation/westring.h"

#include <vector>

struct PANEL;
struct PANEL_REQUEST;
struct entry;
class Archive;

// The commands that change archives or take members out of them, through
// the external archivers: F5 and F6 out of and into archives, F8 in one,
// Shift+F7, and F3 and F4 on members. Logic thread.

// The entries a command works on: the tagged ones, or the one under the
// cursor; never "..". Each is untagged and gets the last-operation mark.
std::vector<entry*> chosen_entries(PANEL* panel);

// The members of the panel's archive that the chosen entries stand for,
// as archiver arguments. An unsafe member never goes (its name goes to
// skipped); a directory holding one goes as its safe members one by one.
// entries receives, for each argument-giving entry, the entry.
void chosen_members(PANEL* panel, const std::vector<entry*>& chosen, std::vector<ArchiveItem>& items,
                    std::vector<entry*>& used, Westring& skipped);

// Shows "Unsafe name in archive:" with the names that were left out.
void report_unsafe(const Westring& skipped);

// F5 (move 0) and F6 (1) when panels[which] or the other, showing files
// panel is inside an archive: extracts from the source panel's archive,
// or adds to the other panel's. 0, or -1 when nothing was done.
int archive_copy_move(PANEL* panels, int which, int move);

// Deletes the chosen entries from the panel's archive (F8 after its
// confirmations) and reads the archive again.
void ArchiveDelete(PANEL* panel);

// Shift+F7: "Compress Files" from the chosen entries.
void MakeArchive(PANEL* panel);

// The keys: F5 and F6 (archive or file copy), Shift+F7, F4 and Alt+F4 on
// members; F8 through fileops' archive_delete_hook.
void archive_copy_move_key(int key, PANEL_REQUEST& request);
void make_archive_key(int key, PANEL_REQUEST& request);
void edit_member_key(int key, PANEL_REQUEST& request);

// Binds the keys above and installs the archive hooks; called by
// bind_commands.
void bind_archive_commands();

#endif
