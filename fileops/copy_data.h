#ifndef PANNEX_FILEOPS_COPY_DATA_H
#define PANNEX_FILEOPS_COPY_DATA_H

#include "foundation/westring.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

// The byte mover under copy and move: one file system object copied once,
// without questions. It never draws and never asks; every conflict comes
// back as a result for the command to turn into a question or a message:
//
//   0                     done
//   -1                    cancelled through CCopyProgress::Cancelled
//   EEXIST                the target exists and replacing was not allowed
//                         (also when one appeared after the caller looked)
//   StatusSourceChanged   the source's size or ctime changed while it was
//                         copied; the copy was discarded ("File is open for
//                         writing, copy anyway?")
//   StatusSourceReplaced  the source was swapped for another object between
//                         lstat and open; nothing was written
//   StatusDeviceNode      a device node, and only the superuser may make one
//   StatusSocket          a socket, which cannot be copied
//   any other value       the errno of the failing call
//
// Whatever fails, the target is as it was: a new target is created O_EXCL
// at 0600 and removed again, a replaced one is written as a hidden
// temporary beside it and renamed over it only when complete, so the old
// target stays byte-identical until the rename. Only regular files are
// opened; symbolic links are recreated from their text and never followed,
// FIFOs and device nodes are made anew.

constexpr int StatusSourceChanged = 0x40000010;
constexpr int StatusSourceReplaced = 0x40000011;
constexpr int StatusDeviceNode = 0x40000012;
constexpr int StatusSocket = 0x40000013;

// One side of a copy: a name looked up in an open directory, or a path
// when dir is AT_FDCWD. The descriptor is borrowed, never closed here.
struct CopyEnd
{
    int dir = AT_FDCWD;
    const char* name = nullptr;
};

struct CopyOptions
{
    // The target may exist and is then replaced through a temporary. The
    // caller asks FileRelation first: replacing a file by a copy of itself
    // is harmless here, but a move would then delete its only copy.
    bool replace = false;
    // Keep a copy whose source changed while it was read (the user said
    // "copy anyway"); CopyReport::sourceChanged still tells the caller, so
    // that a move keeps such a source.
    bool acceptChanged = false;
    // The copy of a move: the target and its directory are fsync'ed before
    // the call returns, so the source may go. New copies are not synced.
    bool durable = false;
    // Also give the target the source's owner and group (a move as root);
    // a refusal (EPERM) is not a failure.
    bool keepOwner = false;
    // What one command learnt about cloning: after a refusal from a source
    // device, that command stops asking for it (copy_file_range still
    // shares blocks where the file system can). Null: ask every time.
    struct CloneMemo* cloneMemo = nullptr;
};

struct CloneMemo
{
    bool refused = false;
    dev_t device = 0;
};

// How the data moved, as far as tests and benchmarks care.
enum class CopyMethod { None, Clone, Range, ReadWrite };

struct CopyReport
{
    long long bytes = 0;        // data bytes written (holes not counted)
    bool sourceChanged = false; // with acceptChanged: kept although changed
    CopyMethod method = CopyMethod::None;
};

// What the caller hears while one file's bytes move. Both calls come from
// the copying thread, at least every 0.1 s of copying and after every
// chunk, so an Esc or Break check in Cancelled is seen within 0.2 s.
// Advance only publishes a counter: drawing belongs to the caller's
// refresh thread.
class CCopyProgress
{
public:
    virtual ~CCopyProgress() = default;
    // bytes more were written (or, for a clone, the whole size at once).
    virtual void Advance(long long bytes) { (void)bytes; }
    // True stops the copy: the partial target goes, the result is -1.
    virtual bool Cancelled() { return false; }
};

// Copies the object src names (lstat: links are not followed) to dst.
// Directories are not this function's (EISDIR): the tree walk makes them.
// progress and report may be null.
[[nodiscard]] int CopyNode(CopyEnd src, CopyEnd dst, const CopyOptions& options,
                           CCopyProgress* progress = nullptr, CopyReport* report = nullptr);
// The same with the source's lstat already at hand (a tree walk's): a
// regular file is still checked against it once opened.
[[nodiscard]] int CopyNode(CopyEnd src, const struct stat& seen, CopyEnd dst, const CopyOptions& options,
                           CCopyProgress* progress = nullptr, CopyReport* report = nullptr);
// The same for two paths.
[[nodiscard]] int CopyNode(const Westring& src, const Westring& dst, const CopyOptions& options,
                           CCopyProgress* progress = nullptr, CopyReport* report = nullptr);

// The text of the symbolic link at end, read whole however long, bytes
// kept as they are. 0, or the errno of lstat/readlink (EINVAL: not a link).
[[nodiscard]] int ReadLinkText(CopyEnd end, Estring& text);

// Durability for a move. SyncPath fsyncs the object path names and then
// its directory, so that both the data and the name survive a crash;
// SyncFileSystem makes everything written to the file system holding path
// durable at once (one call after a tree, instead of one per file).
[[nodiscard]] int SyncPath(const Westring& path);
[[nodiscard]] int SyncFileSystem(const Westring& path);

// How two names relate as objects (st_dev, st_ino), never as text.
enum : int {
    RelationDifferent = 0,  // different objects, or either is missing
    // The same object under the same directory entry spelled differently
    // (case-insensitive file system: same parent, one link): a plain
    // rename is right, and a copy would copy the file onto itself.
    RelationSameEntry = 1,
    // The same object otherwise (hard link, link in the path, bind mount,
    // the same name): "File cannot overwrite itself".
    RelationSameObject = 2,
};
// The final components are examined with lstat, directories on the way
// with stat, as the kernel would resolve them.
[[nodiscard]] int FileRelation(const Westring& a, const Westring& b);

// True when dst lies inside the directory src: the deepest existing
// directory on dst's path, and every real ancestor of it up to "/", is
// compared with src by (st_dev, st_ino). Links and bind mounts on the way
// count as what they lead to. False when src cannot be examined.
bool IsInsideItself(const Westring& src, const Westring& dst);

// Test hooks; they change nothing while left at their defaults.
struct CopyTestHooks
{
    // Forces the data path: Clone tries only FICLONE, Range skips FICLONE,
    // ReadWrite uses read/write alone. None chooses as usual.
    CopyMethod force = CopyMethod::None;
    // Sleeps this long after every chunk, the chunks then being at most
    // 64 KiB, so that a test can cancel a copy in flight. Also read once
    // from the environment variable PX_TEST_COPY_DELAY_MS, so a test can
    // slow the real program.
    unsigned delayMs = 0;
    // The write that would carry the target past failWriteAt bytes fails
    // with failWriteErrno; with failWriteErrno 0 it is cut short there.
    long long failWriteAt = -1;
    int failWriteErrno = 0;
    // fsync and close of the target fail with these (0: they don't).
    int failFsync = 0;
    int failClose = 0;
    // Reports the two system paths as one inode to FileRelation (the
    // case-insensitive file system where none can be mounted).
    bool (*sameInode)(const char* a, const char* b) = nullptr;
};
extern CopyTestHooks copyTestHooks;

#endif
