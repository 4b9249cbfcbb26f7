#include "fileops/permissions.h"

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// getpwuid_r and friends want a buffer of a size the system only suggests;
// retry with a larger one while it reports ERANGE.
template <class Rec, class Key, class Fn>
bool lookup(Fn fn, Key key, Rec& rec, std::vector<char>& buf)
{
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    buf.resize(hint > 0 ? static_cast<size_t>(hint) : 1024);
    for (;;) {
        Rec* found = nullptr;
        int err = fn(key, &rec, buf.data(), buf.size(), &found);
        if (err == ERANGE) {
            buf.resize(buf.size() * 2);
            continue;
        }
        return err == 0 && found;
    }
}

bool all_digits(const Westring& s)
{
    if (s.empty())
        return false;
    for (int i = 0; s[i]; i++)
        if (s[i] < L'0' || s[i] > L'9')
            return false;
    return true;
}

// The decimal value of an all-digit text, or fail when it does not fit.
template <class Id>
Id parse_id(const Westring& s, Id fail)
{
    unsigned long long v = 0;
    for (int i = 0; s[i]; i++) {
        v = v * 10 + static_cast<unsigned>(s[i] - L'0');
        if (v >= static_cast<unsigned long long>(fail))
            return fail;
    }
    return static_cast<Id>(v);
}

const std::vector<gid_t>& supplementary_groups()
{
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> g;
        int n = getgroups(0, nullptr);
        if (n > 0) {
            g.resize(static_cast<size_t>(n));
            n = getgroups(n, g.data());
            g.resize(n > 0 ? static_cast<size_t>(n) : 0);
        }
        return g;
    }();
    return groups;
}

}

Estring UnixMode2Str(unsigned mode)
{
    char s[10] = "---------";
    const char rwx[] = "rwx";
    for (int i = 0; i < 9; i++)
        if (mode & (0400u >> i))
            s[i] = rwx[i % 3];
    // Each special bit shows in an execute position: lower case with the
    // execute bit, upper case without it.
    const struct { unsigned bit; int pos; char with; char without; } special[] = {
        {S_ISUID, 2, 's', 'S'},
        {S_ISGID, 5, 's', 'S'},
        {S_ISVTX, 8, 't', 'T'},
    };
    for (const auto& sp : special)
        if (mode & sp.bit)
            s[sp.pos] = s[sp.pos] == 'x' ? sp.with : sp.without;
    return Estring(s);
}

Westring UID2Str(uid_t uid)
{
    passwd pw;
    std::vector<char> buf;
    if (lookup(getpwuid_r, uid, pw, buf))
        return FileNameFromSys(pw.pw_name);
    return Westring(IntToStr(static_cast<long>(uid)).c_str());
}

Westring GID2Str(gid_t gid)
{
    group gr;
    std::vector<char> buf;
    if (lookup(getgrgid_r, gid, gr, buf))
        return FileNameFromSys(gr.gr_name);
    return Westring(IntToStr(static_cast<long>(gid)).c_str());
}

uid_t Str2UID(const Westring& name)
{
    passwd pw;
    std::vector<char> buf;
    if (!name.empty() && lookup(getpwnam_r, FileNameToSys(name).c_str(), pw, buf))
        return pw.pw_uid;
    return all_digits(name) ? parse_id(name, NoUID) : NoUID;
}

gid_t Str2GID(const Westring& name)
{
    group gr;
    std::vector<char> buf;
    if (!name.empty() && lookup(getgrnam_r, FileNameToSys(name).c_str(), gr, buf))
        return gr.gr_gid;
    return all_digits(name) ? parse_id(name, NoGID) : NoGID;
}

bool SearchGroups(gid_t gid)
{
    const auto& g = supplementary_groups();
    return std::find(g.begin(), g.end(), gid) != g.end();
}

int MyPermissions(unsigned mode, uid_t uid, gid_t gid)
{
    if (uid == geteuid())
        return (mode >> 6) & 7;
    // The effective group need not be among the supplementary groups, yet
    // the system grants group permissions for it all the same.
    if (gid == getegid() || SearchGroups(gid))
        return (mode >> 3) & 7;
    return mode & 7;
}

CReadOnlyOverride::~CReadOnlyOverride()
{
    (void)Release();
}

int CReadOnlyOverride::Override(const Westring& newPath)
{
    if (active)
        (void)Release();
    path = newPath;
    Estring p = FileNameToSys(path);
    struct stat st;
    if (stat(p.c_str(), &st) != 0)
        return errno;
    mode = st.st_mode & 07777;
    if (mode & S_IWUSR)
        return EACCES;
    if (chmod(p.c_str(), mode | S_IWUSR) != 0)
        return errno;
    active = true;
    return 0;
}

int CReadOnlyOverride::Release()
{
    if (!active)
        return 0;
    if (chmod(FileNameToSys(path).c_str(), mode) != 0)
        return errno;
    active = false;
    return 0;
}
