#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <cstring>

// ACE: blocks of a 16-bit CRC, a 16-bit header size and the header; the
// first block is the main header with "**ACE**" at offset 7, file blocks
// (type 1) are followed by their packed data.

namespace {

constexpr long long StubLimit = 0x10000;
constexpr int HeaderLimit = 8188;
constexpr char Signature[] = "**ACE**";

// Reads the block at pos into h: its total length (4 + header size), or -1.
int read_block(CArchiveFile& f, long long pos, unsigned char* h)
{
    if (!f.ReadExact(pos, h, 4))
        return -1;
    int size = static_cast<int>(Get16(h + 2));
    if (size > HeaderLimit || size < 1 || !f.ReadExact(pos + 4, h + 4, size))
        return -1;
    return size + 4;
}

} // namespace

int read_ace(Archive& a, CArchiveFile& f)
{
    unsigned char h[HeaderLimit + 8];
    long long pos = 0;
    int length = read_block(f, 0, h);
    if (length < 14 || std::memcmp(h + 7, Signature, 7) != 0) {
        unsigned char mz[2];
        if (!f.ReadExact(0, mz, 2) || std::memcmp(mz, "MZ", 2) != 0)
            return -1;
        long long m = find_signature(f, Signature, 7, 2, StubLimit);
        if (m < 7)
            return -1;
        pos = m - 7;
        length = read_block(f, pos, h);
        if (length < 14)
            return -1;
    }
    if (h[4] != 0)
        return -1;
    pos += length;
    for (;;) {
        if (a.Stopped())
            return -1;
        length = read_block(f, pos, h);
        if (length < 0)
            return 0;
        if (h[4] != 1) {
            pos += length;
            continue;
        }
        if (length < 35) {
            a.error("Error in ACE header");
            return -1;
        }
        int nameLength = static_cast<int>(Get16(h + 33));
        // The name must lie inside the header that holds it.
        if (35 + nameLength > length) {
            a.error("Error in ACE header");
            return -1;
        }
        ArchiveEntry* e = a.NewEntry();
        e->packed = Get32(h + 7);
        e->size = Get32(h + 11);
        e->time = a.DosTime(Get16(h + 17), Get16(h + 15));
        e->attributes = static_cast<unsigned short>(Get16(h + 19));
        a.AddMember(e, reinterpret_cast<const char*>(h + 35), nameLength, e->attributes & ArchiveAttrDirectory, false);
        pos += length + static_cast<long long>(e->packed);
    }
}
