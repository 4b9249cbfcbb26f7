#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <cstring>

// ARJ: every header starts with 0x60 0xEA and a 16-bit size; the first is
// the main header (file type 2), each later one a member whose data
// follows its extended headers. A size of 0 marks the end.

namespace {

constexpr long long StubLimit = 0x20000;
constexpr int HeaderLimit = 8188;
constexpr int MainHeaderLimit = 2600;

bool is_main_header(const unsigned char* h)
{
    int size = static_cast<int>(Get16(h + 2));
    return h[0] == 0x60 && h[1] == 0xEA && size <= MainHeaderLimit && size > 6 && h[4] <= 40 && h[4 + 6] == 2;
}

// The position after the extended headers at pos (each: 16-bit size, data,
// 32-bit CRC; a size of 0 ends them), or -1 when they cannot be read.
long long skip_extended(CArchiveFile& f, long long pos)
{
    for (int i = 0; i < 256; i++) {
        unsigned char s[2];
        if (!f.ReadExact(pos, s, 2))
            return -1;
        unsigned size = Get16(s);
        pos += 2;
        if (!size)
            return pos;
        pos += size + 4;
    }
    return -1;
}

} // namespace

int read_arj(Archive& a, CArchiveFile& f)
{
    unsigned char h[HeaderLimit + 8];
    if (!f.ReadExact(0, h, 4))
        return -1;
    long long pos = 0;
    if (h[0] != 0x60 || h[1] != 0xEA) {
        if (std::memcmp(h, "MZ", 2) != 0)
            return -1;
        long long from = 4;
        for (;;) {
            long long m = find_signature(f, "\x60\xEA", 2, from, StubLimit);
            if (m < 0)
                return -1;
            if (f.ReadExact(m, h, 4 + 33) && is_main_header(h)) {
                pos = m;
                break;
            }
            from = m + 1;
        }
    } else if (!f.ReadExact(0, h, 4 + 33) || !is_main_header(h)) {
        return -1;
    }
    pos += 4 + Get16(h + 2) + 4;
    pos = skip_extended(f, pos);
    if (pos < 0)
        return -1;

    int members = 0;
    for (;;) {
        if (a.Stopped())
            return -1;
        if (!f.ReadExact(pos, h, 4))
            return members ? 0 : -1;
        int size = static_cast<int>(Get16(h + 2));
        if (h[0] != 0x60 || h[1] != 0xEA || size < 1 || size >= HeaderLimit)
            break;
        if (!f.ReadExact(pos + 4, h, size))
            break;
        // The name starts at the first-header size and must end with a NUL
        // inside the basic header.
        int first = h[0];
        const void* nul = first < size ? std::memchr(h + first, 0, static_cast<size_t>(size - first)) : nullptr;
        if (first < 20 || !nul) {
            a.error("Error in ARJ header");
            return -1;
        }
        ArchiveEntry* e = a.NewEntry();
        e->packed = Get32(h + 12);
        e->size = Get32(h + 16);
        // Archives made on Unix (and NeXT) hold Unix seconds where others
        // hold a DOS date and time.
        if (h[3] == 2 || h[3] == 8)
            e->time = TimeStamp(static_cast<time_t>(Get32(h + 8)), 0);
        else
            e->time = a.DosTime(Get16(h + 10), Get16(h + 8));
        bool directory = h[6] == 3;
        const char* name = reinterpret_cast<const char*>(h + first);
        a.AddMember(e, name, static_cast<int>(static_cast<const unsigned char*>(nul) - (h + first)), directory, false);
        members++;
        long long next = skip_extended(f, pos + 4 + size + 4);
        if (next < 0)
            break;
        pos = next + static_cast<long long>(e->packed);
    }
    return members ? 0 : -1;
}
