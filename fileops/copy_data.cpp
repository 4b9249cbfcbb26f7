#include "fileops/copy_data.h"

#include "fileops/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/fs.h>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <sys/ioctl.h>
#include <unistd.h>

CopyTestHooks copyTestHooks;

namespace {

constexpr long long MiB = 1024 * 1024;
// copy_file_range hands the kernel this much at most, and at least so much
// that the per-call cost vanishes; in between, a chunk is sized to take
// about ChunkSeconds so that cancelling is seen promptly on a slow disk.
// The first chunk is small, so that even a slow disk answers within the
// time; it then at most doubles per call while calls stay short.
constexpr long long MaxChunk = 64 * MiB;
constexpr long long MinChunk = 256 * 1024;
constexpr long long FirstChunk = 1 * MiB;
constexpr double ChunkSeconds = 0.1;
constexpr long long ReadWriteBuffer = 1 * MiB;
// The chunk while a test slows the copy down.
constexpr long long SlowChunk = 64 * 1024;

unsigned delay_ms()
{
    static const unsigned fromEnvironment = [] {
        const char* v = std::getenv("PX_TEST_COPY_DELAY_MS");
        return v ? static_cast<unsigned>(std::strtoul(v, nullptr, 10)) : 0u;
    }();
    return copyTestHooks.delayMs ? copyTestHooks.delayMs : fromEnvironment;
}

// An owned descriptor for the source side, whose close cannot lose data;
// the target's close is checked by hand.
class Fd
{
public:
    explicit Fd(int fd) : fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
    int fd;
};

bool same_time(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The directory part of a name, "" for a bare name and "/" kept for a name
// directly under the root, so that a sibling is prefix + another name.
std::string dir_prefix(const char* name)
{
    const char* slash = std::strrchr(name, '/');
    return slash ? std::string(name, static_cast<size_t>(slash - name) + 1) : std::string();
}

// A hidden name beside dst that no one else uses yet. The short fixed form
// leaves room under NAME_MAX whatever the target is called.
std::string temporary_name(const char* dst)
{
    static std::atomic<unsigned> counter{0};
    unsigned long long mix =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<unsigned long long>(getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    char buf[32];
    std::snprintf(buf, sizeof buf, ".px-%012llx.tmp", mix & 0xFFFFFFFFFFFFull);
    std::string name = dir_prefix(dst);
    name += buf;
    return name;
}

// Makes something new at a temporary name beside dst through make, which
// returns 0 or an errno; a name that exists already is retried with
// another.
template <class Make>
int make_temporary(CopyEnd dst, std::string& tmp, Make make)
{
    for (int attempt = 0; attempt < 100; attempt++) {
        tmp = temporary_name(dst.name);
        int err = make(tmp.c_str());
        if (err != EEXIST)
            return err;
    }
    return EEXIST;
}

int sync_directory_of(CopyEnd end)
{
    std::string dir = dir_prefix(end.name);
    int fd = openat(end.dir, dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return err;
}

// The size of the next copy_file_range call, following how long the last
// one took.
class CChunkSize
{
public:
    long long Get() const { return delay_ms() ? SlowChunk : size; }
    void Start() { started = std::chrono::steady_clock::now(); }
    void Done(long long bytes)
    {
        double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (bytes < size / 2 || took <= 0)
            return;
        // At most double per step, so that one fast chunk from the page
        // cache does not make the next one take seconds on the disk.
        double wanted = static_cast<double>(size) * ChunkSeconds / took;
        long long next = static_cast<long long>(std::min(wanted, static_cast<double>(size) * 2));
        size = std::clamp(next, MinChunk, MaxChunk);
    }

private:
    long long size = FirstChunk;
    std::chrono::steady_clock::time_point started;
};

// Moves the bytes of one file, holes kept.
class CDataMover
{
public:
    CDataMover(int in, int out, CCopyProgress* progress, CopyReport& report, CloneMemo* memo)
        : in(in), out(out), progress(progress), report(report), memo(memo)
    {
    }

    int Run(const struct stat& st)
    {
        const off_t size = st.st_size;
        CopyMethod force = copyTestHooks.force;
        if (size == 0)
            return 0;
        bool tryClone = force == CopyMethod::Clone ||
                        (force == CopyMethod::None && copyTestHooks.failWriteAt < 0 && !delay_ms() &&
                         !(memo && memo->refused && memo->device == st.st_dev));
        if (tryClone) {
            if (ioctl(out, FICLONE, in) == 0) {
                report.method = CopyMethod::Clone;
                report.bytes = size;
                if (progress)
                    progress->Advance(size);
                return 0;
            }
            if (force == CopyMethod::Clone)
                return errno;
            // Not this pair of files (another file system, no reflinks):
            // the bytes are copied instead, and the rest of the command
            // does not ask again for files of this device.
            if (memo && (errno == EOPNOTSUPP || errno == EXDEV || errno == EINVAL || errno == ENOTTY)) {
                memo->refused = true;
                memo->device = st.st_dev;
            }
        }
        useRange = force == CopyMethod::None || force == CopyMethod::Range;
        // As many blocks as bytes: no holes to look for (most files).
        if (st.st_blocks * 512 >= size) {
            if (int err = CopyRange(0, size))
                return err;
            return reached == size ? 0 : ftruncate(out, size) == 0 ? 0 : errno;
        }
        off_t pos = 0;
        while (pos < size) {
            off_t data = lseek(in, pos, SEEK_DATA);
            off_t hole = size;
            if (data < 0) {
                if (errno == ENXIO)
                    break;  // only a hole is left
                if (errno != EINVAL && errno != EOPNOTSUPP)
                    return errno;
                data = pos;  // no hole information: all data
            } else {
                hole = lseek(in, data, SEEK_HOLE);
                if (hole < 0 || hole > size)
                    hole = size;
            }
            if (data >= size)
                break;
            int err = CopyRange(data, hole - data);
            if (err)
                return err;
            pos = hole;
        }
        // A hole at the end has no data: the size alone makes it.
        if (reached == size)
            return 0;
        return ftruncate(out, size) == 0 ? 0 : errno;
    }

private:
    int CopyRange(off_t pos, off_t len)
    {
        while (len > 0) {
            if (progress && progress->Cancelled())
                return -1;
            long long want = std::min<long long>(len, useRange ? chunk.Get() : ReadWriteBuffer);
            if (delay_ms())
                want = std::min(want, SlowChunk);
            long long n = 0;
            int err = useRange ? RangeStep(pos, want, n) : ReadWriteStep(pos, want, n);
            if (err == ENOSYS) {
                useRange = false;  // copy_file_range refused this pair
                continue;
            }
            if (err)
                return err;
            if (n == 0)
                return 0;  // the source ended early; the final check reports it
            pos += n;
            reached = pos;
            len -= n;
            report.bytes += n;
            if (progress)
                progress->Advance(n);
            if (delay_ms())
                DosSleep(delay_ms());
        }
        return 0;
    }

    // One copy_file_range call. ENOSYS asks for read/write instead.
    int RangeStep(off_t pos, long long want, long long& n)
    {
        long long limit = copyTestHooks.failWriteAt;
        if (limit >= 0 && pos + want > limit) {
            if (pos >= limit)
                return copyTestHooks.failWriteErrno ? copyTestHooks.failWriteErrno : ENOSPC;
            want = limit - pos;
        }
        loff_t from = pos, to = pos;
        chunk.Start();
        ssize_t got = copy_file_range(in, &from, out, &to, static_cast<size_t>(want), 0);
        if (got < 0) {
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
                return ENOSYS;
            return errno;
        }
        chunk.Done(got);
        report.method = CopyMethod::Range;
        n = got;
        return 0;
    }

    int ReadWriteStep(off_t pos, long long want, long long& n)
    {
        if (!buffer)
            buffer.reset(new char[ReadWriteBuffer]);
        ssize_t got = pread(in, buffer.get(), static_cast<size_t>(want), pos);
        if (got < 0)
            return errno;
        n = got;
        if (got == 0)
            return 0;
        size_t give = static_cast<size_t>(got);
        long long limit = copyTestHooks.failWriteAt;
        ssize_t put;
        if (limit >= 0 && pos + got > limit && copyTestHooks.failWriteErrno) {
            errno = copyTestHooks.failWriteErrno;
            put = -1;
        } else {
            if (limit >= 0 && pos + got > limit)
                give = static_cast<size_t>(std::max<long long>(limit - pos, 0));
            put = pwrite(out, buffer.get(), give, pos);
        }
        if (put < 0)
            return errno;
        // A regular file is written short only when the disk is full or
        // the file too large; either way the copy is incomplete.
        if (put < got)
            return ENOSPC;
        report.method = CopyMethod::ReadWrite;
        return 0;
    }

    int in, out;
    CCopyProgress* progress;
    CopyReport& report;
    CloneMemo* memo;
    bool useRange = true;
    // The end of the last data written: short of the size, the size is
    // set by ftruncate (a hole at the end, or a source that shrank).
    off_t reached = 0;
    CChunkSize chunk;
    std::unique_ptr<char[]> buffer;
};

// Freeing the blocks of a replaced file takes the file system a while
// (about 0.4 s a GiB on ext4, longer with online discard), and the rename
// that drops the old name would make the copy wait for it. A large old
// target is therefore held open across the rename and closed by one
// background thread, which then frees it; a process that ends meanwhile
// frees it on exit.
constexpr off_t ReleaseLaterSize = 64 * MiB;

class CLateRelease
{
public:
    void Close(int fd)
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending.push_back(fd);
        if (!worker.joinable())
            worker = std::thread([this] { Run(); });
        ready.notify_one();
    }
    ~CLateRelease()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        ready.notify_one();
        if (worker.joinable())
            worker.join();
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            ready.wait(lock, [this] { return stopping || !pending.empty(); });
            if (pending.empty())
                return;
            int fd = pending.front();
            pending.pop_front();
            lock.unlock();
            close(fd);
            lock.lock();
        }
    }
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<int> pending;
    std::thread worker;
    bool stopping = false;
};

// The descriptor of a large regular file at dst, or -1.
int hold_old_target(CopyEnd dst)
{
    int fd = openat(dst.dir, dst.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < ReleaseLaterSize || st.st_nlink != 1) {
        close(fd);
        return -1;
    }
    return fd;
}

// The page cache of a large old target is given back before its
// replacement is written: its text is about to go, and the replacement
// then fills pages just freed, as a file rewritten in place does. On a
// virtual machine that hands long-free memory back to its host, fresh
// pages are slow to come by (a new 2 GiB file took 5 s there where a
// rewritten one took 1.5 s). Only clean pages go; a failed copy leaves the
// old target whole on disk, merely uncached.
void drop_old_target_cache(CopyEnd dst)
{
    int fd = openat(dst.dir, dst.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= ReleaseLaterSize)
        (void)posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

void release_later(int fd)
{
    static CLateRelease releaser;
    releaser.Close(fd);
}

int checked_fsync(int fd)
{
    if (copyTestHooks.failFsync)
        return copyTestHooks.failFsync;
    return fsync(fd) == 0 ? 0 : errno;
}

int checked_close(int fd)
{
    int err = close(fd) == 0 ? 0 : errno;
    if (copyTestHooks.failClose)
        return copyTestHooks.failClose;
    return err == EINTR ? 0 : err;  // the descriptor is gone after EINTR on Linux
}

// Times, owner and mode of a finished target, the permission bits last so
// that the file is 0600 while it fills.
int finish_target(int out, const struct stat& st, const CopyOptions& options)
{
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(out, times) != 0)
        return errno;
    if (options.keepOwner && fchown(out, st.st_uid, st.st_gid) != 0 && errno != EPERM)
        return errno;
    if (fchmod(out, st.st_mode & 07777) != 0)
        return errno;
    if (options.replace || options.durable)
        return checked_fsync(out);
    return 0;
}

int copy_regular(CopyEnd src, const struct stat& seen, CopyEnd dst, const CopyOptions& options,
                 CCopyProgress* progress, CopyReport& report)
{
    // O_NONBLOCK: should a FIFO or device have taken the name since lstat,
    // the open returns at once and the type check below refuses it.
    Fd in(openat(src.dir, src.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (in.fd < 0)
        return errno == ELOOP ? StatusSourceReplaced : errno;
    struct stat st;
    if (fstat(in.fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode) || st.st_dev != seen.st_dev || st.st_ino != seen.st_ino)
        return StatusSourceReplaced;

    std::string tmp;
    int out = -1;
    int err;
    if (options.replace) {
        err = make_temporary(dst, tmp, [&](const char* name) {
            out = openat(dst.dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            return out < 0 ? errno : 0;
        });
    } else {
        out = openat(dst.dir, dst.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        err = out < 0 ? errno : 0;
    }
    if (err)
        return err;
    const char* written = options.replace ? tmp.c_str() : dst.name;
    if (options.replace)
        drop_old_target_cache(dst);

    CDataMover mover(in.fd, out, progress, report, options.cloneMemo);
    err = mover.Run(st);
    if (!err) {
        // Nothing shows that another process still writes the source, so
        // what changed while it was read decides: a different size or
        // ctime means the copy may be a torn mixture.
        struct stat end;
        if (fstat(in.fd, &end) != 0)
            err = errno;
        else if (end.st_size != st.st_size || !same_time(end.st_ctim, st.st_ctim)) {
            if (options.acceptChanged)
                report.sourceChanged = true;
            else
                err = StatusSourceChanged;
        }
    }
    if (!err)
        err = finish_target(out, st, options);
    int closed = checked_close(out);
    if (!err)
        err = closed;
    int old = !err && options.replace ? hold_old_target(dst) : -1;
    if (!err && options.replace && renameat(dst.dir, tmp.c_str(), dst.dir, dst.name) != 0)
        err = errno;
    if (old >= 0) {
        if (err)
            close(old);
        else
            release_later(old);
    }
    if (err) {
        unlinkat(dst.dir, written, 0);
        return err;
    }
    // A failed directory sync leaves the complete target where it is; the
    // error tells a move to keep its source.
    return options.durable ? sync_directory_of(dst) : 0;
}

// Creates the new object at dst through make (0 or an errno), at a
// temporary name renamed over dst when replacing, then gives it the
// source's times, owner and permission bits (links have none of their own).
template <class Make>
int place_node(CopyEnd dst, const struct stat& st, const CopyOptions& options, Make make)
{
    std::string tmp;
    int err = options.replace ? make_temporary(dst, tmp, make) : make(dst.name);
    if (err)
        return err;
    const char* name = options.replace ? tmp.c_str() : dst.name;
    const timespec times[2] = {st.st_atim, st.st_mtim};
    // Some file systems keep no times for links; that is no failure.
    if (utimensat(dst.dir, name, times, AT_SYMLINK_NOFOLLOW) != 0 && !S_ISLNK(st.st_mode))
        err = errno;
    if (!err && options.keepOwner && fchownat(dst.dir, name, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno != EPERM)
        err = errno;
    if (!err && !S_ISLNK(st.st_mode) && fchmodat(dst.dir, name, st.st_mode & 07777, AT_SYMLINK_NOFOLLOW) != 0)
        err = errno;
    if (!err && options.replace && renameat(dst.dir, name, dst.dir, dst.name) != 0)
        err = errno;
    if (err) {
        unlinkat(dst.dir, name, 0);
        return err;
    }
    return options.durable ? sync_directory_of(dst) : 0;
}

int copy_link(CopyEnd src, const struct stat& st, CopyEnd dst, const CopyOptions& options)
{
    Estring text;
    int err = ReadLinkText(src, text);
    if (err)
        return err;
    return place_node(dst, st, options, [&](const char* name) {
        return symlinkat(text.c_str(), dst.dir, name) == 0 ? 0 : errno;
    });
}

int copy_special(const struct stat& st, CopyEnd dst, const CopyOptions& options)
{
    if (S_ISSOCK(st.st_mode))
        return StatusSocket;
    bool device = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
    if (device && geteuid() != 0)
        return StatusDeviceNode;
    int err = place_node(dst, st, options, [&](const char* name) {
        int made = device ? mknodat(dst.dir, name, (st.st_mode & S_IFMT) | 0600, st.st_rdev)
                          : mkfifoat(dst.dir, name, 0600);
        return made == 0 ? 0 : errno;
    });
    // A superuser without the capability (a container) may not either.
    return device && err == EPERM ? StatusDeviceNode : err;
}

}

int CopyNode(CopyEnd src, CopyEnd dst, const CopyOptions& options, CCopyProgress* progress,
             CopyReport* report)
{
    struct stat st;
    if (fstatat(src.dir, src.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    return CopyNode(src, st, dst, options, progress, report);
}

int CopyNode(CopyEnd src, const struct stat& st, CopyEnd dst, const CopyOptions& options, CCopyProgress* progress,
             CopyReport* report)
{
    CopyReport local;
    CopyReport& r = report ? *report : local;
    r = CopyReport();
    if (S_ISREG(st.st_mode))
        return copy_regular(src, st, dst, options, progress, r);
    if (S_ISLNK(st.st_mode))
        return copy_link(src, st, dst, options);
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return copy_special(st, dst, options);
}

int CopyNode(const Westring& src, const Westring& dst, const CopyOptions& options,
             CCopyProgress* progress, CopyReport* report)
{
    Estring s = FileNameToSys(src), d = FileNameToSys(dst);
    return CopyNode(CopyEnd{AT_FDCWD, s.c_str()}, CopyEnd{AT_FDCWD, d.c_str()}, options, progress, report);
}

int ReadLinkText(CopyEnd end, Estring& text)
{
    struct stat st;
    if (fstatat(end.dir, end.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISLNK(st.st_mode))
        return EINVAL;
    // lstat's size is the text's length on most file systems but 0 on some,
    // and the link may be replaced meanwhile: the buffer grows until the
    // text fits with a byte to spare, so it is never cut.
    size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 256;
    for (;;) {
        std::unique_ptr<char[]> buf(new char[size]);
        ssize_t n = readlinkat(end.dir, end.name, buf.get(), size);
        if (n < 0)
            return errno;
        if (static_cast<size_t>(n) < size) {
            buf[n] = 0;
            text = buf.get();
            return 0;
        }
        size *= 2;
    }
}

int SyncPath(const Westring& path)
{
    Estring p = FileNameToSys(path);
    struct stat st;
    if (lstat(p.c_str(), &st) != 0)
        return errno;
    // A link or a FIFO has no data of its own outside its directory.
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
        int fd = open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno;
        int err = checked_fsync(fd);
        close(fd);
        if (err)
            return err;
    }
    return sync_directory_of(CopyEnd{AT_FDCWD, p.c_str()});
}

int SyncFileSystem(const Westring& path)
{
    int fd = open(FileNameToSys(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = syncfs(fd) == 0 ? 0 : errno;
    close(fd);
    return err;
}

namespace {

// The directory text of a system path ("." for a bare name, "/" for a
// name under the root) and its last component.
void split_path(const Estring& path, Estring& dir, Estring& name)
{
    int end = path.strlen();
    while (end > 1 && path[end - 1] == '/')
        end--;
    Estring trimmed = path.left(end);
    int slash = trimmed.rchr('/');
    if (slash < 0) {
        dir = ".";
        name = trimmed;
    } else {
        dir = slash == 0 ? Estring("/") : trimmed.left(slash);
        name = trimmed.mid(slash + 1, 0);
    }
}

bool same_inode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}

int FileRelation(const Westring& a, const Westring& b)
{
    Estring sa = FileNameToSys(a), sb = FileNameToSys(b);
    struct stat x, y;
    if (lstat(sa.c_str(), &x) != 0 || lstat(sb.c_str(), &y) != 0)
        return RelationDifferent;
    bool hooked = copyTestHooks.sameInode && copyTestHooks.sameInode(sa.c_str(), sb.c_str());
    if (!same_inode(x, y) && !hooked)
        return RelationDifferent;
    Estring da, na, db, nb;
    split_path(sa, da, na);
    split_path(sb, db, nb);
    if (std::strcmp(na.c_str(), nb.c_str()) == 0)
        return RelationSameObject;
    // Two names of one file with two links are two entries; a directory
    // cannot be linked twice, so its count says nothing.
    if (!S_ISDIR(x.st_mode) && x.st_nlink != 1)
        return RelationSameObject;
    struct stat pa, pb;
    if (stat(da.c_str(), &pa) != 0 || stat(db.c_str(), &pb) != 0 || !same_inode(pa, pb))
        return RelationSameObject;
    // A trailing "/" resolves a final link: then a link and its directory
    // look like two spellings of one entry, and they are not.
    struct stat ea, eb;
    if (lstat((da + "/" + na).c_str(), &ea) != 0 || lstat((db + "/" + nb).c_str(), &eb) != 0 ||
        !same_inode(ea, x) || !same_inode(eb, y))
        return RelationSameObject;
    return RelationSameEntry;
}

bool IsInsideItself(const Westring& src, const Westring& dst)
{
    struct stat s;
    if (stat(FileNameToSys(src).c_str(), &s) != 0 || !S_ISDIR(s.st_mode))
        return false;
    // The deepest part of dst that exists is where the copy would be made;
    // from there the kernel's own ".." chain gives the real ancestors, also
    // through links and bind mounts that the text does not show.
    Estring p = FileNameToSys(dst);
    struct stat st;
    for (;;) {
        if (stat(p.c_str(), &st) == 0) {
            if (same_inode(st, s))
                return true;
            if (S_ISDIR(st.st_mode))
                break;
        }
        Estring dir, name;
        split_path(p, dir, name);
        if (std::strcmp(dir.c_str(), p.c_str()) == 0)
            return false;
        p = dir;
    }
    int fd = open(p.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool inside = false;
    // Bounded, although ".." always ends at the root.
    for (int depth = 0; depth < 65536 && !inside; depth++) {
        int parent = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat here, up;
        if (parent < 0 || fstat(parent, &up) != 0 || fstat(fd, &here) != 0) {
            if (parent >= 0)
                close(parent);
            break;
        }
        close(fd);
        fd = parent;
        if (same_inode(up, here))
            break;  // the root is its own parent
        inside = same_inode(up, s);
    }
    close(fd);
    return inside;
}
