#include "fileops/tree_walk.h"

#include "fileops/descriptions.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <memory>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

TreeWalkTestHooks treeWalkTestHooks;

namespace {

unsigned char type_of(mode_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFDIR: return DT_DIR;
    case S_IFLNK: return DT_LNK;
    case S_IFIFO: return DT_FIFO;
    case S_IFCHR: return DT_CHR;
    case S_IFBLK: return DT_BLK;
    case S_IFSOCK: return DT_SOCK;
    default: return DT_REG;
    }
}

struct Listed
{
    std::string name;
    unsigned char type;
};

// Every name in the open directory fd but "." and "..". The whole listing
// is read before anything in it is touched, so that deleting or creating
// entries cannot disturb the reading.
int list_directory(int fd, std::vector<Listed>& out)
{
    // One buffer per thread: a listing is complete before the walk
    // descends, so the levels of one walk never need two.
    thread_local std::unique_ptr<char[]> buffer(new char[64 * 1024]);
    constexpr size_t size = 64 * 1024;
    for (;;) {
        ssize_t n = getdents64(fd, buffer.get(), size);
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        for (ssize_t pos = 0; pos < n;) {
            auto* d = reinterpret_cast<const dirent64*>(buffer.get() + pos);
            // The kernel's records are trusted no further than the bytes
            // it said it wrote.
            if (d->d_reclen < offsetof(dirent64, d_name) || pos + d->d_reclen > n)
                return EIO;
            size_t room = d->d_reclen - offsetof(dirent64, d_name);
            size_t len = strnlen(d->d_name, room);
            bool dot = (len == 1 && d->d_name[0] == '.') ||
                       (len == 2 && d->d_name[0] == '.' && d->d_name[1] == '.');
            if (!dot && len > 0)
                out.push_back({std::string(d->d_name, len), d->d_type});
            pos += d->d_reclen;
        }
    }
}

// A directory below the walk's root that is another mount: another
// device, or (a bind mount of the same one) a mount root to statx.
bool is_mount(int fd, const struct stat& st, dev_t parentDev)
{
    if (st.st_dev != parentDev)
        return true;
    struct statx sx;
    if (statx(fd, "", AT_EMPTY_PATH, 0, &sx) != 0)
        return false;
    return (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

void append_name(std::string& path, const char* name)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
}

bool same_inode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool is_description_file(const TreeEntry& e)
{
    return e.depth > 0 && e.type == DT_REG && std::strcmp(e.name, DescriptionFileName) == 0;
}

}

Westring WidePath(const TreeEntry& e)
{
    return FileNameFromSys(e.path->c_str());
}

int CTreeWalk::Walk(const Westring& root)
{
    std::string path = FileNameToSys(root).c_str();
    if (path.empty())
        return ENOENT;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::string dir, name;
    size_t slash = path.rfind('/');
    if (path == "/") {
        dir = "/";
        name = ".";
    } else if (slash == std::string::npos) {
        dir = ".";
        name = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
    // The root's own path may pass through links: the user named it.
    int parent = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return errno;
    struct stat st;
    if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        int err = errno;
        close(parent);
        return err;
    }
    size_t relative = path.back() == '/' ? path.size() : path.size() + 1;
    stopping = false;
    int r = Visit(parent, name.c_str(), type_of(st.st_mode), path, relative, 0, st.st_dev);
    close(parent);
    return r < 0 ? -1 : 0;
}

int CTreeWalk::Visit(int parent, const char* name, unsigned char type, std::string& path, size_t relative,
                     int depth, dev_t parentDev)
{
    TreeEntry e{parent, name, &path, std::min(relative, path.size()), type, depth};
    struct stat st;
    if (e.type == DT_UNKNOWN) {
        if (fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? 0 : (OnError(e, errno) < 0 ? -1 : 0);
        e.type = type_of(st.st_mode);
    }
    int fd = -1;
    for (int changes = 0;;) {
        if (e.type != DT_DIR)
            return OnFile(e) < 0 ? -1 : 0;
        fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            break;
        int err = errno;
        if (err == ENOENT)
            return 0;  // gone since it was listed
        if ((err == ELOOP || err == ENOTDIR) && changes++ < 3) {
            // No longer the directory it was listed as (a link now, say):
            // it is taken for what it has become, and a link is never
            // followed.
            if (fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                return errno == ENOENT ? 0 : (OnError(e, errno) < 0 ? -1 : 0);
            e.type = type_of(st.st_mode);
            continue;
        }
        int answer = OnError(e, err);
        if (answer != TreeRetry)
            return answer < 0 ? -1 : 0;
    }
    if (fstat(fd, &st) != 0) {
        int err = errno;
        close(fd);
        return OnError(e, err) < 0 ? -1 : 0;
    }
    if (depth > 0 && is_mount(fd, st, parentDev)) {
        close(fd);
        return OnMount(e) < 0 ? -1 : 0;
    }
    int entered = OnEnter(e);
    if (entered != 0) {
        close(fd);
        return entered < 0 ? -1 : 0;
    }
    std::vector<Listed> items;
    int result = 0;
    for (;;) {
        int err = list_directory(fd, items);
        if (!err)
            break;
        int answer = OnError(e, err);
        items.clear();
        if (answer != TreeRetry) {
            result = answer < 0 ? -1 : 0;
            break;
        }
        lseek(fd, 0, SEEK_SET);
    }
    size_t base = path.size();
    for (const Listed& item : items) {
        if (result < 0)
            break;
        if (Stopped()) {
            result = -1;
            break;
        }
        if (treeWalkTestHooks.afterListing)
            treeWalkTestHooks.afterListing(fd, item.name.c_str());
        append_name(path, item.name.c_str());
        int r = Visit(fd, item.name.c_str(), item.type, path, relative, depth + 1, st.st_dev);
        path.resize(base);
        if (r < 0)
            result = -1;
    }
    stopping = result < 0;
    e.type = DT_DIR;
    if (OnLeave(e, fd) < 0)
        result = -1;
    close(fd);
    return result;
}

namespace {

class CUsageWalk : public CTreeWalk
{
public:
    CUsageWalk(DirectoryUsage& usage, CUsageEvents& events) : usage(usage), events(events) {}

protected:
    int OnFile(const TreeEntry& e) override
    {
        usage.files++;
        struct stat st;
        if (e.type == DT_REG && fstatat(e.dir, e.name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            usage.bytes += st.st_size;
        return 0;
    }
    int OnEnter(const TreeEntry& e) override
    {
        if (e.depth > 0)
            usage.directories++;
        return 0;
    }
    int OnLeave(const TreeEntry&, int) override
    {
        events.Counted(usage);
        return 0;
    }
    int OnMount(const TreeEntry& e) override
    {
        events.MountPoint(e);
        return 0;
    }
    int OnError(const TreeEntry& e, int code) override { return events.Failed(e, code); }
    bool Stopped() override { return events.Cancelled(); }

private:
    DirectoryUsage& usage;
    CUsageEvents& events;
};

// Whether the kernel grants this process write access to files whatever
// their permission bits (root's CAP_DAC_OVERRIDE): the read-only question
// can then never come up, and a tree of 50,000 files is spared as many
// access checks.
bool overrides_file_permissions()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_TO_INDEX(CAP_DAC_OVERRIDE)].effective & CAP_TO_MASK(CAP_DAC_OVERRIDE)) != 0;
}

// Deletes what the events want and keeps the rest, with every directory
// above a kept entry. Also removes the sources of a move (CMoveCleanup).
class CDeleteWalk : public CTreeWalk
{
public:
    CDeleteWalk(CDeleteEvents& events, bool descriptions)
        : events(events), descriptions(descriptions), checkAccess(!overrides_file_permissions())
    {
    }
    bool rootKept = false;

protected:
    struct Level
    {
        size_t kept = 0;
        bool hasDescriptions = false;
        std::vector<std::string> deleted;
    };

    void Keep(Level* level)
    {
        if (level)
            level->kept++;
        else
            rootKept = true;
    }
    Level* Top() { return levels.empty() ? nullptr : &levels.back(); }

    int DeleteFile(const TreeEntry& e, Level* level)
    {
        if (!events.Wanted(e)) {
            Keep(level);
            return 0;
        }
        // Unlinking needs only the directory's permission; a file its
        // owner made read-only is asked about all the same.
        if (checkAccess && e.type != DT_LNK && faccessat(e.dir, e.name, W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 &&
            errno == EACCES) {
            int answer = events.ReadOnly(e);
            if (answer == TreeStop)
                return -1;
            if (answer != TreeRetry) {
                Keep(level);
                return 0;
            }
        }
        events.Deleting(e);
        for (;;) {
            if (unlinkat(e.dir, e.name, 0) == 0 || errno == ENOENT) {
                if (level)
                    level->deleted.push_back(e.name);
                return 0;
            }
            int answer = events.Failed(e, errno);
            if (answer == TreeStop)
                return -1;
            if (answer != TreeRetry) {
                Keep(level);
                return 0;
            }
        }
    }

    int OnFile(const TreeEntry& e) override
    {
        // The description file is settled when its directory is left,
        // after the entries it describes.
        if (descriptions && is_description_file(e) && Top()) {
            Top()->hasDescriptions = true;
            return 0;
        }
        return DeleteFile(e, Top());
    }

    int OnEnter(const TreeEntry&) override
    {
        levels.emplace_back();
        return 0;
    }

    int OnLeave(const TreeEntry& e, int self) override
    {
        Level level = std::move(levels.back());
        levels.pop_back();
        int result = 0;
        if (level.hasDescriptions) {
            std::string path = *e.path;
            append_name(path, DescriptionFileName);
            TreeEntry d{self, DescriptionFileName, &path, std::min(e.relative, path.size()), DT_REG, e.depth + 1};
            if (level.kept == 0 && !Stopping()) {
                result = DeleteFile(d, &level);
            } else {
                CDescriptionFile file;
                if (file.Load(self) == 0) {
                    for (const std::string& name : level.deleted)
                        file.Remove(name);
                    (void)file.Save();
                }
                level.kept++;
            }
        }
        Level* parent = Top();
        if (level.kept > 0 || Stopping() || result < 0) {
            Keep(parent);
            return result;
        }
        for (;;) {
            if (unlinkat(e.dir, e.name, AT_REMOVEDIR) == 0 || errno == ENOENT) {
                if (parent)
                    parent->deleted.push_back(e.name);
                return 0;
            }
            // Something appeared meanwhile: kept, as if the mask kept it.
            if (errno == ENOTEMPTY || errno == EEXIST) {
                Keep(parent);
                return 0;
            }
            int answer = events.Failed(e, errno);
            if (answer == TreeStop)
                return -1;
            if (answer != TreeRetry) {
                Keep(parent);
                return 0;
            }
        }
    }

    int OnMount(const TreeEntry& e) override
    {
        events.MountPoint(e);
        Keep(Top());
        return 0;
    }
    int OnError(const TreeEntry& e, int code) override
    {
        int answer = events.Failed(e, code);
        if (answer == TreeSkip)
            Keep(Top());
        return answer;
    }
    bool Stopped() override { return events.Cancelled(); }

private:
    CDeleteEvents& events;
    bool descriptions;
    // Whether a file's write permission is looked at before it goes.
    bool checkAccess;
    std::vector<Level> levels;
};

// What a move copied: the source as it was just before its copy.
struct CopiedSource
{
    dev_t dev;
    ino_t ino;
    off_t size;
    timespec ctime;
};
using CopiedSources = std::unordered_map<std::string, CopiedSource>;

// The second walk of a move: only sources copied and unchanged since go.
class CMoveCleanupEvents : public CDeleteEvents
{
public:
    CMoveCleanupEvents(const CopiedSources& copied, bool descriptions, CCopyTreeEvents& events)
        : copied(copied), descriptions(descriptions), events(events)
    {
    }
    bool left = false;

    bool Wanted(const TreeEntry& e) override
    {
        // Its lines went with the entries it described.
        if (descriptions && is_description_file(e))
            return true;
        auto it = copied.find(e.path->substr(e.relative));
        struct stat st;
        bool same = it != copied.end() && fstatat(e.dir, e.name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    st.st_dev == it->second.dev && st.st_ino == it->second.ino && st.st_size == it->second.size &&
                    st.st_ctim.tv_sec == it->second.ctime.tv_sec && st.st_ctim.tv_nsec == it->second.ctime.tv_nsec;
        left |= !same;
        return same;
    }
    // A read-only source was copied: moving it was the user's wish.
    int ReadOnly(const TreeEntry&) override { return TreeRetry; }
    int Failed(const TreeEntry& e, int code) override
    {
        left = true;
        return events.Failed(e, code);
    }
    // Reported once already, by the copying walk.
    void MountPoint(const TreeEntry&) override { left = true; }
    bool Cancelled() override { return events.Cancelled(); }

private:
    const CopiedSources& copied;
    bool descriptions;
    CCopyTreeEvents& events;
};

class CCopyWalk : public CTreeWalk
{
public:
    CCopyWalk(const std::string& dst, const CopyTreeOptions& options, CCopyTreeEvents& events)
        : dstRoot(dst), options(options), events(events)
    {
    }
    ~CCopyWalk() override
    {
        for (Level& l : levels)
            close(l.fd);
    }

    int rootResult = 0;
    bool left = false;
    CopiedSources copied;
    CloneMemo cloneMemo;

protected:
    struct Level
    {
        int fd = -1;
        bool created = false;
        std::unique_ptr<CDescriptionFile> from, to;
    };

    std::string Destination(const TreeEntry& e) const
    {
        std::string d = dstRoot;
        if (e.relative < e.path->size()) {
            if (d.empty() || d.back() != '/')
                d += '/';
            d.append(*e.path, e.relative, std::string::npos);
        }
        return d;
    }

    // Answers a failure; the item is left unless the answer is a retry.
    int Answer(int answer)
    {
        if (answer == TreeSkip)
            left = true;
        return answer;
    }

    int OnEnter(const TreeEntry& e) override
    {
        Level level;
        std::string dst = Destination(e);
        events.Copying(e, dst);
        for (;;) {
            int parent = levels.empty() ? AT_FDCWD : levels.back().fd;
            const char* name = levels.empty() ? dst.c_str() : e.name;
            int err = 0;
            if (mkdirat(parent, name, 0700) == 0) {
                level.created = true;
            } else {
                err = errno;
                struct stat st;
                if (err == EEXIST && fstatat(parent, name, &st, e.depth == 0 ? 0 : AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISDIR(st.st_mode) && (e.depth > 0 || options.merge))
                    err = 0;
            }
            if (!err) {
                // The top may be reached through a link the user named;
                // below it nothing is followed.
                int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (e.depth == 0 ? 0 : O_NOFOLLOW);
                level.fd = openat(parent, name, flags);
                if (level.fd >= 0)
                    break;
                err = errno;
            }
            if (e.depth == 0) {
                rootResult = err;
                return -1;
            }
            int answer = Answer(events.Failed(e, err));
            if (answer != TreeRetry)
                return answer < 0 ? -1 : 1;
        }
        levels.push_back(std::move(level));
        return 0;
    }

    int OnFile(const TreeEntry& e) override
    {
        if (e.depth == 0) {
            rootResult = ENOTDIR;
            return -1;
        }
        if (options.descriptions && is_description_file(e))
            return 0;
        if (!events.Wanted(e)) {
            left = true;
            return 0;
        }
        Level& top = levels.back();
        std::string dst = Destination(e);
        events.Copying(e, dst);
        struct stat before;
        if (fstatat(e.dir, e.name, &before, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? 0 : (Answer(events.Failed(e, errno)) < 0 ? -1 : 0);
        CopyOptions co;
        co.acceptChanged = options.acceptChanged;
        co.keepOwner = options.keepOwner;
        co.cloneMemo = &cloneMemo;
        for (;;) {
            CopyReport report;
            int err = CopyNode(CopyEnd{e.dir, e.name}, before, CopyEnd{top.fd, e.name}, co, &events, &report);
            int answer;
            if (err == 0) {
                if (options.move && !report.sourceChanged)
                    copied[e.path->substr(e.relative)] =
                        CopiedSource{before.st_dev, before.st_ino, before.st_size, before.st_ctim};
                else if (options.move)
                    left = true;  // changed while copied: a move keeps it
                CopyDescription(e, top);
                return 0;
            }
            if (err == -1)
                return -1;
            if (err == EEXIST && !co.replace) {
                struct stat there;
                if (fstatat(top.fd, e.name, &there, AT_SYMLINK_NOFOLLOW) == 0 && same_inode(there, before))
                    answer = Answer(events.Failed(e, StatusSameFile));
                else
                    answer = Answer(events.Exists(e, dst));
                if (answer == TreeRetry)
                    co.replace = true;
            } else if (err == StatusSourceChanged) {
                answer = Answer(events.SourceChanged(e));
                if (answer == TreeRetry)
                    co.acceptChanged = true;
            } else {
                answer = Answer(events.Failed(e, err));
            }
            if (answer != TreeRetry)
                return answer < 0 ? -1 : 0;
        }
    }

    void CopyDescription(const TreeEntry& e, Level& top)
    {
        if (!options.descriptions)
            return;
        if (!top.from) {
            top.from = std::make_unique<CDescriptionFile>();
            (void)top.from->Load(e.dir);
        }
        std::string text;
        if (!top.from->Get(e.name, text))
            return;
        if (!top.to) {
            top.to = std::make_unique<CDescriptionFile>();
            (void)top.to->Load(top.fd);
        }
        top.to->Set(e.name, text);
    }

    int OnLeave(const TreeEntry& e, int self) override
    {
        Level level = std::move(levels.back());
        levels.pop_back();
        if (level.to)
            (void)level.to->Save();
        int err = 0;
        struct stat st;
        // Times and permission bits last, so that the new directory stays
        // private and its time is not changed by its own contents.
        if (level.created && fstat(self, &st) == 0) {
            const timespec times[2] = {st.st_atim, st.st_mtim};
            if (futimens(level.fd, times) != 0)
                err = errno;
            if (!err && options.keepOwner && fchown(level.fd, st.st_uid, st.st_gid) != 0 && errno != EPERM)
                err = errno;
            if (!err && fchmod(level.fd, st.st_mode & 07777) != 0)
                err = errno;
        }
        close(level.fd);
        if (err)
            return Answer(events.Failed(e, err)) < 0 ? -1 : 0;
        // Carry the directory's own line when it was not the top.
        if (e.depth > 0 && !levels.empty())
            CopyDescription(e, levels.back());
        return 0;
    }

    int OnMount(const TreeEntry& e) override
    {
        events.MountPoint(e);
        left = true;
        return 0;
    }
    int OnError(const TreeEntry& e, int code) override { return Answer(events.Failed(e, code)); }
    bool Stopped() override { return events.Cancelled(); }

private:
    std::string dstRoot;
    const CopyTreeOptions& options;
    CCopyTreeEvents& events;
    std::vector<Level> levels;
};

}

int GetDirectoryUsage(const Westring& root, DirectoryUsage& usage, CUsageEvents& events)
{
    CUsageWalk walk(usage, events);
    return walk.Walk(root);
}

int DeleteTree(const Westring& root, CDeleteEvents& events)
{
    CDeleteWalk walk(events, true);
    int r = walk.Walk(root);
    if (r != 0)
        return r;
    return walk.rootKept ? StatusSomeLeft : 0;
}

int CopyTree(const Westring& src, const Westring& dst, const CopyTreeOptions& options, CCopyTreeEvents& events)
{
    if (IsInsideItself(src, dst))
        return StatusIntoItself;
    std::string target = FileNameToSys(dst).c_str();
    CCopyWalk copy(target, options, events);
    int r = copy.Walk(src);
    if (copy.rootResult)
        return copy.rootResult;
    if (r != 0)
        return r;
    bool left = copy.left;
    if (options.move) {
        // Nothing of the source goes before every copy is on the disk.
        int err = SyncFileSystem(dst);
        if (err)
            return err;
        CMoveCleanupEvents cleanup(copy.copied, options.descriptions, events);
        CDeleteWalk remove(cleanup, options.descriptions);
        r = remove.Walk(src);
        if (r != 0)
            return r;
        left |= cleanup.left || remove.rootKept;
    }
    return left ? StatusSomeLeft : 0;
}
