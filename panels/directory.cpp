#include "panels/directory.h"

#include "fileops/file_system.h"

#include <cerrno>
#include <fcntl.h>

entry* DirToEntry(const Westring& name, const struct stat& own, const struct stat* target)
{
    entry* e = entry::Create(name);
    e->attributes = EntryAttributes(name, own, target);
    const struct stat& st = target ? *target : own;
    // A link shows what it points to; a broken one its own data.
    e->size = (e->attributes & AttrDirectory) ? 0 : static_cast<unsigned long long>(st.st_size);
    e->mode = static_cast<unsigned short>(st.st_mode & 0xFFFF);
    e->uid = st.st_uid;
    e->gid = st.st_gid;
    e->time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    return e;
}

int wild_simple(const wchar_t* pattern, const wchar_t* name)
{
    // Iterative matching with one backtrack point: the last "*" and where
    // in the name it was tried last. Linear for the usual masks.
    const wchar_t* star = nullptr;
    const wchar_t* retry = nullptr;
    while (*name) {
        if (*pattern == L'*') {
            star = pattern++;
            retry = name;
        } else if (*pattern == L'?' || *pattern == *name) {
            pattern++;
            name++;
        } else if (star) {
            pattern = star + 1;
            name = ++retry;
        } else {
            return 0;
        }
    }
    while (*pattern == L'*')
        pattern++;
    return *pattern == 0;
}

Directory::Directory(const Westring& base) : base(base)
{
}

Directory::~Directory()
{
    FindEnd();
    entry::Destroy(own_entry);
}

int Directory::FindFirst(const wchar_t* pattern, unsigned long attr, entry** result)
{
    FindEnd();
    attributes = attr;
    Westring pat(pattern);
    int slash = pat.rchr(L'/');
    Westring dir_part = slash >= 0 ? pat.left(slash) : Westring();
    mask = pat.mid(slash + 1, 0);

    Westring path;
    if (pattern[0] == L'/')
        path = dir_part;
    else if (base.empty())
        path = dir_part;
    else if (dir_part.empty())
        path = base;
    else
        path = base.AppendBackslash() + dir_part;
    if (path.empty())
        path = (base == L"/" || pattern[0] == L'/') ? L"/" : L".";

    dir = opendir(FileNameToSys(path).c_str());
    if (!dir) {
        last_error = errno;
        return last_error;
    }
    last_error = 0;
    return FindNext(result);
}

int Directory::FindNext(entry** result)
{
    if (!dir)
        return StatusNoMoreFiles;
    int fd = dirfd(dir);
    for (;;) {
        errno = 0;
        struct dirent* d = readdir(dir);
        if (!d) {
            last_error = errno;
            return errno ? errno : StatusNoMoreFiles;
        }
        const char* n = d->d_name;
        if (n[0] == '.' && !(attributes & SearchHidden))
            continue;
        Westring name = FileNameFromSys(n);
        if (!wild_simple(mask.c_str(), name.c_str()))
            continue;
        struct stat own;
        if (fstatat(fd, n, &own, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        struct stat target;
        bool reached = false;
        if (S_ISLNK(own.st_mode))
            reached = fstatat(fd, n, &target, 0) == 0;
        bool is_dir = S_ISDIR(reached ? target.st_mode : own.st_mode);
        if ((attributes & SearchDirsOnly) && !is_dir)
            continue;
        if (!(attributes & SearchDirectories) && is_dir)
            continue;
        entry* e = DirToEntry(name, own, reached ? &target : nullptr);
        if (attributes & SearchAllocate) {
            if (result)
                *result = e;
            else
                entry::Destroy(e);
        } else {
            entry::Destroy(own_entry);
            own_entry = e;
            if (result)
                *result = e;
        }
        return 0;
    }
}

void Directory::FindEnd()
{
    if (dir) {
        closedir(dir);
        dir = nullptr;
    }
}

int Directory::Find(const wchar_t* pattern, unsigned long attr)
{
    int rc = FindFirst(pattern, attr & ~SearchAllocate, nullptr);
    FindEnd();
    return rc;
}
