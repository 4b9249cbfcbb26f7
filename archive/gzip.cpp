#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"
#include "foundation/nls.h"

#include <cstring>
#include <vector>

// GZip: one member. Its name is the one stored in the header, else the
// archive's own name without ".gz" (".tgz" gives ".tar"); the unpacked
// size modulo 2^32 is in the last four bytes.

namespace {

constexpr int NameLimit = 1025;
constexpr unsigned FlagHeaderCrc = 2, FlagExtra = 4, FlagName = 8, FlagComment = 16;

// Length of the NUL-terminated field at pos with its NUL; 0 when there is
// none within the limit. The bytes go to out when it is given.
int read_field(CArchiveFile& f, long long pos, std::vector<char>* out)
{
    char buf[NameLimit];
    int got = f.ReadAt(pos, buf, NameLimit);
    if (got <= 0)
        return 0;
    const void* nul = std::memchr(buf, 0, static_cast<size_t>(got));
    if (!nul)
        return 0;
    int n = static_cast<int>(static_cast<const char*>(nul) - buf);
    if (out)
        out->assign(buf, buf + n);
    return n + 1;
}

} // namespace

int read_gzip(Archive& a, CArchiveFile& f)
{
    unsigned char h[10];
    if (!f.ReadExact(0, h, 10) || h[0] != 0x1F || h[1] != 0x8B)
        return -1;
    unsigned flags = h[3];
    long long pos = 10;
    if (flags & FlagExtra) {
        unsigned char n[2];
        if (!f.ReadExact(pos, n, 2))
            return -1;
        pos += 2 + Get16(n);
    }
    std::vector<char> stored;
    if (flags & FlagName) {
        int n = read_field(f, pos, &stored);
        if (!n)
            return -1;
        pos += n;
    }
    if (flags & FlagComment) {
        int n = read_field(f, pos, nullptr);
        if (!n)
            return -1;
        pos += n;
    }
    if (flags & FlagHeaderCrc)
        pos += 2;
    if (pos > f.Size())
        return -1;
    ArchiveEntry* e = a.NewEntry();
    e->packed = static_cast<unsigned long long>(f.Size() - pos);
    unsigned char tail[4];
    e->size = f.Size() >= 4 && f.ReadExact(f.Size() - 4, tail, 4) ? Get32(tail) : ArchiveSizeUnknown;
    unsigned mtime = Get32(h + 4);
    // 0 is the format's "no time stored" (gzip -n).
    e->time = mtime ? TimeStamp(static_cast<time_t>(mtime), 0) : ArchiveTimeUnknown;

    // Only the stored name's last component: the member is always one file
    // beside the archive, whatever directory its name claims.
    size_t start = 0;
    for (size_t i = 0; i < stored.size(); i++)
        if (stored[i] == '/' || stored[i] == '\\')
            start = i + 1;
    std::string last(stored.begin() + static_cast<long>(start), stored.end());
    if (!last.empty() && last != "." && last != "..") {
        a.AddMember(e, last.data(), static_cast<int>(last.size()), false, false);
        return 0;
    }
    Westring name = archive_base_name(a);
    int n = name.strlen();
    if (n > 3 && fncompare(name.c_str() + n - 3, L".gz") == 0)
        name = name.left(n - 3);
    else if (n > 4 && fncompare(name.c_str() + n - 4, L".tgz") == 0)
        name = name.left(n - 4) + L".tar";
    Estring sys = FileNameToSys(name);
    a.AddMember(e, name.c_str(), name.strlen(), sys.c_str(), sys.strlen(), false);
    return 0;
}
