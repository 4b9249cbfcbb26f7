#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_names.h"
#include "archive/archive_readers.h"

#include <cstring>
#include <vector>

// RAR 1.5 to 4: a chain of blocks, each with a 7-byte base header and an
// optional 32-bit size of data that follows the header. Members are the
// file blocks (type 0x74). RAR 5 has another marker and goes the 7z way.

namespace {

constexpr char Marker[] = "Rar!\x1a\x07\x00";
constexpr int BaseSize = 7;
constexpr int HeaderLimit = 8192;
constexpr long long StubLimit = 0x20000;
constexpr unsigned LongBlock = 0x8000;
constexpr unsigned LargeFile = 0x100;
constexpr unsigned UnicodeName = 0x200;

} // namespace

int read_rar(Archive& a, CArchiveFile& f)
{
    unsigned char h[HeaderLimit];
    if (!f.ReadExact(0, h, BaseSize))
        return -1;
    long long pos = 0;
    if (std::memcmp(h, Marker, BaseSize) != 0) {
        if (std::memcmp(h, "MZ", 2) != 0)
            return -1;
        pos = find_signature(f, Marker, BaseSize, BaseSize, StubLimit);
        if (pos < 0)
            return -1;
    }
    // The archive header must follow the marker.
    long long block = pos + BaseSize;
    if (!f.ReadExact(block, h, BaseSize) || h[2] != 0x73)
        return -1;

    std::vector<wchar_t> name;
    for (;;) {
        if (a.Stopped())
            return -1;
        // Move past the current block: its header, and its data when the
        // long-block flag says a data size follows.
        unsigned flags = Get16(h + 3);
        long long next = block + Get16(h + 5);
        if (flags & LongBlock) {
            unsigned char add[4];
            if (!f.ReadExact(block + BaseSize, add, 4))
                return 0;
            next += Get32(add);
        }
        if (next <= block) {
            a.error("Error in RAR header");
            return -1;
        }
        block = next;
        if (!f.ReadExact(block, h, BaseSize))
            return 0;
        int headerSize = static_cast<int>(Get16(h + 5));
        if (headerSize < BaseSize) {
            a.error("Error in RAR header");
            return -1;
        }
        if (h[2] != 0x74)
            continue;
        if (headerSize > HeaderLimit) {
            a.error("Error in RAR header");
            return -1;
        }
        if (f.ReadAt(block, h, headerSize) != headerSize)
            return 0;
        flags = Get16(h + 3);
        int nameAt = flags & LargeFile ? 40 : 32;
        if (headerSize < nameAt) {
            a.error("Error in RAR header");
            return -1;
        }
        int nameLength = static_cast<int>(Get16(h + 26));
        // The name must lie inside the header that holds it.
        if (nameLength > headerSize - nameAt) {
            a.error("Error in RAR header");
            return -1;
        }
        ArchiveEntry* e = a.NewEntry();
        e->packed = Get32(h + 7);
        e->size = Get32(h + 11);
        if (flags & LargeFile) {
            e->packed |= static_cast<unsigned long long>(Get32(h + 32)) << 32;
            e->size |= static_cast<unsigned long long>(Get32(h + 36)) << 32;
        }
        e->time = a.DosTime(Get16(h + 22), Get16(h + 20));
        // Only the DOS-like hosts store DOS attributes.
        if (h[15] < 3)
            e->attributes = static_cast<unsigned short>(Get32(h + 28) & 0x36);
        bool directory = (flags & 0xE0) == 0xE0;
        if (directory)
            e->attributes |= ArchiveAttrDirectory;
        const char* stored = reinterpret_cast<const char*>(h + nameAt);
        if (flags & UnicodeName) {
            if (DecodeRarUnicode(h + nameAt, nameLength, name) != 0) {
                a.error("Error in RAR header");
                return -1;
            }
            // Command lines get the 8-bit form, up to its zero.
            int storedLength = static_cast<int>(strnlen(stored, static_cast<size_t>(nameLength)));
            a.AddMember(e, name.data(), static_cast<int>(name.size()), stored, storedLength, directory);
        } else {
            a.AddMember(e, stored, nameLength, directory, false);
        }
        // Names are given without "./" in RAR; the flag stays clear.
        e->dotslash = false;
    }
}
