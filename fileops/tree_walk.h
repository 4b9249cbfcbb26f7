#ifndef PANNEX_FILEOPS_TREE_WALK_H
#define PANNEX_FILEOPS_TREE_WALK_H

#include "fileops/copy_data.h"
#include "foundation/westring.h"

#include <dirent.h>
#include <string>

// Walks directory trees for delete, copy, move and the size pass. Every
// directory is opened from its parent's descriptor with O_NOFOLLOW and
// listed once (getdents64 with d_type); every entry is acted on through
// that descriptor, never through a path. A directory swapped for a link
// after it was listed is therefore met as the link it now is, and nothing
// outside the tree is ever reached. A directory that is a mount point is
// reported and kept, never entered.
//
// The walks run on the caller's thread and neither draw nor ask: each
// question and each failure is a call to the events object, whose answer
// decides. Results follow the item convention: 0 done, -1 stopped (by an
// answer or by Cancelled), a positive status when something was left.

// Answers to CTreeEvents::Failed and the other questions.
enum : int {
    TreeStop = -1,
    TreeSkip = 0,
    TreeRetry = 1,  // for Exists and SourceChanged: replace, copy anyway
};

// Something in the tree was left as it was: skipped by an answer, kept by
// the mask, a mount point, a source that changed while it was copied.
constexpr int StatusSomeLeft = 0x40000020;
// "Directory cannot be copied into itself": checked before anything is made.
constexpr int StatusIntoItself = 0x40000021;
// "File cannot overwrite itself": the target is the source's own inode.
constexpr int StatusSameFile = 0x40000022;

// One entry met by a walk; valid only during the call that gets it.
struct TreeEntry
{
    int dir = -1;                      // the open directory holding the entry
    const char* name = nullptr;        // the entry's name in dir
    const std::string* path = nullptr; // the full path: the root as given, then the rest
    size_t relative = 0;               // where in *path the part below the root begins
    unsigned char type = DT_UNKNOWN;   // DT_REG, DT_DIR, DT_LNK, ...; never DT_UNKNOWN
    int depth = 0;                     // 0 for the root itself
};
// The full path as a wide name, for messages.
Westring WidePath(const TreeEntry& e);

// What a walk asks its caller. Cancelled (from CCopyProgress) is asked
// before every entry and between the chunks of every file.
class CTreeEvents : public CCopyProgress
{
public:
    // A failure on e: answer TreeRetry, TreeSkip or TreeStop. code is an
    // errno or a status of this layer (copy_data.h, above).
    virtual int Failed(const TreeEntry& e, int code)
    {
        (void)e;
        (void)code;
        return TreeSkip;
    }
    // A mount point inside the tree; it is kept and not entered.
    virtual void MountPoint(const TreeEntry& e) { (void)e; }
    // The mask: false leaves a file alone (and so the directories above it).
    // Directories are always walked.
    virtual bool Wanted(const TreeEntry& e)
    {
        (void)e;
        return true;
    }
};

// A walk over one tree; the visitors below derive from it. root is opened
// (O_NOFOLLOW: a link is met as a link) and itself visited at depth 0.
class CTreeWalk
{
public:
    virtual ~CTreeWalk() = default;
    // 0 when the walk ran to its end, -1 when a visitor stopped it, or the
    // errno when root cannot be examined.
    [[nodiscard]] int Walk(const Westring& root);

protected:
    // Every entry that is not a directory to enter: 0 go on, -1 stop.
    virtual int OnFile(const TreeEntry& e) = 0;
    // Before a directory is entered: 0 enter, positive skip it, -1 stop.
    virtual int OnEnter(const TreeEntry& e)
    {
        (void)e;
        return 0;
    }
    // After a directory's entries; self is the directory's own descriptor.
    virtual int OnLeave(const TreeEntry& e, int self)
    {
        (void)e;
        (void)self;
        return 0;
    }
    // A directory that is another mount: reported instead of entered.
    virtual int OnMount(const TreeEntry& e)
    {
        (void)e;
        return 0;
    }
    // A directory that cannot be opened or listed: TreeRetry, TreeSkip or
    // TreeStop.
    virtual int OnError(const TreeEntry& e, int code)
    {
        (void)e;
        (void)code;
        return TreeSkip;
    }
    // Asked before every entry: true stops the walk.
    virtual bool Stopped() { return false; }
    // True in OnLeave calls made while the walk is being stopped.
    bool Stopping() const { return stopping; }

private:
    bool stopping = false;
    int Visit(int parent, const char* name, unsigned char type, std::string& path, size_t relative,
              int depth, dev_t parentDev);
};

// The size pass: counts below root, links not followed, mounts not entered.
struct DirectoryUsage
{
    long long files = 0;       // everything that is not a directory
    long long directories = 0; // below the root
    long long bytes = 0;       // sizes of the regular files
};
class CUsageEvents : public CTreeEvents
{
public:
    // The counters so far, after every directory; only for publishing.
    virtual void Counted(const DirectoryUsage& usage) { (void)usage; }
};
// 0, -1 when cancelled, or the errno of root. usage is added to.
[[nodiscard]] int GetDirectoryUsage(const Westring& root, DirectoryUsage& usage, CUsageEvents& events);

// Deleting a tree. Every file passes the mask (Wanted), then, unless it is
// a link, one faccessat for the read-only question, then unlinkat. A
// directory is removed when nothing was left in it; one that keeps a file
// is kept without a message. Lines of deleted files leave the description
// files of the directories that remain; the line of root itself, in its
// parent's file, is the caller's.
class CDeleteEvents : public CTreeEvents
{
public:
    // Just before e goes: the caller's "Deleting the file" (drawn by the
    // caller at most ten times a second).
    virtual void Deleting(const TreeEntry& e) { (void)e; }
    // e is not writable for this user: TreeRetry deletes it anyway,
    // TreeSkip keeps it, TreeStop stops.
    virtual int ReadOnly(const TreeEntry& e)
    {
        (void)e;
        return TreeRetry;
    }
};
// 0 when root is gone, StatusSomeLeft when something was kept, -1 when
// stopped, or the errno of root.
[[nodiscard]] int DeleteTree(const Westring& root, CDeleteEvents& events);

// Copying or moving a tree. The destination directories are made 0700
// and get the source's permission bits and times when their contents are
// done; files, links and nodes go through CopyNode. An existing
// destination directory below the top is merged without asking.
struct CopyTreeOptions
{
    bool move = false;          // delete each source once its copy is durable
    bool merge = false;         // dst may exist as a directory: merge into it
    bool acceptChanged = false; // "copy anyway" for every source that changes
    bool keepOwner = false;     // owners and groups too (a move as root)
    bool descriptions = true;   // carry descript.ion lines, never the file
};
class CCopyTreeEvents : public CTreeEvents
{
public:
    // e is about to be copied to dst (full path, file-name bytes): the
    // caller publishes both names for its progress window.
    virtual void Copying(const TreeEntry& e, const std::string& dst)
    {
        (void)e;
        (void)dst;
    }
    // The file's target dst exists (and is another object): TreeRetry
    // replaces it, TreeSkip keeps it, TreeStop stops. The overwrite
    // policies (always, never, if older) are the caller's.
    virtual int Exists(const TreeEntry& e, const std::string& dst)
    {
        (void)e;
        (void)dst;
        return TreeSkip;
    }
    // The source changed while it was copied: TreeRetry copies it again
    // keeping what it reads ("copy anyway"), TreeSkip leaves it.
    virtual int SourceChanged(const TreeEntry& e)
    {
        (void)e;
        return TreeSkip;
    }
};
// src must be a directory (not a link to one). 0 when everything was
// copied (and, for a move, every source removed); StatusSomeLeft when
// something was skipped or kept; -1 when stopped; StatusIntoItself before
// anything is made; EEXIST when dst exists and merge is off; otherwise the
// errno of the top directories.
//
// The line of src itself in its parent's description file is the
// caller's to carry, as for any single item.
//
// A move copies the whole tree first, then makes the target file system
// durable with one syncfs, and only then removes, with a second walk, each
// source file whose inode, size and ctime are still those it was copied
// with; emptied source directories go by rmdir, never as a tree.
[[nodiscard]] int CopyTree(const Westring& src, const Westring& dst, const CopyTreeOptions& options,
                           CCopyTreeEvents& events);

// Test hook: called after a directory was listed and before each of its
// entries is visited, so that a test can swap an entry meanwhile.
struct TreeWalkTestHooks
{
    void (*afterListing)(int dir, const char* name) = nullptr;
};
extern TreeWalkTestHooks treeWalkTestHooks;

#endif
