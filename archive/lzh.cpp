#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <cstring>
#include <string>

// LZH (LHA): one header in front of each member's data. The level byte at
// offset 20 picks one of three layouts; levels 1 and 2 keep the name and
// the directory in extended headers (type 1 and 2, directory components
// separated by 0xFF), which current tools always write.

namespace {

constexpr long long StubLimit = 0x10000;
constexpr int Level2Base = 26;

bool is_method(const unsigned char* m)
{
    return m[0] == '-' && m[1] == 'l' && m[2] == 'h' && m[4] == '-';
}

struct LzhName
{
    std::string directory;
    std::string name;
    bool haveName = false;
    bool haveTime = false;
    TimeStamp time;
};

// One extended header of size bytes at x (type byte first, the size of the
// next one in its last two bytes). Returns the next size.
unsigned parse_extended(const unsigned char* x, int size, LzhName& n, ArchiveEntry& e)
{
    int dataLength = size - 3;
    const char* d = reinterpret_cast<const char*>(x + 1);
    switch (x[0]) {
    case 0x01:
        n.name.assign(d, strnlen(d, static_cast<size_t>(dataLength)));
        n.haveName = true;
        break;
    case 0x02:
        n.directory.assign(d, strnlen(d, static_cast<size_t>(dataLength)));
        for (char& c : n.directory)
            if (static_cast<unsigned char>(c) == 0xFF)
                c = '/';
        break;
    case 0x51:
        if (dataLength >= 4) {
            e.gid = Get16(x + 1);
            e.uid = Get16(x + 3);
        }
        break;
    case 0x54:
        if (dataLength >= 4) {
            n.time = TimeStamp(static_cast<time_t>(Get32(x + 1)), 0);
            n.haveTime = true;
        }
        break;
    default:
        break;
    }
    return Get16(x + size - 2);
}

} // namespace

int read_lzh(Archive& a, CArchiveFile& f)
{
    unsigned char h[65536];
    if (!f.ReadExact(0, h, 7))
        return -1;
    long long pos = 0;
    if (!is_method(h + 2)) {
        if (std::memcmp(h, "MZ", 2) != 0)
            return -1;
        long long from = 7;
        for (;;) {
            long long m = find_signature(f, "-lh", 3, from, StubLimit);
            if (m < 0)
                return -1;
            if (f.GetChar(m + 4) == '-' && m >= 2) {
                pos = m - 2;
                break;
            }
            from = m + 1;
        }
    }

    auto damaged = [&a]() {
        a.error("Error in LZH header");
        return -1;
    };
    for (;;) {
        if (a.Stopped())
            return -1;
        int got = f.ReadAt(pos, h, 22);
        if (got < 21 || (h[0] == 0 && h[20] != 2))
            return 0;
        if (!is_method(h + 2))
            return damaged();
        int level = h[20];
        // Directories carry the method "-lhd-" and no data.
        bool directory = std::memcmp(h + 2, "-lhd-", 5) == 0;
        ArchiveEntry* e = a.NewEntry();
        e->packed = Get32(h + 7);
        e->size = Get32(h + 11);
        LzhName n;
        long long next;
        if (level == 0 || level == 1) {
            int headerSize = h[0] + 2;
            if (f.ReadAt(pos, h, headerSize) != headerSize)
                return 0;
            int nameLength = h[21];
            if (22 + nameLength > headerSize)
                return damaged();
            n.name.assign(reinterpret_cast<const char*>(h + 22), nameLength);
            n.haveName = true;
            e->time = a.DosTime(Get16(h + 17), Get16(h + 15));
            next = pos + headerSize + e->packed;
            if (level == 1) {
                // The packed size counts the extended headers too.
                if (headerSize < 22 + nameLength + 5)
                    return damaged();
                unsigned size = Get16(h + headerSize - 2);
                long long x = pos + headerSize;
                long long extended = 0;
                while (size) {
                    if (size < 3 || static_cast<unsigned long long>(extended + size) > e->packed)
                        return damaged();
                    if (f.ReadAt(x, h, static_cast<int>(size)) != static_cast<int>(size))
                        return 0;
                    unsigned following = parse_extended(h, static_cast<int>(size), n, *e);
                    x += size;
                    extended += size;
                    size = following;
                }
                e->packed -= static_cast<unsigned long long>(extended);
            }
        } else if (level == 2) {
            int headerSize = static_cast<int>(Get16(h));
            if (headerSize < Level2Base)
                return damaged();
            if (f.ReadAt(pos, h, headerSize) != headerSize)
                return 0;
            e->time = TimeStamp(static_cast<time_t>(Get32(h + 15)), 0);
            int x = Level2Base;
            unsigned size = Get16(h + 24);
            while (size) {
                if (size < 3 || x + static_cast<int>(size) > headerSize)
                    return damaged();
                unsigned following = parse_extended(h + x, static_cast<int>(size), n, *e);
                x += static_cast<int>(size);
                size = following;
            }
            next = pos + headerSize + e->packed;
        } else {
            return damaged();
        }
        if (n.haveTime)
            e->time = n.time;
        std::string full = n.directory;
        if (!full.empty() && full.back() != '/' && !n.name.empty())
            full += '/';
        full += n.name;
        a.AddMember(e, full.data(), static_cast<int>(full.size()), directory, false);
        pos = next;
    }
}
