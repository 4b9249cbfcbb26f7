#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

// ZIP: the members are taken from the central directory at the end, found
// through the end-of-central-directory record, so the local headers in
// front of each member's data are never read.

namespace {

constexpr char LocalSig[] = "PK\x03\x04";
constexpr char CentralSig[] = "PK\x01\x02";
constexpr char EndSig[] = "PK\x05\x06";
constexpr char Zip64EndSig[] = "PK\x06\x06";
constexpr char Zip64LocatorSig[] = "PK\x06\x07";
constexpr int EndRecordSize = 22;
constexpr int MaxComment = 65535;
constexpr int CentralHeaderSize = 46;
constexpr int NameLimit = 8192;
constexpr long long StubLimit = 0x20000;

// The end-of-central-directory record: the last one whose comment length
// reaches exactly to the end of the file, or failing that (a truncated
// comment) the last signature found. Its position, or -1.
long long find_end_record(CArchiveFile& f)
{
    long long size = f.Size();
    long long start = std::max(0LL, size - EndRecordSize - MaxComment);
    int n = static_cast<int>(size - start);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(n)]);
    unsigned char* tail = buffer.get();
    if (f.ReadAt(start, tail, n) != n)
        return -1;
    long long fallback = -1;
    for (int i = n - 4; i >= 0; i--) {
        if (tail[i] != 'P' || std::memcmp(tail + i, EndSig, 4) != 0)
            continue;
        if (i + EndRecordSize <= n && i + EndRecordSize + static_cast<int>(Get16(tail + i + 20)) == n)
            return start + i;
        if (fallback < 0)
            fallback = start + i;
    }
    return fallback;
}

struct ZipReader
{
    Archive& a;
    CArchiveFile& f;
    long long stub = 0;
};

// Parses the extra fields of one central header: ZIP64 sizes and Unix
// owners. A ZIP64 value stands in only for a 32-bit field that is all
// ones, in the format's order (size, packed size, offset), so a member
// whose packed size fits is never given its offset as packed size.
void parse_extra(ArchiveEntry& e, const unsigned char* x, int n, bool sizeFull, bool packedFull)
{
    int pos = 0;
    while (pos + 4 <= n) {
        unsigned id = Get16(x + pos);
        int len = static_cast<int>(Get16(x + pos + 2));
        const unsigned char* d = x + pos + 4;
        int avail = std::min(len, n - pos - 4);
        if (id == 0x0001) {
            int k = 0;
            if (sizeFull && k + 8 <= avail) {
                e.size = Get64(d + k);
                k += 8;
            }
            if (packedFull && k + 8 <= avail)
                e.packed = Get64(d + k);
        } else if (id == 0x000D && len >= 12 && avail >= 12) {
            e.uid = Get16(d + 8);
            e.gid = Get16(d + 10);
        } else if (id == 0x7875 && avail >= 2 && d[0] == 1) {
            int ulen = d[1];
            if (ulen < 5 && 2 + ulen < avail) {
                unsigned uid = 0;
                for (int i = ulen - 1; i >= 0; i--)
                    uid = uid << 8 | d[2 + i];
                int glen = d[2 + ulen];
                if (glen < 5 && 3 + ulen + glen <= avail) {
                    unsigned gid = 0;
                    for (int i = glen - 1; i >= 0; i--)
                        gid = gid << 8 | d[3 + ulen + i];
                    e.uid = uid;
                    e.gid = gid;
                }
            }
        }
        pos += 4 + len;
    }
}

} // namespace

int read_zip(Archive& a, CArchiveFile& f)
{
    unsigned char head[8];
    if (!f.ReadExact(0, head, 8))
        return -1;
    long long stub = 0;
    if (std::memcmp(head, LocalSig, 4) != 0 && std::memcmp(head, EndSig, 4) != 0 &&
        std::memcmp(head + 4, LocalSig, 4) != 0) {
        // Self-extractors: a DOS stub, or an ELF one as unzipsfx makes.
        if (std::memcmp(head, "MZ", 2) != 0 && std::memcmp(head, "\x7f" "ELF", 4) != 0)
            return -1;
        stub = find_signature(f, LocalSig, 4, 8, StubLimit);
        if (stub < 0)
            return -1;
    }
    long long end = find_end_record(f);
    if (end < 0) {
        a.error("Central directory not found in");
        return -1;
    }
    unsigned char rec[EndRecordSize];
    if (!f.ReadExact(end, rec, EndRecordSize)) {
        a.error("ZIP corrupt, cannot read file list");
        return -1;
    }
    long long offset = Get32(rec + 16);
    long long listEnd = end;
    if (offset == 0xFFFFFFFFLL && end >= 20) {
        unsigned char loc[20];
        unsigned char rec64[56];
        if (f.ReadExact(end - 20, loc, 20) && std::memcmp(loc, Zip64LocatorSig, 4) == 0) {
            long long at = static_cast<long long>(Get64(loc + 8));
            if (at >= 0 && at < end && f.ReadExact(at, rec64, 56) && std::memcmp(rec64, Zip64EndSig, 4) == 0) {
                offset = static_cast<long long>(Get64(rec64 + 48));
                listEnd = at;
            }
        }
    }
    if (offset < 0 || offset >= f.Size()) {
        a.error("ZIP corrupt, nonsense header read");
        return -1;
    }
    if (offset >= listEnd)
        return 0;

    long long pos = offset;
    bool retried = false;
    int members = 0;
    std::vector<unsigned char> buf(4096);
    while (pos < listEnd) {
        if (a.Stopped())
            return -1;
        unsigned char* h = buf.data();
        if (!f.ReadExact(pos, h, CentralHeaderSize))
            break;
        if (std::memcmp(h, CentralSig, 4) != 0) {
            if (members == 0 && stub && !retried) {
                // Offsets stored relative to the archive behind the stub.
                // A second mismatch there gives -1 below.
                retried = true;
                pos = offset + stub;
                continue;
            }
            if (members > 0 || !stub) {
                if (std::memcmp(h, Zip64EndSig, 4) == 0)
                    return 0;
                a.error("ZIP corrupt, bad central directory");
                return -1;
            }
            return -1;
        }
        int nameLength = static_cast<int>(Get16(h + 28));
        int extraLength = static_cast<int>(Get16(h + 30));
        int commentLength = static_cast<int>(Get16(h + 32));
        if (nameLength >= NameLimit) {
            a.error("ZIP corrupt, cannot read file list");
            return -1;
        }
        // The name and extra fields, clamped to what the file holds.
        int want = nameLength + extraLength;
        if (buf.size() < static_cast<size_t>(CentralHeaderSize + want)) {
            buf.resize(static_cast<size_t>(CentralHeaderSize + want));
            h = buf.data();
        }
        int got = f.ReadAt(pos + CentralHeaderSize, h + CentralHeaderSize, want);
        if (got < 0)
            got = 0;
        int nameGot = std::min(got, nameLength);
        int extraGot = std::max(0, got - nameLength);
        ArchiveEntry* e = a.NewEntry();
        e->packed = Get32(h + 20);
        e->size = Get32(h + 24);
        e->time = a.DosTime(Get16(h + 14), Get16(h + 12));
        const char* name = reinterpret_cast<const char*>(h + CentralHeaderSize);
        bool directory = nameGot > 0 && (name[nameGot - 1] == '/' || name[nameGot - 1] == '\\');
        // The Unix mode of archives made on Unix: links and directories.
        if (h[5] == 3) {
            unsigned mode = Get32(h + 38) >> 16;
            if ((mode & S_IFMT) == S_IFLNK)
                e->link = true;
            else if ((mode & S_IFMT) == S_IFDIR)
                directory = true;
        }
        if (directory)
            e->attributes = ArchiveAttrDirectory;
        parse_extra(*e, h + CentralHeaderSize + nameLength, extraGot, Get32(h + 24) == 0xFFFFFFFFu,
                    Get32(h + 20) == 0xFFFFFFFFu);
        bool utf8 = Get16(h + 8) & 0x800;
        a.AddMember(e, name, nameGot, directory, utf8);
        members++;
        if (got < want)
            break;
        pos += CentralHeaderSize + nameLength + extraLength + commentLength;
    }
    return 0;
}
