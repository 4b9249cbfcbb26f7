#ifndef PANNEX_FILEOPS_PERMISSIONS_H
#define PANNEX_FILEOPS_PERMISSIONS_H

#include "foundation/estring.h"
#include "foundation/westring.h"

#include <sys/types.h>

// Text forms of permissions and owners, and the permissions the running
// process has. Ids are kept at their full width throughout.

// Nine characters rwx for owner, group and others; the execute positions
// show s/S for set-user-id and set-group-id and t/T for the sticky bit
// (lower case when the execute bit is set too). No file-type character.
Estring UnixMode2Str(unsigned mode);

// The user or group name; the decimal id when the database has none.
Westring UID2Str(uid_t uid);
Westring GID2Str(gid_t gid);
// The id of a user or group name; a text of decimal digits that names no one
// is taken as the id itself, so that what UID2Str shows reads back. Returns
// NoUID/NoGID when the text is neither.
constexpr uid_t NoUID = static_cast<uid_t>(-1);
constexpr gid_t NoGID = static_cast<gid_t>(-1);
uid_t Str2UID(const Westring& name);
gid_t Str2GID(const Westring& name);

// The permission bits (read 4, write 2, execute 1) that apply to the running
// process for a file of this mode, owner and group: the owner's when the
// effective user owns it, else the group's when the process is in its group
// (effective or supplementary), else the others'.
int MyPermissions(unsigned mode, uid_t uid, gid_t gid);
// True when gid is one of the process's supplementary groups. The list is
// read on first use and kept for the run; safe from any thread.
bool SearchGroups(gid_t gid);

// Makes a file the owner may not write writable for a while, so that the
// editor can save over it, and puts its permission bits back afterwards.
// The destructor releases.
class CReadOnlyOverride
{
public:
    CReadOnlyOverride() = default;
    CReadOnlyOverride(const CReadOnlyOverride&) = delete;
    CReadOnlyOverride& operator=(const CReadOnlyOverride&) = delete;
    ~CReadOnlyOverride();

    // Adds owner write permission to path. Returns EACCES, changing
    // nothing, when the owner may write already; 0 when the bit was added;
    // otherwise the error of stat or chmod. An override still active on
    // another path is released first.
    [[nodiscard]] int Override(const Westring& path);
    // Puts back the bits remembered by Override when it changed them;
    // returns 0 or the chmod error (the override then stays active).
    [[nodiscard]] int Release();
    bool Active() const { return active; }

private:
    Westring path;
    unsigned mode = 0;
    bool active = false;
};

#endif
