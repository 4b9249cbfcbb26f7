#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <cstring>
#include <string>

// HA: "HA", a member count, then per member a 17-byte header, the path and
// the name as NUL-terminated strings of at most 300 bytes, and a byte
// giving the length of machine-specific data in front of the packed data.

namespace {

constexpr int StringLimit = 300;
constexpr int DirectoryMethod = 14;

// The NUL-terminated string at pos into s: its length with the NUL, 0 when
// it cannot be read, -1 when it has no NUL within the limit.
int read_string(CArchiveFile& f, long long pos, std::string& s)
{
    char buf[StringLimit + 1];
    int got = f.ReadAt(pos, buf, StringLimit + 1);
    if (got <= 0)
        return 0;
    const void* nul = std::memchr(buf, 0, static_cast<size_t>(got));
    if (!nul)
        return got == StringLimit + 1 ? -1 : 0;
    int n = static_cast<int>(static_cast<const char*>(nul) - buf);
    s.assign(buf, static_cast<size_t>(n));
    return n + 1;
}

} // namespace

int read_ha(Archive& a, CArchiveFile& f)
{
    unsigned char h[17];
    if (!f.ReadExact(0, h, 4) || h[0] != 'H' || h[1] != 'A')
        return -1;
    long long pos = 4;
    std::string path, name;
    for (;;) {
        if (a.Stopped())
            return -1;
        if (!f.ReadExact(pos, h, 17))
            return 0;
        if ((h[0] >> 4) > 2)
            return 0;
        int n1 = read_string(f, pos + 17, path);
        int n2 = n1 > 0 ? read_string(f, pos + 17 + n1, name) : n1;
        if (n1 < 0 || n2 < 0) {
            a.error("Error in HA header");
            return -1;
        }
        if (n1 == 0 || n2 == 0)
            return 0;
        int machine = f.GetChar(pos + 17 + n1 + n2);
        if (machine < 0)
            return 0;
        for (char& c : path)
            if (static_cast<unsigned char>(c) == 0xFF)
                c = '/';
        if (!path.empty() && path.back() == '/')
            path.pop_back();
        ArchiveEntry* e = a.NewEntry();
        e->packed = Get32(h + 1);
        e->size = Get32(h + 5);
        e->time = a.DosTime(Get16(h + 15), Get16(h + 13));
        bool directory = (h[0] & 0x0F) == DirectoryMethod;
        std::string full = path;
        if (!full.empty() && !name.empty())
            full += '/';
        full += name;
        a.AddMember(e, full.data(), static_cast<int>(full.size()), directory, false);
        pos += 17 + n1 + n2 + 1 + machine + static_cast<long long>(e->packed);
    }
}
