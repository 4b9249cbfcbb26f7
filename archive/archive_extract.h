#ifndef PANNEX_ARCHIVE_ARCHIVE_EXTRACT_H
#define PANNEX_ARCHIVE_ARCHIVE_EXTRACT_H

#include "archive/archive.h"
#include "archive/archiver_command.h"
#include "foundation/westring.h"

struct PANEL;

// The process's directory, restored when the object goes: archivers run
// in the directory they extract into or add from.
class CWorkingDirectory
{
public:
    CWorkingDirectory();
    ~CWorkingDirectory();
    CWorkingDirectory(const CWorkingDirectory&) = delete;
    CWorkingDirectory& operator=(const CWorkingDirectory&) = delete;

private:
    Westring saved;
};

// One member extracted for viewing, editing, a command line or a nested
// archive, and written back when it was changed. Logic thread.

// The member as its archiver names it: the stored name, bytes exact.
ArchiveItem member_item(const ArchiveEntry& member);
// The member's path inside the archive as listed ("docs/a.txt").
Westring member_path(const ArchiveEntry& member);

// Extracts member into directory (which must exist) with the archive's
// Extract template: 0 with the extracted file's path, which is a regular
// file reached through real directories inside directory. A failed run
// shows "An error occurred extracting" naming the member, the directory
// and the status; a missing archiver "Archiver not found:". -1 then.
[[nodiscard]] int ExtractFile(Archive& archive, const ArchiveEntry& member, const Westring& directory,
                              Westring& path);

// The member called name in the archive's current directory, extracted
// into a new directory of its own in the private temporary directory; the
// archive's earlier member is first written back when changed and its
// directory removed. Asking for the member already extracted gives the
// same copy. An unsafe member is refused with "Unsafe name in archive:".
// 0 with the copy's path, or -1 once the user was told.
[[nodiscard]] int ArchiveTmpExtract(Archive& archive, const Westring& name, Westring& path);

// Puts the archive's temporary member back when its time (to the
// nanosecond) or size changed, with the Compress template run in the
// member's directory. 0 when nothing was to be done or the update
// succeeded (the copy then counts as unchanged); otherwise the user was
// told (the failure, and the path of the kept copy) and the result is
// positive.
[[nodiscard]] int UpdateTmpFile(Archive& archive);

// For the editor when it returns from a member of the panel's archive:
// writes the member back at once and reads the archive again, so that the
// panel shows the change.
void archive_member_edited(PANEL* panel);

// Installs the hooks through which the archive model and the panels
// extract and write back (archive_extract_hook, archive_write_back_hook).
void install_archive_member_hooks();

#endif
