#include "fileops/file_system.h"

#include "fileops/path_grammar.h"
#include "foundation/os_error.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

Estring sys(const Westring& path)
{
    return FileNameToSys(path);
}

// The last non-empty component of path: the name the directory reader would
// list for it, also when the path ends in "/".
Westring last_component(const Westring& path)
{
    int end = path.strlen();
    while (end > 1 && path[end - 1] == L'/')
        end--;
    Westring trimmed = path.left(end);
    int slash = trimmed.rchr(L'/');
    return slash < 0 ? trimmed : trimmed.mid(slash + 1, 0);
}

}

unsigned short EntryAttributes(const Westring& name, const struct stat& own,
                               const struct stat* target)
{
    unsigned short attr = 0;
    const struct stat* st = &own;
    if (S_ISLNK(own.st_mode)) {
        attr |= AttrSymLink;
        if (target)
            st = target;
        else
            attr |= AttrBrokenLink;
    }
    if (S_ISDIR(st->st_mode))
        attr |= AttrDirectory;
    if (name[0] == L'.' && !(name[1] == L'.' && name[2] == 0))
        attr |= AttrHidden;
    // The process's real ids do not change while it runs; asked once, not
    // twice per entry of a large directory.
    static const uid_t uid = getuid();
    static const gid_t gid = getgid();
    bool writable = (st->st_mode & S_IWOTH) || ((st->st_mode & S_IWGRP) && st->st_gid == gid) ||
                    ((st->st_mode & S_IWUSR) && st->st_uid == uid);
    if (!writable)
        attr |= AttrReadOnly;
    return attr;
}

int DosDelete(const Westring& path)
{
    Estring p = sys(path);
    struct stat st;
    bool link = lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (!link && access(p.c_str(), W_OK) != 0 && errno != ENOENT)
        return errno;
    return unlink(p.c_str()) == 0 ? 0 : errno;
}

int DosDeleteDir(const Westring& path)
{
    return rmdir(sys(path).c_str()) == 0 ? 0 : errno;
}

int DosMove(const Westring& from, const Westring& to)
{
    Estring f = sys(from), t = sys(to);
    // The no-replace rename closes the gap between a test for the target
    // and the rename, in which a file created meanwhile would be replaced.
    if (renameat2(AT_FDCWD, f.c_str(), AT_FDCWD, t.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // The file system cannot rename without replacing: test, then rename.
    // lstat, so that a dangling link at the target is not overwritten.
    struct stat st;
    if (lstat(t.c_str(), &st) == 0)
        return EEXIST;
    return rename(f.c_str(), t.c_str()) == 0 ? 0 : errno;
}

int MakeDirectory(const Westring& path)
{
    return mkdir(sys(path).c_str(), 0777) == 0 ? 0 : errno;
}

int cdd(const Westring& dir)
{
    return chdir(sys(dir).c_str()) == 0 ? 0 : errno;
}

int SetFileAttr(const Westring&, unsigned)
{
    return 0;
}

int SetFileTime(const Westring& path, const TimeStamp& time)
{
    const timespec times[2] = {
        {std::time(nullptr), 0},
        {time.seconds, static_cast<long>(time.nanoseconds)},
    };
    return utimensat(AT_FDCWD, sys(path).c_str(), times, 0) == 0 ? 0 : errno;
}

int GetFileTime(const Westring& path, TimeStamp& time)
{
    struct stat st;
    if (stat(sys(path).c_str(), &st) != 0)
        return errno;
    time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    return 0;
}

int GetFileAttr(const Westring& path, unsigned& attr)
{
    Estring p = sys(path);
    struct stat own;
    if (lstat(p.c_str(), &own) != 0) {
        int err = errno;
        if (err != ENOENT)
            return err;
        // A missing name in a directory that exists is what the reader
        // reports as no matching entry.
        Westring dir = path.path();
        if (dir.empty())
            dir = IsAbsolute(path) ? Westring(L"/") : Westring(L".");
        struct stat dst;
        if (stat(sys(dir).c_str(), &dst) != 0)
            return errno;
        return S_ISDIR(dst.st_mode) ? StatusNoMoreFiles : ENOTDIR;
    }
    struct stat target;
    bool reached = S_ISLNK(own.st_mode) && stat(p.c_str(), &target) == 0;
    attr = EntryAttributes(last_component(path), own, reached ? &target : nullptr);
    return 0;
}

bool IsDevice(const Westring& path)
{
    struct stat st;
    if (stat(sys(path).c_str(), &st) != 0)
        return false;
    return S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode) ||
           S_ISSOCK(st.st_mode);
}

bool FileExists(const Westring& path)
{
    Westring full = path;
    if (ResolvePath(full) != 0)
        return false;
    struct stat st;
    return stat(sys(full).c_str(), &st) == 0;
}

Westring GetLinkTarget(const Westring& path)
{
    Estring p = sys(path);
    struct stat st;
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return Westring();
    // The size lstat reports is the target's length on most file systems;
    // some report 0, and the target may change between the calls, so the
    // buffer grows until the whole text fits with room to spare.
    size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 256;
    for (;;) {
        std::unique_ptr<char[]> buf(new char[size]);
        ssize_t n = readlink(p.c_str(), buf.get(), size);
        if (n < 0)
            return Westring();
        if (static_cast<size_t>(n) < size) {
            buf[n] = 0;
            return FileNameFromSys(buf.get());
        }
        size *= 2;
    }
}

int pxGetDiskSpace(const Westring& dir, unsigned long long& total, unsigned long long& free,
                   unsigned long& block)
{
    struct statvfs fs;
    if (statvfs(sys(dir).c_str(), &fs) != 0)
        return errno;
    total = static_cast<unsigned long long>(fs.f_frsize) * fs.f_blocks;
    free = static_cast<unsigned long long>(fs.f_frsize) * fs.f_bavail;
    block = fs.f_frsize;
    return 0;
}

Westring PxGetCwd(int)
{
    for (size_t size = 512;; size *= 2) {
        std::unique_ptr<char[]> buf(new char[size]);
        if (getcwd(buf.get(), size))
            return FileNameFromSys(buf.get());
        if (errno != ERANGE)
            return Westring();
    }
}

Estring GetOSErrorMessage(int code)
{
    // The program's own codes have no system text.
    Estring text;
    if (code == StatusNoMoreFiles)
        text = "No more files";
    else if (code == StatusNotReady)
        text = "Drive not ready";
    else
        text = GetOSErrorMsg(code);
    return text + esprintf(" (%d)", code);
}

int RaisePriority()
{
    return 0;
}

int LowerPriority()
{
    return 0;
}

void DosSleep(unsigned ms)
{
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
