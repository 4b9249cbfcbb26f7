#include "fileops/mount_points.h"

#include "fileops/path_grammar.h"
#include "foundation/nls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

bool read_file(const char* name, std::string& out)
{
    int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.clear();
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return n == 0;
        }
        out.append(buf, static_cast<size_t>(n));
    }
}

// Reads the named table; the default one falls back to /etc/mtab on a
// system without /proc.
bool read_table(const char* table, std::string& out)
{
    if (read_file(table, out))
        return true;
    return std::string(table) == MountTableFile && read_file("/etc/mtab", out);
}

bool is_octal(char c)
{
    return c >= '0' && c <= '7';
}

// One field starting at p; p is left on the character that ended it.
Westring field(const char*& p)
{
    std::string bytes;
    while (*p && *p != ' ' && *p != '\t') {
        if (p[0] == '\\' && p[1] >= '0' && p[1] <= '3' && is_octal(p[2]) && is_octal(p[3])) {
            bytes += static_cast<char>((p[1] - '0') * 64 + (p[2] - '0') * 8 + (p[3] - '0'));
            p += 4;
        } else {
            bytes += *p++;
        }
    }
    // A NUL written as \000 would end the name early; no mount point has one.
    return FileNameFromSys(bytes.c_str());
}

void skip_blanks(const char*& p)
{
    while (*p == ' ' || *p == '\t')
        p++;
}

// Calls fn on every well-formed line of the table text.
template <class Fn>
void for_each_line(const std::string& text, Fn fn)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        TMountPoint mp;
        if (ParseMountLine(line.c_str(), mp))
            fn(mp);
        start = end + 1;
    }
}

}

Westring TMountPoint::ToStr(int deviceWidth, int mountPointWidth) const
{
    return device.pad(deviceWidth, L' ') + L" " + mountPoint.pad(mountPointWidth, L' ') + L" " +
           fsType;
}

bool ParseMountLine(const char* line, TMountPoint& mp)
{
    const char* p = line;
    skip_blanks(p);
    Westring* fields[] = {&mp.device, &mp.mountPoint, &mp.fsType};
    for (Westring* f : fields) {
        if (!*p)
            return false;
        *f = field(p);
        skip_blanks(p);
    }
    return true;
}

bool CMountPointList::Load(bool all, const char* table)
{
    DestroyAll();
    tableFile = table;
    if (!read_table(table, content))
        return false;
    for_each_line(content, [&](const TMountPoint& mp) {
        if (!all) {
            if (mp.fsType == L"tmpfs")
                return;
            struct statvfs fs;
            if (statvfs(FileNameToSys(mp.mountPoint).c_str(), &fs) == 0 && fs.f_blocks == 0)
                return;
        }
        AddObject(new TMountPoint(mp));
    });
    return true;
}

bool CMountPointList::IsStale() const
{
    std::string now;
    return !tableFile.empty() && read_table(tableFile.c_str(), now) && now != content;
}

bool GetUnixFSInfo(Estring& fstype, Westring& mountpoint, const Westring& path,
                   const char* table)
{
    std::string text;
    if (!read_table(table, text))
        return false;
    int best = -1;
    for_each_line(text, [&](const TMountPoint& mp) {
        int n = mp.mountPoint.strlen();
        if (n == 0 || n < best || fncomparen(mp.mountPoint.c_str(), path.c_str(), n) != 0)
            return;
        if (!(IsRoot(mp.mountPoint) || path[n] == 0 || path[n] == L'/'))
            return;
        best = n;
        fstype = mp.fsType.ToAscii();
        mountpoint = mp.mountPoint;
    });
    return best >= 0;
}
