#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/archive_readers.h"

#include <cstring>
#include <string>
#include <vector>

// TAR (v7, POSIX ustar, GNU and pax): 512-byte header blocks, each followed
// by its data rounded up to 512 bytes. GNU "L"/"K" blocks and pax "x"
// headers carry data for the member that follows them; pax "g" headers
// apply to the whole archive and list nothing.

namespace {

constexpr int Block = 512;
constexpr long long LongNameLimit = 65536;
constexpr long long PaxLimit = 1 << 20;

// A numeric field: octal digits after leading blanks, up to the first
// other character; or, with the top bit of the first byte set, the
// base-256 form GNU tar writes for values octal cannot hold (sizes from
// 8 GiB up).
unsigned long long number(const unsigned char* p, int n)
{
    if (p[0] & 0x80) {
        unsigned long long v = p[0] & 0x3F;
        for (int i = 1; i < n; i++) {
            if (v >> 56)
                return ~0ULL;
            v = v << 8 | p[i];
        }
        return v;
    }
    int i = 0;
    while (i < n && (p[i] == ' ' || p[i] == 0))
        if (p[i++] == 0)
            return 0;
    unsigned long long v = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '7'; i++)
        v = v * 8 + static_cast<unsigned>(p[i] - '0');
    return v;
}

// The stored checksum equals the sum of the block with the checksum field
// taken as blanks (unsigned, or signed as some old tars computed it).
bool checksum_ok(const unsigned char* b)
{
    unsigned long long stored = number(b + 148, 8);
    unsigned sum = 8 * ' ';
    for (int i = 0; i < 148; i++)
        sum += b[i];
    for (int i = 156; i < Block; i++)
        sum += b[i];
    if (stored == sum)
        return true;
    int sumSigned = 8 * ' ';
    for (int i = 0; i < Block; i++)
        if (i < 148 || i >= 156)
            sumSigned += static_cast<signed char>(b[i]);
    return static_cast<long long>(stored) == sumSigned;
}

// What a pax "x" header says about the next member.
struct PaxValues
{
    std::string path;
    bool havePath = false;
    unsigned long long size = 0;
    bool haveSize = false;
    long long mtime = 0;
    unsigned nanoseconds = 0;
    bool haveTime = false;
    unsigned long long uid = 0, gid = 0;
    bool haveUid = false, haveGid = false;
};

// Records "length key=value\n"; a record that does not fit ends the parse.
void parse_pax(const char* p, size_t n, PaxValues& v)
{
    size_t pos = 0;
    while (pos < n) {
        size_t len = 0, i = pos;
        while (i < n && p[i] >= '0' && p[i] <= '9' && len < n)
            len = len * 10 + static_cast<size_t>(p[i++] - '0');
        if (len == 0 || i >= n || p[i] != ' ' || len > n - pos)
            return;
        size_t end = pos + len;
        if (p[end - 1] != '\n')
            return;
        const char* key = p + i + 1;
        const char* eq = static_cast<const char*>(std::memchr(key, '=', static_cast<size_t>(p + end - 1 - key)));
        if (eq) {
            std::string k(key, static_cast<size_t>(eq - key));
            std::string value(eq + 1, static_cast<size_t>(p + end - 1 - (eq + 1)));
            auto decimal = [&value](unsigned long long& out) {
                out = 0;
                for (char c : value) {
                    if (c < '0' || c > '9')
                        break;
                    out = out * 10 + static_cast<unsigned>(c - '0');
                }
            };
            if (k == "path") {
                v.path = value;
                v.havePath = true;
            } else if (k == "size") {
                decimal(v.size);
                v.haveSize = true;
            } else if (k == "mtime") {
                bool negative = !value.empty() && value[0] == '-';
                if (negative)
                    value.erase(0, 1);
                unsigned long long s;
                decimal(s);
                v.mtime = negative ? -static_cast<long long>(s) : static_cast<long long>(s);
                v.nanoseconds = 0;
                size_t dot = value.find('.');
                if (dot != std::string::npos && !negative) {
                    unsigned ns = 0;
                    int digits = 0;
                    for (size_t d = dot + 1; d < value.size() && digits < 9 && value[d] >= '0' && value[d] <= '9';
                         d++, digits++)
                        ns = ns * 10 + static_cast<unsigned>(value[d] - '0');
                    for (; digits < 9; digits++)
                        ns *= 10;
                    v.nanoseconds = ns;
                }
                v.haveTime = true;
            } else if (k == "uid") {
                decimal(v.uid);
                v.haveUid = true;
            } else if (k == "gid") {
                decimal(v.gid);
                v.haveGid = true;
            }
        }
        pos = end;
    }
}

long long round_up(unsigned long long n)
{
    return static_cast<long long>((n + Block - 1) / Block * Block);
}

} // namespace

int read_tar(Archive& a, CArchiveFile& f)
{
    unsigned char b[Block];
    if (!f.ReadExact(0, b, Block) || !checksum_ok(b))
        return -1;
    int members = 0;
    long long pos = 0;
    std::string longName;
    bool haveLongName = false;
    PaxValues pax;
    std::vector<char> extra;
    auto damaged = [&a]() {
        a.error("Error in TAR header");
        return -1;
    };
    for (;;) {
        if (a.Stopped())
            return -1;
        // The end: two zero blocks, a short read, or a block that is no
        // header (the rest of a damaged or padded file).
        if (!f.ReadExact(pos, b, Block) || b[0] == 0 || !checksum_ok(b))
            return members ? 0 : -1;
        char type = static_cast<char>(b[156]);
        unsigned long long size = number(b + 124, 12);
        if (size > (1ULL << 62))
            return damaged();
        long long data = pos + Block;
        if (type == 'L' || type == 'K' || type == 'x' || type == 'g') {
            long long limit = type == 'x' || type == 'g' ? PaxLimit : LongNameLimit;
            if (size > static_cast<unsigned long long>(limit))
                return damaged();
            if (type != 'g' && size > 0) {
                extra.resize(static_cast<size_t>(size));
                if (!f.ReadExact(data, extra.data(), static_cast<int>(size)))
                    return members ? 0 : -1;
                if (type == 'L') {
                    longName.assign(extra.data(), strnlen(extra.data(), extra.size()));
                    haveLongName = true;
                } else if (type == 'x') {
                    parse_pax(extra.data(), extra.size(), pax);
                }
            }
            pos = data + round_up(size);
            continue;
        }
        // A GNU volume label names the tape, not a member.
        if (type == 'V') {
            pos = data + round_up(size);
            continue;
        }
        std::string name;
        bool posix = std::memcmp(b + 257, "ustar\0", 6) == 0;
        if (pax.havePath) {
            name = pax.path;
        } else if (haveLongName) {
            name = longName;
        } else {
            // The prefix field exists only in POSIX headers: GNU ones keep
            // other times there.
            const char* field = reinterpret_cast<const char*>(b);
            std::string base(field, strnlen(field, 100));
            if (posix && b[345]) {
                const char* prefix = reinterpret_cast<const char*>(b + 345);
                name.assign(prefix, strnlen(prefix, 155));
                if (name.back() != '/')
                    name += '/';
            }
            name += base;
        }
        ArchiveEntry* e = a.NewEntry();
        if (pax.haveSize && pax.size > (1ULL << 62))
            return damaged();
        unsigned long long memberSize = pax.haveSize ? pax.size : size;
        if (type == 'S' && !pax.haveSize)
            memberSize = number(b + 483, 12);
        bool hasData = type == '0' || type == 0 || type == '7' || type == 'S';
        e->size = hasData ? memberSize : 0;
        e->packed = Block + (hasData ? round_up(pax.haveSize ? pax.size : size) : 0);
        if (pax.haveTime)
            e->time = TimeStamp(static_cast<time_t>(pax.mtime), pax.nanoseconds);
        else
            e->time = TimeStamp(static_cast<time_t>(number(b + 136, 12)), 0);
        e->uid = static_cast<unsigned>(pax.haveUid ? pax.uid : number(b + 108, 8));
        e->gid = static_cast<unsigned>(pax.haveGid ? pax.gid : number(b + 116, 8));
        unsigned long long mode = number(b + 100, 8);
        bool directory = type == '5' || type == 'D' || (mode & 0x4000) || (!name.empty() && name.back() == '/');
        e->link = type == '2';
        a.AddMember(e, name.data(), static_cast<int>(name.size()), directory, true);
        members++;
        // A pax size replaces the header's for the data that follows.
        pos = data + round_up(pax.haveSize ? pax.size : size);
        haveLongName = false;
        pax = PaxValues();
    }
}
