#include "fileops/file_info.h"

#include "fileops/file_system.h"
#include "fileops/permissions.h"
#include "foundation/time_stamp.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* type_name(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "Named Pipe (FIFO)";
    if (S_ISCHR(mode))
        return "Character device";
    if (S_ISDIR(mode))
        return "Directory";
    if (S_ISBLK(mode))
        return "Block device";
    if (S_ISREG(mode))
        return "Regular file";
    if (S_ISLNK(mode))
        return "Symbolic Link";
    if (S_ISSOCK(mode))
        return "Socket";
    return "Unknown";
}

Westring time_text(const timespec& t)
{
    return Westring(TimeStamp(t.tv_sec, static_cast<unsigned>(t.tv_nsec)).ToString().c_str());
}

Westring decimal(unsigned long long v)
{
    return Westring(esprintf("%llu", v).c_str());
}

// "name(id)", or the id alone when it has no name (the name functions
// give the id's digits then).
Westring named_id(const Westring& name, unsigned long long id, bool& known)
{
    Westring digits = decimal(id);
    known = !(name == digits);
    return known ? name + L"(" + digits + L")" : digits;
}

// The full-name part of the user's comment field: up to its first ",".
Westring full_name(uid_t uid)
{
    passwd pw;
    passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) != 0 || !found || !pw.pw_gecos)
        return Westring();
    Estring gecos(pw.pw_gecos);
    int comma = gecos.chr(',');
    if (comma >= 0)
        gecos = gecos.left(comma);
    Westring name;
    name.FromUTF8(gecos.c_str());
    return name;
}

}

bool GetFileInfo(const Westring& path, CFileInfoItems& items, const FileInfoFormat& format)
{
    struct stat st;
    if (lstat(FileNameToSys(path).c_str(), &st) != 0)
        return false;
    items.Add("Size", format.size ? format.size(st.st_size) : decimal(st.st_size));
    items.Add("Access Time", time_text(st.st_atim));
    items.Add("Modified Time", time_text(st.st_mtim));
    items.Add("Changed Time", time_text(st.st_ctim));
    items.Add("Mode", Westring(UnixMode2Str(st.st_mode).c_str()));
    items.Add("Hard Links", decimal(st.st_nlink));
    items.Add("Type", Westring(type_name(st.st_mode)));
    if (S_ISLNK(st.st_mode)) {
        Westring target = GetLinkTarget(path);
        if (!target.empty()) {
            if (format.target)
                format.target(target);
            items.Add("Target", target);
        }
    }
    bool known;
    Westring owner = named_id(UID2Str(st.st_uid), st.st_uid, known);
    if (known) {
        Westring gecos = full_name(st.st_uid);
        if (!gecos.empty())
            owner = owner + L" - " + gecos;
    }
    items.Add("Owner", owner);
    items.Add("Group", named_id(GID2Str(st.st_gid), st.st_gid, known));
    return true;
}
