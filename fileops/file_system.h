#ifndef PANNEX_FILEOPS_FILE_SYSTEM_H
#define PANNEX_FILEOPS_FILE_SYSTEM_H

#include "foundation/estring.h"
#include "foundation/time_stamp.h"
#include "foundation/westring.h"

#include <sys/stat.h>

// The primitives every file command goes through. Paths are wide names;
// each crosses into the system through FileNameToSys and comes back through
// FileNameFromSys, so a name that is not valid UTF-8 reaches the file it
// names. Results are status codes: 0 for success, otherwise the errno value
// of the failure or one of the program's own codes below. None of these
// functions shows a message; callers decide what the user sees.

// The directory reader found no (more) matching names.
constexpr int StatusNoMoreFiles = 0x40000001;
// The drive or medium is not ready; callers stay silent about it.
constexpr int StatusNotReady = 0x40000002;

// The attribute word of a listed entry, as the directory reader stores it.
constexpr unsigned short AttrReadOnly = 0x0001;   // not writable by this user
constexpr unsigned short AttrHidden = 0x0002;     // name begins with "." and is not ".."
constexpr unsigned short AttrSystem = 0x0004;     // never set by reading a directory
constexpr unsigned short AttrDirectory = 0x0010;
constexpr unsigned short AttrSymLink = 0x0100;
constexpr unsigned short AttrBrokenLink = 0x0200; // the link's target cannot be examined

// The attribute word of the entry called name. own is what lstat reported;
// for a symbolic link target is what stat reported through it, or null when
// the target could not be examined (the link's own data then stands in).
// Shared with the directory reader so both agree on every bit.
[[nodiscard]] unsigned short EntryAttributes(const Westring& name, const struct stat& own,
                                             const struct stat* target);

// Refuses (with the access error) a file the process may not write, so that
// the caller can ask about read-only files; a missing file is tried anyway.
// A symbolic link is removed without that test: its own permission bits mean
// nothing and its target's must not decide.
[[nodiscard]] int DosDelete(const Westring& path);
[[nodiscard]] int DosDeleteDir(const Westring& path);
// Renames without ever replacing: an existing to (even from itself) gives
// EEXIST and nothing changes; across file systems the result is EXDEV and
// the caller copies and deletes.
[[nodiscard]] int DosMove(const Westring& from, const Westring& to);
[[nodiscard]] int MakeDirectory(const Westring& path);
// Changes the process's current directory.
[[nodiscard]] int cdd(const Westring& dir);
// Unix keeps no attribute word of its own: does nothing and returns 0.
[[nodiscard]] int SetFileAttr(const Westring& path, unsigned attr);
// The modification time of path (links followed) becomes time, to the
// nanosecond; the access time becomes the current time.
[[nodiscard]] int SetFileTime(const Westring& path, const TimeStamp& time);
// The modification time of path (links followed).
[[nodiscard]] int GetFileTime(const Westring& path, TimeStamp& time);
// The attribute word of path as the directory reader would list it; a
// missing name in an existing directory gives StatusNoMoreFiles, a missing
// or unusable directory its errno.
[[nodiscard]] int GetFileAttr(const Westring& path, unsigned& attr);

// True for a character or block device, a FIFO or a socket (links followed).
bool IsDevice(const Westring& path);
// True when path, resolved against the current directory, names something
// that stat can examine.
bool FileExists(const Westring& path);
// The whole text of a symbolic link; empty when path is not one or cannot
// be read.
Westring GetLinkTarget(const Westring& path);
// Sizes of the file system holding dir in bytes; block is its fragment size.
// free counts what unprivileged users may still use.
[[nodiscard]] int pxGetDiskSpace(const Westring& dir, unsigned long long& total,
                                 unsigned long long& free, unsigned long& block);
// The process's current directory, however deep; empty on failure. The
// drive is ignored.
Westring PxGetCwd(int drive = 0);
// The system's text for code followed by " (code)".
Estring GetOSErrorMessage(int code);

// Priorities are left to the system: both do nothing and return 0.
int RaisePriority();
int LowerPriority();
// Sleeps ms milliseconds, resuming after signals.
void DosSleep(unsigned ms);

#endif
