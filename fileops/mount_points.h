#ifndef PANNEX_FILEOPS_MOUNT_POINTS_H
#define PANNEX_FILEOPS_MOUNT_POINTS_H

#include "foundation/estring.h"
#include "foundation/object_store.h"
#include "foundation/westring.h"

#include <string>

// The system's table of mounted file systems, as the mount-point chooser
// lists it and as the panels learn the file-system type of a directory.

// The kernel's view of this process's mounts, in mount order.
constexpr const char* MountTableFile = "/proc/self/mounts";

// One line of the mount table.
struct TMountPoint
{
    Westring device;     // the mounted resource
    Westring mountPoint; // the directory it is mounted on
    Westring fsType;

    // The chooser's line: device and mount point padded to their column
    // widths, each followed by a blank, then the type.
    Westring ToStr(int deviceWidth, int mountPointWidth) const;
};

// Splits one table line into its first three fields. A field ends at a blank
// or tab; blanks and tabs before the next field are skipped. A backslash and
// three octal digits stand for the byte of that value (the table writes a
// blank in a name as \040 and a backslash as \134); any other backslash is
// kept. False when the line has fewer than three fields.
bool ParseMountLine(const char* line, TMountPoint& mp);

class CMountPointList : public TObjectStore<TMountPoint>
{
public:
    // Empties the list and reads the table. Unless all is set, tmpfs mounts
    // and mounts that report no blocks (proc, sysfs and the like) are left
    // out. False when the table cannot be read.
    bool Load(bool all, const char* table = MountTableFile);
    // True when the table has changed since Load.
    bool IsStale() const;

private:
    std::string tableFile;
    std::string content;
};

// The mount point holding path (an absolute, resolved path) and its type:
// the longest mount point that is a prefix of path at a "/" boundary; of
// equal ones the last mounted, which hides those before it. False when none
// matches or the table cannot be read.
bool GetUnixFSInfo(Estring& fstype, Westring& mountpoint, const Westring& path,
                   const char* table = MountTableFile);

#endif
